// Whole lessons: tarnskov.exe and the stand-in viewer as real processes, through COM.
#include <gtest/gtest.h>

#include <future>
#include <regex>

#include "testkit.h"

using namespace testkit;

namespace {

const std::string kHeader =
    "\"course_id\",\"student_id\",\"date\",\"time\",\"interaction_id\",\"student_response\","
    "\"correct_response\"\r\n";

DWORD MacroValue()
{
    DWORD type = 0, value = 0;
    return GetMacroProtection(&type, &value) && type == REG_DWORD ? value : 0xDEADBEEF;
}

// The lines of a file, each without its CR LF.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A record with its date and time, which the clock decides, checked for their
// shape and replaced by D and T.
std::string WithoutClock(const std::string& line)
{
    static const std::regex record("^(\"[^\"]*\",\"[^\"]*\",)\"\\d\\d/\\d\\d/\\d{4}\","
                                   "\"\\d\\d:\\d\\d:\\d\\d\"(,.*)$");
    std::smatch m;
    if (!std::regex_match(line, m, record))
        return "<malformed: " + line + ">";
    return m[1].str() + "\"D\",\"T\"" + m[2].str();
}

class Lesson : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterViewer()) << "quelmar.exe /RegServer failed"; }

    void SetUp() override
    {
        KillAll("tarnskov.exe");
        KillAll("quelmar.exe");
        SetMacroProtection(1);
        m_dir = FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        m_show = m_dir + "\\lesson.ppt";
        m_result = m_dir + "\\result.ini";
        m_quiz = m_dir + "\\quiz.csv";
        WriteWholeFile(m_show, "Welcome\r\nQuestion 7\r\nThe end\r\n");
        WriteParamFile("[core]\r\noutput_file=" + m_result +
                       "\r\nstudent_name=STUDENT ONE\r\n[Evaluation]\r\nCourse_ID=C101\r\n"
                       "interaction_file=" + m_quiz + "\r\n");
    }
    void TearDown() override
    {
        KillAll("tarnskov.exe");
        KillAll("quelmar.exe");
    }
    // The first launch; returns once the show's window is up.
    Child Start(const std::string& tail, const char* workingDir = NULL)
    {
        Child child = Launch(tail, workingDir);
        DWORD start = GetTickCount();
        while (FindWindowA("screenClass", NULL) == NULL && GetTickCount() - start < 20000 &&
               child.Running())
            Sleep(20);
        return child;
    }
    Child Start() { return Start(m_show); }
    void Send(const std::string& command) { EXPECT_EQ(Launch(command).Wait(30000), 0u) << command; }
    void ExpectEnded(Child& lesson)
    {
        EXPECT_EQ(lesson.Wait(20000), 0u);
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000)) << "the viewer outlived the lesson";
        EXPECT_EQ(MacroValue(), 1u);
    }
    std::string Result(const char* key)
    {
        char sz[256];
        GetPrivateProfileStringA("core", key, "<none>", sz, sizeof(sz), m_result.c_str());
        return sz;
    }
    std::string Quiz()
    {
        std::string s;
        return ReadWholeFile(m_quiz, &s) ? s : "<missing>";
    }
    std::string m_dir, m_show, m_result, m_quiz;
};

TEST_F(Lesson, TheRoadOfATypicalLesson)
{
    Child lesson = Start();
    ASSERT_TRUE(lesson.Running());
    EXPECT_EQ(MacroValue(), 0u);
    Send("-Q=Q1 a 1");
    Send("-q=Q2 C 0");
    Send("-Q=Q3   d");
    Send("-S=P -G=85");
    ExpectEnded(lesson);

    std::vector<std::string> lines = Lines(Quiz());
    ASSERT_EQ(lines.size(), 4u) << Quiz();
    EXPECT_EQ(lines[0] + "\r\n", kHeader);
    EXPECT_EQ(WithoutClock(lines[1]), "\"C101\",\"STUDENT ONE\",\"D\",\"T\",\"Q1\",A,1");
    EXPECT_EQ(WithoutClock(lines[2]), "\"C101\",\"STUDENT ONE\",\"D\",\"T\",\"Q2\",C,0");
    EXPECT_EQ(WithoutClock(lines[3]), "\"C101\",\"STUDENT ONE\",\"D\",\"T\",\"Q3\",D,0");
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(Result("score"), "85");
}

TEST_F(Lesson, ClosingTheShowFinishesIncompleteAndKeepsOtherResults)
{
    WriteWholeFile(m_result, "[other]\r\nkept=yes\r\n[core]\r\nscore=10\r\n");
    Child lesson = Start();
    HWND hShow = FindWindowA("screenClass", NULL);
    ASSERT_NE(hShow, nullptr);
    PostMessageA(hShow, WM_CLOSE, 0, 0);
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), "I,S");
    EXPECT_EQ(Result("score"), "10");
    char sz[16];
    GetPrivateProfileStringA("other", "kept", "", sz, sizeof(sz), m_result.c_str());
    EXPECT_STREQ(sz, "yes");
}

TEST_F(Lesson, FinishTextsWriteWhatTheirTokensSay)
{
    struct Row {
        const char* text;
        const char* status;
        const char* score;
    } rows[] = {
        {"-S=I,S", "I,S", "<none>"}, {"-G=85", "<none>", "85"},
        {"-S=F -S=P", "P", "<none>"}, {"-S=not attempted", "not", "<none>"},
        {"-G=-5", "<none>", "<none>"}, {"-SX5", "5", "<none>"},
        {"-s=P", "P", "<none>"}, {"-S", "<none>", "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        DeleteFileA(m_result.c_str());
        Child lesson = Start();
        Send(row.text);
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), row.status);
        EXPECT_EQ(Result("score"), row.score);
        if (std::string(row.status) == "<none>" && std::string(row.score) == "<none>") {
            EXPECT_EQ(GetFileAttributesA(m_result.c_str()), INVALID_FILE_ATTRIBUTES)
                << "a finish with nothing to write created the result file";
        }
    }
}

TEST_F(Lesson, CommandsAfterAFinishStillRun)
{
    Child lesson = Start();
    // Handed over together: whichever comes second arrives after the first finish began.
    auto status = std::async(std::launch::async, [this] { Send("-S=F"); });
    auto score = std::async(std::launch::async, [this] { Send("-G=9"); });
    auto answer = std::async(std::launch::async, [this] { Send("-Q=Q9 b 1"); });
    status.get();
    score.get();
    answer.get();
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), "F");
    EXPECT_EQ(Result("score"), "9");
    EXPECT_EQ(Lines(Quiz()).size(), 2u);
}

TEST_F(Lesson, RestartKeepsTheShowWindowAndTheLessonGoesOn)
{
    Child lesson = Start();
    HWND hShow = FindWindowA("screenClass", NULL);
    Send("-R");
    Sleep(300);
    EXPECT_TRUE(IsWindow(hShow));
    EXPECT_EQ(FindBox(0), nullptr);
    Send("-G=50");
    ExpectEnded(lesson);
    EXPECT_EQ(Result("score"), "50");
}

TEST_F(Lesson, APathOnTheCurrentDriveGetsItsLetterAndQuotesStay)
{
    // m_show is C:\...; the tail without "C:" is taken on the current drive.
    ASSERT_EQ(m_show.substr(0, 2), "C:");
    Child lesson = Start(m_show.substr(2), "C:\\");
    EXPECT_NE(FindWindowA("screenClass", m_show.c_str()), nullptr)
        << "the viewer did not receive " << m_show;
    Send("-S=P");
    ExpectEnded(lesson);

    Child quoted = Launch("\"" + m_show + "\"");
    Box box = DismissBox(20000);
    EXPECT_EQ(box.text, "Cant load file:\n\"" + m_show + "\"");
    ExpectEnded(quoted);
}

TEST_F(Lesson, ShowStartFailuresAreReportedAndTheLessonEnds)
{
    struct Row {
        const char* name;
        const char* directive; // first line of the presentation; NULL: file missing
        bool withPath;         // the message ends with the path
        const char* text;
    } rows[] = {
        {"presentation missing", NULL, true, "Cant load file:\n"},
        {"viewer refuses the file", "#quelmar open-fails", true, "Cant load file:\n"},
        {"viewer gives no show", "#quelmar null-show", true, "Cant load file:\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(m_show.c_str());
        if (row.directive)
            WriteWholeFile(m_show, std::string(row.directive) + "\r\nSlide\r\n");
        Child lesson = Launch(m_show);
        Box box = DismissBox(20000);
        EXPECT_EQ(box.text, std::string(row.text) + (row.withPath ? m_show : ""));
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), "<none>");
    }
}

TEST_F(Lesson, NoShowWindowFinishesAtOnceIncomplete)
{
    WriteWholeFile(m_show, "#quelmar no-window\r\nSlide\r\n");
    Child lesson = Launch(m_show);
    ExpectEnded(lesson);
    EXPECT_EQ(FindBox(0), nullptr);
    EXPECT_EQ(Result("lesson_status"), "I,S");
    EXPECT_EQ(Result("score"), "<none>");
}

TEST_F(Lesson, ABlockNameTakenByAnotherObjectCannotLaunchTheViewer)
{
    HANDLE hEvent = CreateEventA(NULL, TRUE, FALSE, "kelvand_block");
    ASSERT_NE(hEvent, nullptr);
    Child lesson = Launch(m_show);
    Box box = DismissBox(20000);
    CloseHandle(hEvent);
    EXPECT_EQ(box.text, "PPT Viewer cant be launched");
    ExpectEnded(lesson);
}

TEST_F(Lesson, AnUnregisteredViewerIsNotFound)
{
    UnregisterViewer();
    HKEY hKey; // the class key alone: installed in name, not creatable
    RegCreateKeyA(HKEY_CLASSES_ROOT, "PowerPointViewer.Application.8", &hKey);
    RegCloseKey(hKey);
    Child lesson = Launch(m_show);
    Box box = DismissBox(20000);
    EXPECT_EQ(box.text, "PPT Viewer not found");
    ExpectEnded(lesson);
    ASSERT_TRUE(RegisterViewer());
}

TEST_F(Lesson, AViewerThatRefusesToQuitCostsNoResult)
{
    WriteWholeFile(m_show, "#quelmar quit-fails\r\nSlide\r\n");
    Child lesson = Start();
    auto finish = std::async(std::launch::async, [this] { Send("-S=P -G=70"); });
    HWND hBox = FindBox(20000);
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(BoxText(hBox), "Quit refused");
    // Written before the report waits for the user.
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(Result("score"), "70");
    PressOk(hBox);
    finish.get();
    EXPECT_EQ(lesson.Wait(20000), 0u);
    EXPECT_EQ(MacroValue(), 1u);
}

TEST_F(Lesson, AFailedRestartIsReportedAndTheLessonGoesOn)
{
    WriteWholeFile(m_show, "#quelmar restart-fails\r\nSlide\r\n");
    Child lesson = Start();
    auto restart = std::async(std::launch::async, [this] { Send("-R"); });
    Box box = DismissBox(20000);
    restart.get();
    EXPECT_TRUE(box.found);
    EXPECT_FALSE(box.text.empty());
    Send("-S=C");
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), "C");
}

} // namespace
