// The claim explored: two senders, with or without the "taken" event, and a plain writer of 1.1
// run the shipped steps interleaved with each other and with the receiver at every operation on
// the block, the turn or the event; the rules checked after every step.
#include "channel/command_claim.h"
#include "channel/command_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <new>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

const int kActors = 3, kReceiver = kActors; // up to three writers, and the receiver

// A writer is 'T' (a sender with the event), 'F' (one without it) or 'P' (a plain writer of 1.1:
// its head, then its tail, stored plainly, then its notice).
struct CSetup {
    const char* texts[kActors];
    const char* kinds;
    int waits; // how often each sender waits before it gives up
    int Plain() const { return strchr(kinds, 'P') ? int(strchr(kinds, 'P') - kinds) : -1; }
};

// The block, the actors and what became of them: bytes alone, made on zeroed bytes, so that
// equal states merge.
struct CWorld {
    char block[24]; // the texts are short: the rest of the 256 bytes stays zero
    char text[kCommandBlockSize];
    char waits[kActors], runs[kActors], plainStep, turn, notices, stale, actor, done;
    bool taken, claiming, mixed;
    // Who wrote the head and the tail (a writer's number + 1, or 0), and those the copy took.
    char headBy, tailBy, copiedHeadBy, copiedTailBy;
    alignas(CBlockSender) unsigned char sender[kActors][sizeof(CBlockSender)];
    alignas(CBlockReceiver) unsigned char receiver[sizeof(CBlockReceiver)];
    CBlockSender& Sender(int n) { return *reinterpret_cast<CBlockSender*>(sender[n]); }
    CBlockReceiver& Receiver() { return *reinterpret_cast<CBlockReceiver*>(receiver); }
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
        CopyCommandText(w.block + kHeadSize, sizeof w.block - kHeadSize, pszTail, kCommandTextMax);
        w.tailBy = char(w.actor + 1);
    }
    void ReadTail(char* pBuffer) override
    {
        memcpy(pBuffer, w.block + kHeadSize, sizeof w.block - kHeadSize);
        w.copiedTailBy = w.tailBy;
    }
    bool TakeTurn() override { return w.turn == 0 && (w.turn = char(w.actor + 1)); }
    void GiveTurnBack() override { w.turn = 0; }
    void SetTaken() override { w.taken = true; }
    void ResetTaken() override { w.taken = false; }
    bool IsTaken() override { return w.taken; }
    void Notify() override { ++w.notices; }
    bool Wait() override { return w.waits[int(w.actor)]-- > 0; }
    CWorld& w;
};

// The rules, after every step; at the end also that a sender told 0 has its text run. What a
// plain writer can still cause is exactly what channel.h says of it.
std::string Broken(CWorld w, const CSetup& s, bool bEnd)
{
    if (w.mixed)
        return "a text runs that no sender sent whole";
    for (int n = 0; s.kinds[n]; ++n) {
        const bool bDecided = s.kinds[n] != 'P' && (w.done >> n & 1);
        // Without the event a sender cannot tell: the next one without it may overwrite its text.
        const bool bOverwritable =
            s.Plain() >= 0 || (s.kinds[n] == 'F' && strchr(s.kinds, 'F') != strrchr(s.kinds, 'F'));
        if (s.kinds[n] != 'P' && w.runs[n] > 1)
            return std::string(s.texts[n]) + " ran twice";
        if (bDecided && w.Sender(n).Result() != EXIT_TAKEN && w.runs[n] > 0)
            return std::string(s.texts[n]) + " ran, its sender told " +
                   std::to_string(w.Sender(n).Result());
        if (bEnd && bDecided && w.Sender(n).Result() == EXIT_TAKEN && w.runs[n] == 0 &&
            !bOverwritable)
            return std::string(s.texts[n]) + " told taken, never ran";
    }
    return "";
}

// A claim done: the text ran, whole from one writer, or joined from two, which only a plain
// writer's head or tail may cause. Two texts with the same head cannot pass for each other.
void Ran(CWorld& w, const CSetup& s)
{
    const int nHead = w.copiedHeadBy - 1, nTail = w.copiedTailBy - 1;
    if (nHead >= 0 && nTail == nHead && strcmp(w.text, s.texts[nHead]) == 0)
        ++w.runs[nHead];
    else
        w.mixed |= (nHead < 0 || s.kinds[nHead] != 'P') && (nTail < 0 || s.kinds[nTail] != 'P');
}

// The actors that can step now: writers not done, the receiver in a claim or with a notice to
// claim for (or its one stale claim).
std::vector<int> Moves(const CWorld& w, const CSetup& s)
{
    std::vector<int> moves;
    for (int n = 0; s.kinds[n]; ++n)
        if (!(w.done >> n & 1))
            moves.push_back(n);
    if (w.claiming || w.notices > 0 || w.stale > 0)
        moves.push_back(kReceiver);
    return moves;
}

CWorld Step(const CWorld& from, const CSetup& s, int n)
{
    CWorld w;
    memcpy(&w, &from, sizeof w);
    CAccess access(w);
    w.actor = char(n);
    if (n < kReceiver && s.kinds[n] == 'P') {
        if (w.plainStep == 0)
            memcpy(w.block, s.texts[n], kHeadSize), w.headBy = char(n + 1);
        else if (w.plainStep == 1)
            access.WriteTail(s.texts[n] + kHeadSize);
        else
            ++w.notices, w.done |= char(1 << n);
        ++w.plainStep;
    } else if (n < kReceiver) {
        w.done |= char(!w.Sender(n).Step(access) << n);
    } else {
        if (!w.claiming)
            w.notices > 0 ? --w.notices : --w.stale, w.claiming = true;
        if (!w.Receiver().Step(access, w.text)) {
            if (w.Receiver().HasText())
                Ran(w, s);
            memset(w.receiver, 0, sizeof w.receiver), memset(w.text, 0, sizeof w.text);
            new (w.receiver) CBlockReceiver, w.claiming = false;
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
    for (int n = 0; s.kinds[n]; ++n)
        new (w.sender[n]) CBlockSender(s.texts[n], s.kinds[n] == 'T'), w.waits[n] = char(s.waits);
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
        if (!err.empty())
            return ADD_FAILURE() << s.kinds << ": " << err, states.size();
        for (int n : moves) {
            const CWorld next = Step(states[i], s, n);
            if (seen.insert(key(next)).second)
                states.push_back(next);
        }
    }
    return states.size();
}

// Every answer's head is "-Q=Q": a stale compare-exchange can meet the next text's.
const char *q1 = "-Q=Q1 a 1", *q2 = "-Q=Q2 b 1", *q9 = "-Q=Q9 c 1";
const char *sp = "-S=P -G=85", *q7 = "-Q=Q7 B 1";

TEST(CommandClaim, NoTextMixesRunsTwiceOrRunsAgainstWhatItsSenderWasTold)
{
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
// can ('R' the receiver), then every actor in order until all are done.
TEST(CommandClaim, InterleavingsFoundBefore)
{
    const struct {
        const char* name;
        CSetup setup;
        const char* order;
        int plainRuns; // how often the plain writer's text runs
    } rows[] = {
        {"two senders without the event mix no texts",
         {{sp, q7}, "FF", 3},
         "1212121212121212RRRRR",
         0},
        {"a plain writer's same head after the claim: told taken, its text kept",
         {{q1, q9}, "TP", 0},
         "111111RRRRRPPP1111RRRRR",
         1},
    };
    for (const auto& row : rows) {
        CWorld w = Start(row.setup);
        for (const char* c = row.order; !Moves(w, row.setup).empty(); c += *c != '\0') {
            const std::vector<int> moves = Moves(w, row.setup);
            const int n = *c == 'R' ? kReceiver : *c == 'P' ? row.setup.Plain() : *c - '1';
            if (*c == '\0' || std::count(moves.begin(), moves.end(), n))
                w = Step(w, row.setup, *c == '\0' ? moves.front() : n);
            EXPECT_EQ(Broken(w, row.setup, Moves(w, row.setup).empty()), "") << row.name;
        }
        EXPECT_EQ(row.setup.Plain() > 0 ? w.runs[row.setup.Plain()] : 0, row.plainRuns) << row.name;
    }
}

} // namespace
