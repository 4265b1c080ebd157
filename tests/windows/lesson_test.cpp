// Whole lessons: tarnskov.exe and the stand-in viewer as real processes, through COM.
#include <future>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

TEST_F(Lesson, TheRoadOfATypicalLesson)
{
    WriteShow("Welcome\r\nQuestion 7\r\n");
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
    EXPECT_EQ(Journal(), (std::vector<std::string>{"app 2002 BSTR:" + m_show + " I4:1 I4:0 -> ok",
                                                   "app 2003 -> ok"}));
}

TEST_F(Lesson, AKilledLauncherLeavesTheOptionToTheNextLesson)
{
    for (DWORD value : {5ul, 0xFFFFFFFFul}) {
        SCOPED_TRACE(value);
        SetMacroProtection(value);
        Child crashed = Start();
        ASSERT_EQ(MacroValue(), 0u);
        crashed.Kill();
        KillAll("quelmar.exe");
        ASSERT_TRUE(WaitNoProcess("quelmar.exe", 10000));
        EXPECT_EQ(MacroValue(), 0u) << "nothing to restore it but the next lesson";

        Child next = Start();
        EXPECT_NE(FindWindowA(kShowWindowClass, NULL), nullptr) << "the next lesson did not start";
        EXPECT_EQ(MacroValue(), 0u);
        Send("-S=P");
        ExpectEnded(next, value);
    }
}

TEST_F(Lesson, AForeignWindowOfTheSameTitleDoesNotStopALesson)
{
    HelperWindow folder("CabinetWClass", "tarnskov", true);
    Child lesson = Start();
    EXPECT_NE(FindWindowA(kShowWindowClass, NULL), nullptr)
        << "the path went to the foreign window";
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(folder.Commands(), 0);
    EXPECT_EQ(Result("lesson_status"), "P");
}

TEST_F(Lesson, TheParameterFileIsReadAsThePlatformReadsIni)
{
    // Names in other letter case, quoted values, no [Evaluation] section, and an
    // output_file of 300 characters whose first 259 name the result file.
    std::string result = m_dir + "\\";
    result += std::string(259 - result.size() - 4, 'r') + ".ini";
    ASSERT_EQ(result.size(), 259u);
    WriteParamFile("[CORE]\r\nOUTPUT_FILE=" + result + std::string(41, 'x') +
                   "\r\nStudent_Name=\"STUDENT ONE\"\r\n");
    Child lesson = Start();
    Send("-Q=Q1 a 1"); // no interaction file named: nothing recorded, nothing shown
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(FindBox(0), nullptr);
    char sz[16];
    GetPrivateProfileStringA("core", "lesson_status", "", sz, sizeof(sz), result.c_str());
    EXPECT_STREQ(sz, "P");
    EXPECT_EQ(Quiz(), "<missing>");
}

TEST_F(Lesson, EachFinishWritesWhatItsTokensSayAndKeepsTheRestOfTheFile)
{
    // The CMI system's own keys and sections, around the two the lesson writes.
    const std::string cmi = "[core]\r\nlesson_status=C\r\ncredit=C\r\n[cmi]\r\nkept=yes\r\n";
    struct Row {
        const char* finish; // NULL: the student closes the show
        bool fresh;         // no result file before
        const char* status;
        const char* score;
    } rows[] = {
        // The token rules themselves are unit-tested; these are what reaches the file.
        {"-S=P -G=85", false, "P", "85"},
        {"-G=85", false, "C", "85"},
        {"-s=P", false, "P", "<none>"},
        {NULL, false, "I,S", "<none>"},
        {"-S=P\r\ncredit=N\r\n[evil]\r\nx=1", false, "C", "<none>"},
        {"-G=-5", true, "<none>", "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.finish ? row.finish : "the show closed");
        DeleteFileA(m_result.c_str());
        if (!row.fresh)
            WriteWholeFile(m_result, cmi);
        Child lesson = Start();
        if (row.finish)
            Send(row.finish);
        else
            PostMessageA(FindWindowA(kShowWindowClass, NULL), WM_CLOSE, 0, 0);
        ExpectEnded(lesson);
        EXPECT_EQ(FindBox(0), nullptr);
        EXPECT_EQ(Result("lesson_status"), row.status);
        EXPECT_EQ(Result("score"), row.score);
        if (row.fresh) {
            EXPECT_EQ(GetFileAttributesA(m_result.c_str()), INVALID_FILE_ATTRIBUTES)
                << "a finish with nothing to write created the result file";
            continue;
        }
        EXPECT_EQ(Result("credit"), "C");
        EXPECT_EQ(Value("cmi", "kept"), "yes");
        EXPECT_EQ(Value("evil", "x"), "<none>");
    }
}

TEST_F(Lesson, AResultThatCannotBeWrittenIsShownForAProctor)
{
    const std::string result = m_dir + "\\no such folder\\result.ini";
    WriteParamFile("[core]\r\noutput_file=" + result + "\r\nstudent_name=S\r\n");
    struct Row {
        const char* finish; // NULL: the student closes the show
        const char* lines;
    } rows[] = {
        {"-S=P -G=77", "lesson_status=P\nscore=77"},
        {NULL, "lesson_status=I,S"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines);
        Child lesson = Start();
        std::future<void> finish;
        if (row.finish)
            finish = std::async(std::launch::async, [&] { Send(row.finish); });
        else
            PostMessageA(FindWindowA(kShowWindowClass, NULL), WM_CLOSE, 0, 0);
        Box box = DismissBox(20000);
        EXPECT_EQ(box.text, "Cant write Result file:\n" + result + "\n\n" + row.lines);
        if (finish.valid())
            finish.get();
        ExpectEnded(lesson);
        EXPECT_TRUE(WaitNoProcess("tarnskov.exe", 10000));
    }
}

// What Windows sends the hidden frame when the student logs off or shuts down.
LRESULT SendToFrame(UINT message, WPARAM wParam)
{
    DWORD_PTR answer = 0;
    HWND hFrame = FindWindowA(kFrameClass, "TARNSKOV");
    EXPECT_NE(hFrame, nullptr);
    EXPECT_NE(SendMessageTimeoutA(hFrame, message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000,
                                  &answer),
              0)
        << "the frame did not answer " << message;
    return static_cast<LRESULT>(answer);
}

TEST_F(Lesson, ALogoffSuspendsTheLessonAndACancelledOneChangesNothing)
{
    for (BOOL ending : {FALSE, TRUE}) {
        SCOPED_TRACE(ending ? "session ends" : "logoff cancelled");
        WriteWholeFile(m_result, "[core]\r\nscore=42\r\n");
        Child lesson = Start();
        Send("-Q=Q1 a 1");
        EXPECT_NE(SendToFrame(WM_QUERYENDSESSION, 0), 0) << "the lesson held the session up";
        SendToFrame(WM_ENDSESSION, ending);
        if (!ending) {
            Sleep(200);
            EXPECT_TRUE(lesson.Running());
            EXPECT_EQ(MacroValue(), 0u);
            EXPECT_EQ(Result("lesson_status"), "<none>");
            Send("-S=P");
            ExpectEnded(lesson);
            EXPECT_EQ(Result("lesson_status"), "P");
            continue;
        }
        // Windows ends the process as soon as the message returns.
        lesson.Kill();
        EXPECT_EQ(Result("lesson_status"), "I,S");
        EXPECT_EQ(Result("score"), "42");
        EXPECT_EQ(MacroValue(), 1u);
        DWORD recorded;
        EXPECT_FALSE(GetCrashRecord(&recorded));
        EXPECT_EQ(FindBox(0), nullptr);
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000));
    }
}

TEST_F(Lesson, ALogoffAfterTheFinishKeepsItsResult)
{
    // The viewer refuses to quit: the finished lesson's frame stays while it says so.
    WriteWholeFile(m_show, "#quelmar quit-fails\r\nSlide\r\n");
    Child lesson = Start();
    auto finish = std::async(std::launch::async, [this] { Send("-S=P -G=90"); });
    HWND hBox = FindBox(20000);
    ASSERT_NE(hBox, nullptr);
    SendToFrame(WM_ENDSESSION, TRUE);
    lesson.Kill();
    finish.get();
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(Result("score"), "90");
    EXPECT_EQ(MacroValue(), 1u);
}

TEST_F(Lesson, CommandsHandedOverDuringAFinishStillRun)
{
    // Two senders at once: the second's text arrives while the first finish runs,
    // before its close; a second finish writes too, and an answer is recorded.
    struct Row {
        const char* second;
        const char* score;
        size_t quizLines;
    } rows[] = {{"-G=9", "9", 0}, {"-Q=Q9 b 1", "<none>", 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.second);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_quiz.c_str());
        Child lesson = Start();
        auto first = std::async(std::launch::async, [this] { Send("-S=F"); });
        auto second = std::async(std::launch::async, [&] { Send(row.second); });
        first.get();
        second.get();
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), "F");
        EXPECT_EQ(Result("score"), row.score);
        EXPECT_EQ(Lines(Quiz()).size(), row.quizLines);
    }
}

TEST_F(Lesson, APathOnTheCurrentDriveGetsItsLetterAndQuotesStay)
{
    // m_show is C:\...; the tail without "C:" is taken on the current drive.
    ASSERT_EQ(m_show.substr(0, 2), "C:");
    Child lesson = Start(m_show.substr(2), "C:\\");
    EXPECT_NE(FindWindowA(kShowWindowClass, m_show.c_str()), nullptr)
        << "the viewer did not receive " << m_show;
    Send("-S=P");
    ExpectEnded(lesson);

    Child quoted = Launch("\"" + m_show + "\"");
    Box box = DismissBox(20000);
    EXPECT_EQ(box.text, "Cant load file:\n\"" + m_show + "\"");
    ExpectEnded(quoted);
}

TEST_F(Lesson, AShowThatCannotStartIsReportedAndTheLessonEnds)
{
    enum Setup { None, BlockNameTaken, ViewerNotCreatable };
    struct Row {
        const char* name;
        const char* directive; // first line of the presentation; NULL: file missing
        Setup setup;
        std::string box; // "": none
        const char* status;
    } rows[] = {
        {"presentation missing", NULL, None, "Cant load file:\n" + m_show, "<none>"},
        {"viewer refuses the file", "#quelmar open-fails", None, "Cant load file:\n" + m_show,
         "<none>"},
        {"viewer gives no show", "#quelmar null-show", None, "Cant load file:\n" + m_show,
         "<none>"},
        {"no show window: finished at once", "#quelmar no-window", None, "", "I,S"},
        {"the block's name taken", "", BlockNameTaken, "PPT Viewer cant be launched", "<none>"},
        {"the viewer installed in name only", "", ViewerNotCreatable, "PPT Viewer not found",
         "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(m_show.c_str());
        DeleteFileA(m_result.c_str());
        if (row.directive)
            WriteWholeFile(m_show, std::string(row.directive) + "\r\nSlide\r\n");
        CHandleOwner squatter(row.setup == BlockNameTaken
                                  ? CreateEventA(NULL, TRUE, FALSE, kCommandBlockName)
                                  : NULL);
        if (row.setup == ViewerNotCreatable) {
            UnregisterViewer();
            CRegKeyOwner key; // the class key alone
            key.Create(HKEY_CLASSES_ROOT, kViewerProgId, KEY_ALL_ACCESS);
        }
        Child lesson = Launch(m_show);
        Box box = DismissBox(row.box.empty() ? 3000 : 20000);
        EXPECT_EQ(box.text, row.box);
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), row.status);
        if (row.setup == ViewerNotCreatable) {
            ASSERT_TRUE(RegisterViewer());
        }
    }
}

} // namespace
