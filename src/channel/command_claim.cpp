// The claim on the command block's head: publish, withdraw, claim and clear, a step at a time.
#include "channel/command_claim.h"

#include <string.h>

CBlockSender::CBlockSender(const char* pszText) : m_pszText(pszText)
{
    const size_t cchText = strlen(pszText);
    memcpy(&m_lHead, pszText, cchText < kHeadSize ? cchText : kHeadSize);
}

bool CBlockSender::Decide(LaunchExitCode eResult)
{
    m_eResult = eResult;
    return false;
}

bool CBlockSender::Step(CBlockAccess& block)
{
    switch (m_ePhase) {
    case kEmptying: {
        // A claim is the receiver's until it clears it: a text is never written under a copy.
        const int32_t lOld = block.CompareExchangeHead(0, m_lSeen);
        if (lOld == m_lSeen && strlen(m_pszText) >= kHeadSize)
            block.WriteTail(m_pszText + kHeadSize);
        if (lOld == m_lSeen)
            m_ePhase = kPublishing;
        else if (lOld != kClaimedHead)
            m_lSeen = lOld;
        else if (!block.Wait())
            return Decide(EXIT_NO_TURN);
        return true;
    }
    case kPublishing:
        // A writer that skips the turn came between: its text holds the block, never this one.
        if (block.CompareExchangeHead(m_lHead, 0) != 0)
            return Decide(EXIT_NOT_TAKEN);
        block.Notify();
        m_ePhase = kAwaiting;
        return true;
    case kAwaiting:
        // Under the turn no other sender writes, so a head that changed was claimed.
        if (block.CompareExchangeHead(m_lHead, m_lHead) != m_lHead)
            return Decide(EXIT_TAKEN);
        if (!block.Wait())
            m_ePhase = kWithdrawing;
        return true;
    case kWithdrawing:
        break;
    }
    // Whichever compare-exchange wins, the receiver's or this one, has the text.
    return Decide(block.CompareExchangeHead(0, m_lHead) == m_lHead ? EXIT_NOT_TAKEN : EXIT_TAKEN);
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
        // Another process may have left no NUL in the block; the copy stops at its end.
        memcpy(pszBuffer, &m_lHead, kHeadSize);
        block.ReadTail(pszBuffer + kHeadSize);
        pszBuffer[kCommandBlockSize - 1] = '\0';
        m_ePhase = kClearing;
        return true;
    case kClearing:
        break;
    }
    // A writer of an older build, which skips the head, wrote meanwhile: the copy may be torn.
    m_bText = block.CompareExchangeHead(0, kClaimedHead) == kClaimedHead;
    return false;
}
