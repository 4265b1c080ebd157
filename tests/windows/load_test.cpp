// Nothing lost under load: senders at once, the start-up gap, double launches.
#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

TEST_F(Lesson, FiftyAnswersLaunchedAtOnceAreAllRecordedOnceInAnyOrder)
{
    Child lesson = Start();
    std::vector<Child> senders;
    std::vector<std::string> expected;
    for (int i = 1; i <= 50; ++i) {
        senders.push_back(Launch("-Q=A" + std::to_string(i) + " b 1"));
        expected.push_back("A" + std::to_string(i) + ",B,1");
    }
    for (Child& sender : senders)
        EXPECT_EQ(sender.Wait(60000), 0u);
    Send("-S=P");
    ExpectEnded(lesson);
    std::vector<std::string> records = Records();
    std::sort(records.begin(), records.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(records, expected);
}

TEST_F(Lesson, CommandsLaunchedRightAfterTheFirstLaunchArrive)
{
    // The later launches start before the show, even before the frame, is up.
    Child lesson = Launch(m_show);
    Send("-Q=Q0 c 1");
    Send("-S=P -G=1");
    ExpectEnded(lesson);
    EXPECT_EQ(Records(), std::vector<std::string>{"Q0,C,1"});
    EXPECT_EQ(Result("score"), "1");
}

// Double-clicks and CMI systems that launch twice: first launches let go together.
TEST_F(Lesson, FirstLaunchesLetGoTogetherStartExactlyOneLesson)
{
    SetMacroProtection(5);
    std::vector<Child> launches(10);
    for (Child& launch : launches)
        EXPECT_TRUE(launch.Start("\"" + BinPath("tarnskov.exe") + "\" " + m_show, NULL, true));
    for (Child& launch : launches)
        launch.Resume();
    for (int i = 0; i < 1000 && FindWindowA(kShowWindowClass, NULL) == NULL; ++i)
        Sleep(20);
    // All but the lesson hand their path over to it and end.
    for (int i = 0; i < 500 && CountProcesses("tarnskov.exe") > 1; ++i)
        Sleep(20);
    EXPECT_EQ(CountProcesses("tarnskov.exe"), 1u);
    EXPECT_EQ(CountProcesses("quelmar.exe"), 1u);
    EXPECT_EQ(FindBox(0), nullptr);
    Send("-Q=D1 A 1");
    Send("-S=P -G=50");
    for (Child& launch : launches)
        EXPECT_EQ(launch.Wait(20000), 0u);
    EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000));
    EXPECT_EQ(MacroValue(), 5u);
    EXPECT_EQ(Records(), std::vector<std::string>{"D1,A,1"});
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(Result("score"), "50");
}

TEST_F(Lesson, AFirstLaunchStillStartingKeepsTheNextOneOutAndAKilledOneNobody)
{
    // The first launch's refusal comes before its frame: the second finds no lesson.
    DeleteParamFile();
    SetMacroProtection(5);
    Child first = Launch(m_show);
    HWND hBox = FindBox(20000);
    EXPECT_EQ(Launch(m_show).Wait(20000), 5u);
    EXPECT_EQ(MacroValue(), 0u);
    EXPECT_EQ(FindWindowA("#32770", "TARNSKOV"), hBox) << "the second launch showed a box";
    PressOk(hBox);
    EXPECT_EQ(first.Wait(20000), 0u);
    EXPECT_EQ(MacroValue(), 5u);

    Child killed = Launch(m_show);
    FindBox(20000);
    killed.Kill(); // with the option off and its crash record written
    WriteParams();
    Child lesson = Start();
    Child again = Launch(m_show); // during the lesson: starts nothing, changes nothing
    EXPECT_EQ(again.Wait(20000), 0u);
    EXPECT_EQ(CountProcesses("quelmar.exe"), 1u);
    Send("-S=P");
    ExpectEnded(lesson, 5);
    EXPECT_EQ(Result("lesson_status"), "P");
}

// A stranger's window titled like the lesson, while the first launch has not yet made its frame:
// the answer still reaches the lesson.
TEST_F(Lesson, AnAnswerInTheStartUpGapReachesTheLessonNotAStrangersWindow)
{
    const std::string log = LogOn();
    HelperWindow folder("CabinetWClass", "tarnskov", true);
    Child lesson;
    ASSERT_TRUE(lesson.Start("\"" + BinPath("tarnskov.exe") + "\" " + m_show, NULL, true));
    Child sender = Launch("-Q=G1 a 1");
    std::string text;
    for (DWORD start = GetTickCount();
         (!ReadWholeFile(log, &text) ||
          text.find("found by its title alone") == std::string::npos) &&
         GetTickCount() - start < 10000;)
        Sleep(10);
    ASSERT_NE(text.find("found by its title alone"), std::string::npos);
    lesson.Resume();
    EXPECT_EQ(sender.Wait(30000), 0u);
    for (int i = 0; i < 1000 && FindWindowA(kShowWindowClass, NULL) == NULL; ++i)
        Sleep(20);
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(Records(), std::vector<std::string>{"G1,A,1"});
    EXPECT_EQ(folder.Commands(), 0);
}

} // namespace
