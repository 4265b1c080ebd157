// Nothing lost under load: overlapping senders, the start-up gap, a dying viewer, hostile input.
#include <future>
#include <set>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// Every record line well-formed, and its ids, in file order.
std::vector<std::string> RecordedIds(const std::string& quiz)
{
    static const std::regex record("^\"C101\",\"STUDENT ONE\",\"\\d\\d/\\d\\d/\\d{4}\","
                                   "\"\\d\\d:\\d\\d:\\d\\d\",\"([!-\x7f]+)\",[A-D],[01]$");
    std::vector<std::string> ids;
    std::vector<std::string> lines = Lines(quiz);
    for (size_t i = 1; i < lines.size(); ++i) {
        std::smatch m;
        ids.push_back(std::regex_match(lines[i], m, record) ? m[1].str() : "<malformed>");
    }
    return ids;
}

class Load : public Lesson {};

TEST_F(Load, FiftyAnswersLaunchedAtOnceAreAllRecordedOnce)
{
    Child lesson = Start();
    std::vector<Child> senders;
    for (int i = 1; i <= 50; ++i)
        senders.push_back(Launch("-Q=A" + std::to_string(i) + " b 1"));
    for (size_t i = 0; i < senders.size(); ++i)
        EXPECT_EQ(senders[i].Wait(60000), 0u) << "sender " << i + 1;
    Send("-S=P");
    ExpectEnded(lesson);

    std::string quiz = Quiz();
    EXPECT_EQ(quiz.substr(0, kHeader.size()), kHeader);
    std::vector<std::string> ids = RecordedIds(quiz);
    EXPECT_EQ(ids.size(), 50u);
    std::set<std::string> unique(ids.begin(), ids.end());
    EXPECT_EQ(unique.size(), 50u) << "an answer was doubled or lost";
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(unique.count("A" + std::to_string(i)), 1u) << "A" << i;
}

TEST_F(Load, CommandsLaunchedRightAfterTheFirstLaunchArrive)
{
    // The later launches start before the show, even before the frame, is up.
    Child lesson = Launch(m_show);
    Child answer = Launch("-Q=Q0 c 1");
    EXPECT_EQ(answer.Wait(30000), 0u);
    Child finish = Launch("-S=P -G=1");
    EXPECT_EQ(finish.Wait(30000), 0u);
    ExpectEnded(lesson);
    EXPECT_EQ(RecordedIds(Quiz()), std::vector<std::string>{"Q0"});
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(Result("score"), "1");
}

TEST_F(Load, AKilledViewerEndsTheLessonIncomplete)
{
    Child lesson = Start();
    Send("-Q=Q1 a 1");
    KillAll("quelmar.exe");
    // A viewer that is gone cannot refuse to quit: nothing to report.
    Box box = DismissBox(1000);
    EXPECT_FALSE(box.found) << box.text;
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), "I,S");
    EXPECT_EQ(Lines(Quiz()).size(), 2u);
}

TEST_F(Load, AFailedRecordFinishesOnceWithoutTouchingTheBlock)
{
    struct Row {
        const char* name;
        const char* finish; // sent while the recorder's box is up; NULL: the box is dismissed
        const char* status;
        const char* score;
    } rows[] = {
        {"a finish sent while the box is up wins", "-S=P -G=85", "P", "85"},
        {"the box dismissed: the lesson's own finish", NULL, "I,S", "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_quiz.c_str());
        Child lesson = Start();
        // Keeps the block alive past the lesson, to see what it was left holding.
        HANDLE hBlock = OpenFileMappingA(FILE_MAP_READ, FALSE, kCommandBlockName);
        ASSERT_NE(hBlock, nullptr);
        Send("-Q=Q1 a 1");
        // The sender ends once its text is taken; the record follows the designed wait.
        for (int i = 0; i < 200 && Lines(Quiz()).size() < 2; ++i)
            Sleep(10);
        Child holder = HoldFile(m_quiz);
        Child failing = Launch("-Q=Q2 b 1");
        HWND hBox = FindBox(20000);
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(BoxText(hBox), "Cant Update Quiz file");
        if (row.finish != NULL) {
            // The box bears the title too; the hand-over must still find the frame.
            Send(row.finish);
        } else {
            PressOk(hBox);
        }
        EXPECT_EQ(lesson.Wait(20000), 0u) << "the lesson did not end";
        holder.Kill();
        EXPECT_EQ(failing.Wait(20000), 0u);
        EXPECT_EQ(Result("lesson_status"), row.status);
        EXPECT_EQ(Result("score"), row.score);
        EXPECT_EQ(BlockText(), row.finish ? row.finish : "-Q=Q2 b 1");
        CloseHandle(hBlock);
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000));
        EXPECT_EQ(MacroValue(), 1u);
    }
}

TEST_F(Load, AnswersDuringASlowOpenAreTakenAtOnceAndRunInOrder)
{
    WriteWholeFile(m_show, "#quelmar open-delay 12000\r\nSlide\r\n");
    Child lesson = Launch(m_show);
    for (int i = 1; i <= 5; ++i)
        Send("-Q=S" + std::to_string(i) + " a 1");
    EXPECT_EQ(FindWindowA(kShowWindowClass, NULL), nullptr)
        << "the senders waited for the viewer's open call";
    EXPECT_EQ(Quiz(), "<missing>") << "an answer ran during the open call";
    for (int i = 0; i < 1000 && FindWindowA(kShowWindowClass, NULL) == NULL; ++i)
        Sleep(20);
    Send("-S=P -G=5");
    ExpectEnded(lesson);
    EXPECT_EQ(RecordedIds(Quiz()), (std::vector<std::string>{"S1", "S2", "S3", "S4", "S5"}));
    EXPECT_EQ(Result("score"), "5");
}

TEST_F(Load, HostileTextsAreRefusedAndLoseNothing)
{
    Child lesson = Start();
    // Over 255 characters nothing is handed over: a cut answer would read as wrong.
    Send("-Q=" + std::string(250, 'i') + " B 1", 1);
    Send("-Q=" + std::string(293, 'j') + " B 1", 1);
    Send("-Q=" + std::string(252, 'x') + std::string(3745, ' ') + "b 1", 1);
    // 255 characters exactly: recorded whole.
    const std::string id248(248, 'y');
    Send("-Q=" + id248 + " c 1");
    // Control bytes and bytes above 0x7F end the id as blanks do.
    Send("-Q=ok\x01z d 0");
    Send("-Q=\x7f\xe9\xff"
         "a\xa0"
         "A\x1f"
         "1");
    // A score the finish's 127 characters would cut is not written at all.
    Send("-S=P -G=" + std::string(200, '9'));
    ExpectEnded(lesson);
    EXPECT_EQ(RecordedIds(Quiz()), (std::vector<std::string>{id248, "\x7f"}));
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(Result("score"), "<none>");
}

TEST_F(Load, LongParameterValuesAreCutAndLoseNothingElse)
{
    // output_file longer than 259 is cut to 259; here it names a folder that does
    // not exist, so the finish shows the values it could not write.
    const std::string result = m_dir + "\\no such folder\\" + std::string(280, 'r');
    WriteParamFile("[core]\r\noutput_file=" + result + "\r\nstudent_name=" + std::string(300, 's') +
                   "\r\n[Evaluation]\r\nCourse_ID=C101\r\n"
                   "interaction_file=" +
                   m_quiz + "\r\n");
    Child lesson = Start();
    Send("-Q=Q1 a 1");
    auto finish = std::async(std::launch::async, [this] { Send("-S=P -G=5"); });
    Box box = DismissBox(20000);
    finish.get();
    EXPECT_EQ(box.text,
              "Cant write Result file:\n" + result.substr(0, 259) + "\n\nlesson_status=P\nscore=5");
    ExpectEnded(lesson);
    std::vector<std::string> lines = Lines(Quiz());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(",\"" + std::string(259, 's') + "\","), std::string::npos);
    EXPECT_EQ(lines[1].find(std::string(260, 's')), std::string::npos);
}

// Double-clicks and CMI systems that launch twice: first launches let go together.
class DoubleLaunch : public Lesson {
protected:
    std::vector<Child> LetGo(int count, const std::string& tail)
    {
        std::vector<Child> launches(count);
        const std::string line = "\"" + BinPath("tarnskov.exe") + "\" " + tail;
        for (Child& launch : launches)
            EXPECT_TRUE(launch.Start(line, NULL, true));
        for (Child& launch : launches)
            launch.Resume();
        return launches;
    }
};

TEST_F(DoubleLaunch, FirstLaunchesLetGoTogetherStartExactlyOneLesson)
{
    for (int count : {4, 10}) {
        SCOPED_TRACE(count);
        SetMacroProtection(5);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_quiz.c_str());
        std::vector<Child> launches = LetGo(count, m_show);
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
        ExpectEnded(launches[0], 5);
        EXPECT_EQ(RecordedIds(Quiz()), std::vector<std::string>{"D1"});
        EXPECT_EQ(Result("lesson_status"), "P");
        EXPECT_EQ(Result("score"), "50");
        EXPECT_EQ(CountProcesses("tarnskov.exe"), 0u);
    }
}

TEST_F(DoubleLaunch, AFirstLaunchDuringALessonStartsNothing)
{
    Child lesson = Start();
    Child again = Launch(m_show);
    EXPECT_EQ(again.Wait(20000), 0u);
    EXPECT_EQ(CountProcesses("quelmar.exe"), 1u);
    EXPECT_EQ(MacroValue(), 0u);
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), "P");
}

TEST_F(DoubleLaunch, AFirstLaunchStillStartingKeepsTheNextOneOut)
{
    // The first launch's refusal comes before its frame: the second finds no lesson.
    DeleteParamFile();
    SetMacroProtection(5);
    Child first = Launch(m_show);
    HWND hBox = FindBox(20000);
    ASSERT_NE(hBox, nullptr);
    Child second = Launch(m_show);
    EXPECT_EQ(second.Wait(20000), 5u);
    EXPECT_EQ(MacroValue(), 0u);
    EXPECT_EQ(FindWindowA("#32770", "TARNSKOV"), hBox) << "the second launch showed a box";
    PressOk(hBox);
    EXPECT_EQ(first.Wait(20000), 0u);
    EXPECT_EQ(MacroValue(), 5u);

    // A launch killed while it holds the lesson does not block the next one.
    Child killed = Launch(m_show);
    ASSERT_NE(FindBox(20000), nullptr);
    killed.Kill();
    SetUp();
    SetMacroProtection(5);
    Child lesson = Start();
    EXPECT_NE(FindWindowA(kShowWindowClass, NULL), nullptr)
        << "the next first launch did not start";
    Send("-S=P");
    ExpectEnded(lesson, 5);
}

} // namespace
