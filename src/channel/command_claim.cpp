// The claim on the command block's head: publish, withdraw, claim and clear, a step at a time.
#include "channel/command_claim.h"

#include <string.h>

CBlockSender::CBlockSender(const char* pszText, bool bEvent) : m_pszText(pszText), m_bEvent(bEvent)
{
    const size_t cchText = strlen(pszText);
    memcpy(&m_lHead, pszText, cchText < kHeadSize ? cchText : kHeadSize);
}

bool CBlockSender::Decide(CBlockAccess& block, LaunchExitCode eResult)
{
    if (m_ePhase != kTurn)
        block.GiveTurnBack();
    m_eResult = eResult;
    return false;
}

bool CBlockSender::Next(Phase ePhase)
{
    m_ePhase = ePhase;
    return true;
}

// Under a claim the block is the receiver's until it clears it. A sender with the event waits for
// an empty block, so that it never removes a text it did not write (one a sender without the
// event, or a plain writer, left), and resets "taken" only then: every claim made before has set
// it already. One without the event empties the block, as an instance of 1.1 never does.
bool CBlockSender::Empty(CBlockAccess& block)
{
    const int32_t lExpected = m_bEvent ? 0 : m_lSeen;
    const int32_t lOld = block.CompareExchangeHead(0, lExpected);
    if (lOld == lExpected)
        return Next(m_bEvent ? kResetting : kWriting);
    if (!m_bEvent && lOld != kClaimedHead) {
        m_lSeen = lOld;
        return true;
    }
    return block.Wait() || Decide(block, EXIT_NO_TURN);
}

bool CBlockSender::Step(CBlockAccess& block)
{
    switch (m_ePhase) {
    case kTurn:
        if (block.TakeTurn())
            return Next(kEmptying);
        return block.Wait() || Decide(block, EXIT_NO_TURN);
    case kEmptying:
        return Empty(block);
    case kResetting:
        block.ResetTaken();
        return Next(kWriting);
    case kWriting:
        if (strlen(m_pszText) >= kHeadSize)
            block.WriteTail(m_pszText + kHeadSize);
        return Next(kPublishing);
    case kPublishing:
        // A writer that skips the turn came between: its text holds the block, never this one.
        if (block.CompareExchangeHead(m_lHead, 0) != 0)
            return Decide(block, EXIT_NOT_TAKEN);
        return Next(kNotifying);
    case kNotifying:
        block.Notify();
        return m_bEvent ? Next(kAwaiting) : Decide(block, EXIT_TAKEN);
    case kAwaiting:
        // Under the turn no other sender writes, so a head that changed was claimed.
        if (block.CompareExchangeHead(m_lHead, m_lHead) != m_lHead)
            return Decide(block, EXIT_TAKEN);
        return Next(kAsking);
    case kAsking:
        // So was one still the text's own once "taken" is set: a plain writer wrote the same head
        // after the claim, and its text stays for the receiver.
        return block.IsTaken() ? Decide(block, EXIT_TAKEN) : Next(kWaiting);
    case kWaiting:
        return Next(block.Wait() ? kAwaiting : kWithdrawing);
    case kWithdrawing:
        // Whichever compare-exchange wins, the receiver's or this one, has the text.
        if (block.CompareExchangeHead(0, m_lHead) != m_lHead)
            return Decide(block, EXIT_TAKEN);
        return Next(kAskingAfter);
    case kAskingAfter:
        break;
    }
    // The head withdrawn may be a plain writer's, written after this text was claimed: the claim
    // set "taken" before it cleared the head, so it is set by now.
    return Decide(block, block.IsTaken() ? EXIT_TAKEN : EXIT_NOT_TAKEN);
}

bool CBlockReceiver::Step(CBlockAccess& block, char* pszBuffer)
{
    switch (m_ePhase) {
    case kLooking:
        m_lHead = block.CompareExchangeHead(0, 0);
        m_ePhase = kClaiming;
        return reinterpret_cast<const char*>(&m_lHead)[0] != '\0';
    case kClaiming:
        if (block.CompareExchangeHead(kClaimedHead, m_lHead) != m_lHead)
            return false;
        m_ePhase = kCopying;
        return true;
    case kCopying:
        // Another process may have left no NUL in the block; the copy stops at its end.
        memcpy(pszBuffer, &m_lHead, kHeadSize);
        block.ReadTail(pszBuffer + kHeadSize);
        pszBuffer[kCommandBlockSize - 1] = '\0';
        m_ePhase = kTelling;
        return true;
    case kTelling:
        // Before the clear: the next sender resets the event only once it finds the block empty,
        // so no "taken" meant for this text reaches it.
        block.SetTaken();
        m_ePhase = kClearing;
        return true;
    case kClearing:
        break;
    }
    // A writer of an older build, which skips the head, wrote meanwhile: the copy may be torn.
    m_bText = block.CompareExchangeHead(0, kClaimedHead) == kClaimedHead;
    return false;
}
