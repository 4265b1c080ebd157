// Nothing lost in the start-up gap, or to double launches.
#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// Double-clicks and CMI systems that launch twice: first launches let go together.
TEST_F(Lesson, FirstLaunchesLetGoTogetherStartExactlyOneLesson)
{
    SetMacroProtection(5);
    std::vector<Child> launches(10);
    for (Child& launch : launches)
        launch = Launch(m_show, NULL, true);
    for (Child& launch : launches)
        launch.Resume();
    WaitFor([] { return FindWindowA(kShowWindowClass, NULL) != NULL; }, 20000);
    // All but the lesson hand their path over to it and end.
    WaitFor([] { return CountProcesses("tarnskov.exe") <= 1; }, 10000);
    EXPECT_EQ(CountProcesses("tarnskov.exe"), 1u);
    EXPECT_EQ(CountProcesses("quelmar.exe"), 1u);
    EXPECT_EQ(FindBox(0), nullptr);
    Send("-Q=D1 A 1");
    Send("-S=P -G=50");
    for (Child& launch : launches)
        ExpectEnded(launch, 5);
    EXPECT_EQ(Records(), std::vector<std::string>{"D1,A,1"});
    ExpectResult("P", "50");
}

TEST_F(Lesson, AFirstLaunchStillStartingKeepsTheNextOneOutAndAKilledOneNobody)
{
    // The first launch's refusal comes before its frame: the second finds no lesson.
    DeleteParamFile();
    SetMacroProtection(5);
    Child first = Launch(m_show);
    HWND hBox = FindBox(20000);
    Send(m_show, 5);
    EXPECT_EQ(MacroValue(), 0u);
    EXPECT_EQ(FindWindowA("#32770", "TARNSKOV"), hBox) << "the second launch showed a box";
    PressOk(hBox);
    ExpectEnded(first, 5);

    Child killed = Launch(m_show);
    FindBox(20000);
    killed.Kill(); // with the option off and its crash record written
    WriteParams();
    Child lesson = Start();
    Send(m_show); // during the lesson: starts nothing, changes nothing
    EXPECT_EQ(CountProcesses("quelmar.exe"), 1u);
    Send("-S=P");
    ExpectEnded(lesson, 5);
    EXPECT_EQ(Result("lesson_status"), "P");
}

// A stranger's window titled like the lesson (an Explorer folder, say) neither keeps the lesson
// from starting nor takes an answer sent while the first launch has not yet made its frame.
TEST_F(Lesson, AnAnswerInTheStartUpGapReachesTheLessonNotAStrangersWindow)
{
    LogOn();
    HelperWindow folder("CabinetWClass", "tarnskov", true);
    Child lesson = Launch(m_show, NULL, true), sender = Launch("-Q=G1 a 1");
    // The sender has found the window and waits for a block: only then may the lesson start.
    ASSERT_TRUE(AwaitLogged({"handover"}, sender.Pid()));
    lesson.Resume();
    EXPECT_EQ(sender.Wait(30000), 0u);
    WaitFor([] { return FindWindowA(kShowWindowClass, NULL) != NULL; }, 20000);
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(Records(), std::vector<std::string>{"G1,A,1"});
    EXPECT_EQ(folder.Commands(), 0);
}

} // namespace
