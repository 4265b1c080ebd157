// The bridge's decisions: how long PowerPoint's rejections are tried, how a failure is answered,
// what the quit may end.
#include "bridge_policy.h"

#include <gtest/gtest.h>

namespace {

// Tried every 100 ms while the next try stays inside the limit; nothing else is tried again.
TEST(BridgePolicy, RetriesRejectionsInsideTheLimit)
{
    for (int32_t hr : {kHrCallRejected, kHrRetryLater}) {
        EXPECT_EQ(RetryDelayMs(hr, 0, 4000), 100);
        EXPECT_EQ(RetryDelayMs(hr, 3900, 4000), 100);
        EXPECT_EQ(RetryDelayMs(hr, 3901, 4000), -1);
        EXPECT_EQ(RetryDelayMs(hr, 5000, 4000), -1);
    }
    EXPECT_EQ(RetryDelayMs(kHrDispException, 0, 4000), -1);
    EXPECT_EQ(RetryDelayMs(kHrDisconnected, 0, 4000), -1);
    // The launcher ends a quit after 10 s; the open outlasts a PowerPoint busy for 2 s.
    EXPECT_LE(RetryLimitMs(kBridgeQuit), 5000u);
    EXPECT_GE(RetryLimitMs(kBridgeOpen), 2000u + 100u);
    EXPECT_GT(RetryLimitMs(kBridgeRestart), 0u);
}

// Every code the launcher reads as "viewer gone" goes back as it came, raised or not; a rejection
// past the limit goes back bare; anything else is raised with PowerPoint's reason.
TEST(BridgePolicy, AnswersAsTheViewerWould)
{
    const uint32_t gone[] = {0x800706BA, 0x800706BE, 0x80010108,
                             0x80010007, 0x80010012, 0x800401FD};
    for (uint32_t code : gone) {
        int32_t hr = static_cast<int32_t>(code);
        EXPECT_TRUE(IsPowerPointGone(hr));
        for (CBridgeAnswer answer : {AnswerFailure(hr, 0), AnswerFailure(kHrDispException, hr)}) {
            EXPECT_EQ(answer.m_hr, hr);
            EXPECT_FALSE(answer.m_bRaise);
        }
    }
    for (int32_t hr : {kHrCallRejected, kHrRetryLater})
        EXPECT_EQ(AnswerFailure(hr, 0).m_hr, hr);
    const int32_t raised[][2] = {{kHrDispException, static_cast<int32_t>(0x80004005)},
                                 {static_cast<int32_t>(0x80020006), 0},
                                 {static_cast<int32_t>(0x80040154), 0}};
    for (const auto& failure : raised) {
        CBridgeAnswer answer = AnswerFailure(failure[0], failure[1]);
        EXPECT_EQ(answer.m_hr, kHrDispException);
        EXPECT_TRUE(answer.m_bRaise);
    }
}

// The student's own presentation and PowerPoint stay.
TEST(BridgePolicy, EndsOnlyWhatTheLessonStarted)
{
    const std::vector<std::string> before = {"C:\\Users\\s\\Notes.pptx", "C:\\Lessons\\One.ppt"};
    EXPECT_TRUE(ShouldClosePresentation({}, "C:\\Lessons\\One.ppt"));
    EXPECT_TRUE(ShouldClosePresentation(before, "C:\\Lessons\\Two.ppt"));
    EXPECT_FALSE(ShouldClosePresentation(before, "c:\\LESSONS\\one.PPT"));
    EXPECT_TRUE(ShouldQuitPowerPoint(true, 0));
    EXPECT_FALSE(ShouldQuitPowerPoint(true, 1));
    EXPECT_FALSE(ShouldQuitPowerPoint(false, 0));
}

} // namespace
