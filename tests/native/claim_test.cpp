// The claim on the command block explored: two senders, with or without the "taken" event, and
// a plain writer of 1.1 beside them, run the shipped steps interleaved with each other and with
// the receiver at every operation on the block; the rules checked after every step.
#include "channel/command_claim.h"
#include "channel/command_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

const size_t kTail = kCommandBlockSize - kHeadSize;
const int kActors = 3; // up to three writers; the receiver is actor kActors

// The block, the actors and what became of them: bytes alone, so that equal states merge.
// A writer is 'T' (a sender with the event), 'F' (one without it) or 'P' (a plain writer of 1.1:
// its head, then its tail, stored plainly, then its notice).
struct CWorld {
    char block[24]; // the texts are short: the rest of the 256 bytes stays zero
    char text[kCommandBlockSize];
    char kind[kActors], waits[kActors], plainStep, runs[kActors];
    char turn, notices, stale, actor, done, mixed;
    // Who wrote the head and the tail (a writer's number + 1, or 0), and those the copy took.
    char headBy, tailBy, copiedHeadBy, copiedTailBy;
    bool taken;
    // Made in place on zeroed bytes, so that their padding is zero too.
    alignas(CBlockSender) unsigned char sender[kActors][sizeof(CBlockSender)];
    alignas(CBlockReceiver) unsigned char receiver[sizeof(CBlockReceiver)];
    CBlockSender& Sender(int n) { return *reinterpret_cast<CBlockSender*>(sender[n]); }
    const CBlockSender& Sender(int n) const
    {
        return *reinterpret_cast<const CBlockSender*>(sender[n]);
    }
    CBlockReceiver& Receiver() { return *reinterpret_cast<CBlockReceiver*>(receiver); }
    // The receiver between claims.
    bool Idle() const
    {
        CWorld w;
        memset(&w, 0, sizeof w);
        new (w.receiver) CBlockReceiver;
        return memcmp(receiver, w.receiver, sizeof receiver) == 0;
    }
};

// The world as the claim's steps see it.
struct CAccess : CBlockAccess {
    explicit CAccess(CWorld& world) : w(world) {}
    int32_t CompareExchangeHead(int32_t lNew, int32_t lExpected) override
    {
        int32_t lOld;
        memcpy(&lOld, w.block, kHeadSize);
        if (lOld == lExpected && lNew != lExpected) {
            memcpy(w.block, &lNew, kHeadSize);
            w.copiedHeadBy = lNew == kClaimedHead ? w.headBy : w.copiedHeadBy;
            w.headBy = lNew == 0 || lNew == kClaimedHead ? 0 : char(w.actor + 1);
        }
        return lOld;
    }
    void WriteTail(const char* pszTail) override
    {
        CopyCommandText(w.block + kHeadSize, kTail, pszTail, kTail);
        w.tailBy = char(w.actor + 1);
    }
    void ReadTail(char* pBuffer) override
    {
        memcpy(pBuffer, w.block + kHeadSize, kTail);
        w.copiedTailBy = w.tailBy;
    }
    bool TakeTurn() override { return w.turn == 0 ? (w.turn = char(w.actor + 1)), true : false; }
    void GiveTurnBack() override { w.turn = 0; }
    void SetTaken() override { w.taken = true; }
    void ResetTaken() override { w.taken = false; }
    bool IsTaken() override { return w.taken; }
    void Notify() override { ++w.notices; }
    bool Wait() override { return w.waits[int(w.actor)]-- > 0; } // so often, then it gives up

    CWorld& w;
};

struct CSetup {
    const char* texts[kActors];
    const char* kinds; // 'T', 'F' or 'P' for each text
    int waits;         // how often each sender waits before it gives up
};

bool HasPlain(const CSetup& s)
{
    return strchr(s.kinds, 'P') != nullptr;
}

// The rules, after every step; at the end also that a sender told 0 has its text run. What a
// plain writer can still cause is exactly what channel.h says of it.
std::string Broken(const CWorld& w, const CSetup& s, bool bEnd)
{
    const int nPlain = HasPlain(s) ? int(strchr(s.kinds, 'P') - s.kinds) : -1;
    if (w.mixed)
        return "a text runs that no sender sent whole";
    for (int n = 0; n < int(strlen(s.kinds)); ++n) {
        if (n == nPlain)
            continue;
        const LaunchExitCode code = w.Sender(n).Result();
        const bool bDecided = (w.done >> n & 1) != 0;
        if (w.runs[n] > 1)
            return std::string(s.texts[n]) + " ran twice";
        if (bDecided && code != EXIT_TAKEN && w.runs[n] > 0)
            return std::string(s.texts[n]) + " ran, its sender told " + std::to_string(code);
        // Without the event a sender cannot tell: the next one without it may overwrite its text.
        const bool bOverwritable =
            nPlain >= 0 || (s.kinds[n] == 'F' && strchr(s.kinds + n + 1, 'F')) ||
            (s.kinds[n] == 'F' && n > 0 && strchr(s.kinds, 'F') < s.kinds + n);
        if (bEnd && bDecided && code == EXIT_TAKEN && w.runs[n] == 0 && !bOverwritable)
            return std::string(s.texts[n]) + " told taken, never ran";
    }
    return "";
}

// The receiver's claim done: the text ran, whole from one writer, or joined from two. Two texts
// with the same head cannot pass for each other: the world knows who wrote each part.
void Ran(CWorld& w, const CSetup& s)
{
    const int nBy = w.copiedHeadBy - 1;
    if (nBy >= 0 && w.copiedTailBy == w.copiedHeadBy && strcmp(w.text, s.texts[nBy]) == 0)
        return void(++w.runs[nBy]);
    // Only a plain writer's head or tail may join another's.
    const bool bPlainPart = (nBy >= 0 && s.kinds[nBy] == 'P') ||
                            (w.copiedTailBy > 0 && s.kinds[w.copiedTailBy - 1] == 'P');
    w.mixed |= !bPlainPart;
}

// The steps any actor can take now: a writer's next, or the receiver's (a claim for a notice, or
// one stale claim).
std::vector<int> Moves(const CWorld& w, const CSetup& s)
{
    std::vector<int> moves;
    for (int n = 0; n < int(strlen(s.kinds)); ++n)
        if (!(w.done >> n & 1))
            moves.push_back(n);
    if (!w.Idle() || w.notices > 0 || w.stale > 0)
        moves.push_back(kActors);
    return moves;
}

CWorld Step(const CWorld& from, const CSetup& s, int n)
{
    CWorld w;
    memcpy(&w, &from, sizeof w);
    CAccess access(w);
    w.actor = char(n);
    if (n < kActors && s.kinds[n] == 'P') {
        if (w.plainStep == 0)
            memcpy(w.block, s.texts[n], kHeadSize), w.headBy = char(n + 1);
        else if (w.plainStep == 1)
            CopyCommandText(w.block + kHeadSize, sizeof w.block - kHeadSize, s.texts[n] + kHeadSize,
                            kTail),
                w.tailBy = char(n + 1);
        else
            ++w.notices, w.done |= char(1 << n);
        ++w.plainStep;
    } else if (n < kActors) {
        if (!w.Sender(n).Step(access))
            w.done |= char(1 << n);
    } else {
        if (w.Idle())
            w.notices > 0 ? --w.notices : --w.stale;
        if (!w.Receiver().Step(access, w.text)) {
            if (w.Receiver().HasText())
                Ran(w, s);
            memset(w.receiver, 0, sizeof w.receiver);
            new (w.receiver) CBlockReceiver;
            memset(w.text, 0, sizeof w.text);
        }
    }
    return w;
}

CWorld Start(const CSetup& s)
{
    CWorld w;
    memset(&w, 0, sizeof w);
    w.stale = 1;
    new (w.receiver) CBlockReceiver;
    for (int n = 0; n < int(strlen(s.kinds)); ++n) {
        new (w.sender[n]) CBlockSender(s.texts[n], s.kinds[n] == 'T');
        w.waits[n] = char(s.waits);
    }
    return w;
}

// Every interleaving from the start, identical states merged; the states seen.
size_t Explore(const CSetup& s)
{
    std::vector<CWorld> states = {Start(s)};
    auto key = [](const CWorld& w) {
        return std::string(reinterpret_cast<const char*>(&w), sizeof w);
    };
    std::unordered_set<std::string> seen = {key(states[0])};
    for (size_t i = 0; i < states.size(); ++i) {
        const std::vector<int> moves = Moves(states[i], s);
        const std::string err = Broken(states[i], s, moves.empty());
        if (!err.empty()) {
            ADD_FAILURE() << s.kinds << ": " << err;
            return states.size();
        }
        for (int n : moves) {
            const CWorld next = Step(states[i], s, n);
            if (seen.insert(key(next)).second)
                states.push_back(next);
        }
    }
    return states.size();
}

TEST(CommandClaim, NoTextMixesRunsTwiceOrRunsAgainstWhatItsSenderWasTold)
{
    // Every answer's head is "-Q=Q": a stale compare-exchange can meet the next text's.
    const char *q1 = "-Q=Q1 a 1", *q2 = "-Q=Q2 b 1", *q9 = "-Q=Q9 c 1";
    const char *sp = "-S=P -G=85", *q7 = "-Q=Q7 B 1";
    const CSetup setups[] = {
        {{q1, q2}, "TT", 2},      {{q1, q2}, "TF", 2},      {{q1, q2}, "FT", 2},
        {{sp, q7}, "FF", 2},      {{q1, q9}, "TP", 2},      {{q1, q9}, "FP", 2},
        {{q1, q2, q9}, "TTP", 1}, {{q1, q2, q9}, "TFP", 1}, {{sp, q7, q9}, "FFP", 1},
    };
    size_t nStates = 0;
    for (const CSetup& s : setups)
        nStates += Explore(s);
    printf("explored %zu states\n", nStates);
    EXPECT_GT(nStates, 1000u);
}

// What earlier reads found, each by its interleaving: the actors named in turn step where they
// can ('R' the receiver), then every actor steps until all are done.
TEST(CommandClaim, InterleavingsFoundBefore)
{
    const char *q1 = "-Q=Q1 a 1", *q9 = "-Q=Q9 c 1";
    const struct {
        const char* name;
        CSetup setup;
        const char* order;
        int plainRuns; // how often the plain writer's text runs
    } rows[] = {
        {"two senders without the event mix no texts",
         {{"-S=P -G=85", "-Q=Q7 B 1"}, "FF", 3},
         "1212121212121212RRRRR",
         0},
        {"a plain writer's same head after the claim: told taken, its text kept",
         {{q1, q9}, "TP", 0},
         "111111RRRRRPPP1111RRRRR",
         1},
    };
    for (const auto& row : rows) {
        CWorld w = Start(row.setup);
        std::string order = std::string(row.order) + std::string(64, '*');
        for (char c : order) {
            const std::vector<int> moves = Moves(w, row.setup);
            const int n = c == 'R' ? kActors : c - '1';
            if (c == 'P')
                w = Step(w, row.setup, int(strchr(row.setup.kinds, 'P') - row.setup.kinds));
            else if (c == '*' && !moves.empty())
                w = Step(w, row.setup, moves.front());
            else if (std::find(moves.begin(), moves.end(), n) != moves.end())
                w = Step(w, row.setup, n);
            EXPECT_EQ(Broken(w, row.setup, Moves(w, row.setup).empty()), "") << row.name;
        }
        const int nPlain =
            HasPlain(row.setup) ? int(strchr(row.setup.kinds, 'P') - row.setup.kinds) : 0;
        EXPECT_EQ(nPlain > 0 ? w.runs[nPlain] : 0, row.plainRuns) << row.name;
    }
}

} // namespace
