// The claim on the command block explored: two senders taking turns and a receiver making three
// claims run the shipped steps, interleaved in every order.
#include "channel/command_claim.h"
#include "channel/command_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

const size_t kTail = kCommandBlockSize - kHeadSize;

// The block, the actors and what became of them; copied whole at each branch.
struct CWorld : CBlockAccess {
    CWorld(const char* pszFirst, const char* pszSecond, int nFirstWaits, int nSecondWaits)
        : texts{pszFirst, pszSecond}, senders{CBlockSender(pszFirst), CBlockSender(pszSecond)},
          waits{nFirstWaits, nSecondWaits}
    {
    }
    int32_t CompareExchangeHead(int32_t lNew, int32_t lExpected) override
    {
        int32_t lOld;
        memcpy(&lOld, block, kHeadSize);
        if (lOld == lExpected)
            memcpy(block, &lNew, kHeadSize);
        return lOld;
    }
    void WriteTail(const char* pszTail) override
    {
        CopyCommandText(block + kHeadSize, kTail, pszTail, kTail);
    }
    void ReadTail(char* pBuffer) override { memcpy(pBuffer, block + kHeadSize, kTail); }
    void Notify() override {}
    bool Wait() override { return waits[nActor]-- > 0; } // a sender waits so often, then gives up

    const char* texts[2];
    char block[kCommandBlockSize] = {}, text[kCommandBlockSize] = {};
    CBlockSender senders[2];
    CBlockReceiver receiver;
    bool done[3] = {};
    int waits[2], nActor = 0, nClaims = 0;
    std::string ran, path;
};

// Every interleaving from the world on, each checked at its end; how many there were.
uint64_t Explore(const CWorld& world)
{
    uint64_t nWays = 0;
    // The second sender's turn comes once the first has decided.
    for (int n = 0; n < 3 && !testing::Test::HasFailure(); ++n) {
        if (world.done[n] || (n == 1 && !world.done[0]))
            continue;
        CWorld next = world;
        next.nActor = n;
        next.path += "12R"[n];
        if (n < 2) {
            next.done[n] = !next.senders[n].Step(next);
        } else if (!next.receiver.Step(next, next.text)) {
            next.ran += next.receiver.HasText() ? std::string(" ") + next.text : "";
            next.receiver = CBlockReceiver();
            next.done[2] = ++next.nClaims == 3;
        }
        nWays += Explore(next);
    }
    if (nWays > 0 || testing::Test::HasFailure())
        return nWays;
    // In turn order, the texts whose senders were told taken, each once, and no other.
    std::string expected;
    for (int n = 0; n < 2; ++n)
        expected +=
            world.senders[n].Result() == EXIT_TAKEN ? std::string(" ") + world.texts[n] : "";
    EXPECT_EQ(world.ran, expected) << "told " << world.senders[0].Result() << " and "
                                   << world.senders[1].Result() << " after steps " << world.path;
    return 1;
}

TEST(CommandClaim, EachTextRunsOnceExactlyWhenItsSenderIsToldSo)
{
    // Every answer's head is "-Q=Q": a stale compare-exchange can meet the next text's.
    const char *q1 = "-Q=Q1 a 1", *q2 = "-Q=Q2 b 1";
    const uint64_t nWays = Explore(CWorld(q1, q2, 0, 1)) + Explore(CWorld(q1, q2, 2, 0)) +
                           Explore(CWorld(q1, q2, 2, 2)) + Explore(CWorld("-R", "-S=P", 1, 1));
    printf("explored %llu interleavings\n", static_cast<unsigned long long>(nWays));
    EXPECT_GT(nWays, 1000u);
}

} // namespace
