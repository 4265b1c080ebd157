// The claim on the command block's head, for sender and receiver alike; the protocol is in
// channel.h. No Windows header: the block comes through CBlockAccess, and each side runs as a
// series of steps, so that the native exploration interleaves this very code.
#pragma once

#include <stdint.h>

#include "channel/channel.h"

// The block's first four bytes are its head: a text is published, claimed and withdrawn by one
// compare-exchange on them. While the receiver copies a text out they hold kClaimedHead, which
// begins with a NUL, so that every reader takes the block for empty meanwhile.
const int32_t kClaimedHead = 0x4E4B5400; // "\0TKN"
const size_t kHeadSize = sizeof(int32_t);

// The block and the world around it, as the claim sees them. The head is only ever touched by a
// compare-exchange, a full barrier; one that would store the value it expects reads it.
class CBlockAccess {
public:
    // Stores lNew when the head holds lExpected; answers what it held.
    virtual int32_t CompareExchangeHead(int32_t lNew, int32_t lExpected) = 0;
    // The bytes after the head: a NUL-terminated tail written, or all of them copied out.
    virtual void WriteTail(const char* pszTail) = 0;
    virtual void ReadTail(char* pBuffer) = 0;
    // The senders' turn: true once had (the sender's own wait then begins); given back once.
    virtual bool TakeTurn() = 0;
    virtual void GiveTurnBack() = 0;
    // The "taken" event: set by the receiver for each text it claimed, before it clears the claim;
    // reset and asked by a sender that has it.
    virtual void SetTaken() = 0;
    virtual void ResetTaken() = 0;
    virtual bool IsTaken() = 0;
    // The sender's notice to the receiver, once its text is published.
    virtual void Notify() = 0;
    // The sender waits a little; false once it gives up (its time is out, or the instance gone).
    virtual bool Wait() = 0;

protected:
    ~CBlockAccess() = default;
};

// A sender's hand-over of one text: it takes the turn, finds the block empty, writes the tail,
// publishes the head and notifies. One with the "taken" event then waits until the text is
// claimed, or gives up and withdraws it; one without (an instance of 1.1 or before has none) can
// never tell, and counts it taken once published. Each step is one operation on the block, the
// turn or the event.
class CBlockSender {
public:
    CBlockSender(const char* pszText, bool bEvent);
    // One step; false once the sender has decided, with its exit code in Result().
    bool Step(CBlockAccess& block);
    // EXIT_TAKEN, EXIT_NOT_TAKEN only when the text can never run, or EXIT_NO_TURN when the turn
    // or an empty block did not come in time (nothing written).
    LaunchExitCode Result() const { return m_eResult; }

private:
    enum Phase {
        kTurn,
        kEmptying,
        kResetting,
        kWriting,
        kPublishing,
        kNotifying,
        kAwaiting,
        kAsking,
        kWaiting,
        kWithdrawing,
        kAskingAfter
    };
    bool Empty(CBlockAccess& block);
    bool Decide(CBlockAccess& block, LaunchExitCode eResult);
    bool Next(Phase ePhase);

    const char* m_pszText;
    int32_t m_lHead = 0; // the text's own
    int32_t m_lSeen = 0; // what the head held when last looked at
    Phase m_ePhase = kTurn;
    LaunchExitCode m_eResult = EXIT_TAKEN;
    bool m_bEvent;
};

// The receiver's claim of the block's text: it reads the head, claims it, copies the text with
// its NUL into the 256-byte buffer, sets "taken" and empties the block. Each step is one
// operation on the block.
class CBlockReceiver {
public:
    // One step; false once done, with HasText() saying whether a text was taken. None when the
    // block held none (a stale notice, or a text its sender withdrew), or a plain writer came
    // between.
    bool Step(CBlockAccess& block, char* pszBuffer);
    bool HasText() const { return m_bText; }

private:
    enum Phase { kLooking, kClaiming, kCopying, kTelling, kClearing };

    int32_t m_lHead = 0;
    Phase m_ePhase = kLooking;
    bool m_bText = false;
};
