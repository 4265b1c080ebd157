// Whole lessons: tarnskov.exe and the stand-in viewer as real processes, through COM.
#include <future>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// What Windows sends the hidden frame when the student logs off or shuts down.
LRESULT SendToFrame(UINT message, WPARAM wParam)
{
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(FindWindowA(kFrameClass, NULL), message, wParam,
                                  ENDSESSION_LOGOFF, SMTO_NORMAL, 20000, &answer),
              0);
    return static_cast<LRESULT>(answer);
}

// One step of a lesson: a command text sent, or "close" (the student closes the show),
// "kill viewer", "notice" (a second notice, with no new text), "logoff" (the session
// ends and the process with it) or "logoff cancelled"; and the box it brings up, whose text begins
// so, with the status written by then. A box that stays is never dismissed.
struct Step {
    std::string action;
    std::string box = "";
    const char* statusDuringBox = NULL;
    bool boxStays = false;
};

struct Scenario {
    const char* name;
    const char* directive; // for the stand-in viewer
    enum { Kept, Fresh, Unwritable, NoQuiz } result;
    std::vector<Step> steps;
    const char *status, *score;
    std::vector<std::string> records, calls; // the calls after the open call; {"*"}: any
};

class Scenarios : public Lesson {
protected:
    void Run(const Scenario& s)
    {
        // The CMI system's own keys and sections, around the two the lesson writes.
        const std::string cmi = "[core]\r\nlesson_status=C\r\nscore=42\r\ncredit=C\r\n"
                                "[cmi]\r\nkept=yes\r\n";
        m_quiz = m_dir + (s.result == Scenario::NoQuiz ? "\\no such folder" : "") + "\\quiz.csv";
        DeleteFileA(m_quiz.c_str());
        DeleteFileA(m_journal.c_str());
        m_result =
            m_dir + (s.result == Scenario::Unwritable ? "\\no such folder" : "") + "\\result.ini";
        DeleteFileA(m_result.c_str());
        if (s.result == Scenario::Kept)
            WriteWholeFile(m_result, cmi);
        WriteParams();
        WriteShow(s.directive);
        Child lesson = Start();
        bool killed = false;
        for (const Step& step : s.steps)
            killed = Do(step) || killed;
        if (killed) {
            EXPECT_EQ(MacroValue(), 1u);
            EXPECT_EQ(CrashRecord(), kNoValue);
            EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000));
        } else {
            ExpectEnded(lesson);
        }
        EXPECT_EQ(FindBox(0), nullptr);
        EXPECT_EQ(Result("lesson_status"), s.status);
        EXPECT_EQ(Result("score"), s.score);
        EXPECT_EQ(Records(), s.records);
        std::vector<std::string> calls = {OpenCall()};
        calls.insert(calls.end(), s.calls.begin(), s.calls.end());
        if (s.calls != std::vector<std::string>{"*"}) {
            EXPECT_EQ(Journal(), calls);
        }
        if (s.result == Scenario::Kept) {
            EXPECT_EQ(Result("credit"), "C");
            EXPECT_EQ(Value("cmi", "kept"), "yes");
            EXPECT_EQ(Value("evil", "x"), "<none>");
        }
        if (s.result == Scenario::Fresh) {
            EXPECT_EQ(GetFileAttributesA(m_result.c_str()), INVALID_FILE_ATTRIBUTES);
        }
    }
    // Returns whether the step ended the process.
    bool Do(const Step& step)
    {
        if (step.action == "close")
            PostMessageA(FindWindowA(kShowWindowClass, NULL), WM_CLOSE, 0, 0);
        else if (step.action == "kill viewer")
            KillAll("quelmar.exe");
        else if (step.action == "notice") {
            // A sender's notice with no new text; the block read again sets "taken".
            CHandleOwner taken(
                OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kTakenEventName));
            ResetEvent(taken.Get());
            PostMessageA(FindWindowA(kFrameClass, NULL), WM_SHOW_COMMAND, kTextInBlock, 0);
            EXPECT_EQ(WaitForSingleObject(taken.Get(), 10000), WAIT_OBJECT_0);
        } else if (step.action.compare(0, 6, "logoff") == 0) {
            EXPECT_NE(SendToFrame(WM_QUERYENDSESSION, 0), 0) << "the session was held up";
            SendToFrame(WM_ENDSESSION, step.action == "logoff");
            if (step.action == "logoff") {
                KillAll("tarnskov.exe"); // Windows ends the process once the message returns
                return true;
            }
        } else {
            Send(step.action);
        }
        if (step.box.empty())
            return false;
        HWND hBox = FindBox(20000);
        EXPECT_EQ(BoxText(hBox).substr(0, step.box.size()), step.box);
        if (step.statusDuringBox) {
            EXPECT_EQ(Result("lesson_status"), step.statusDuringBox);
        }
        if (!step.boxStays)
            PressOk(hBox);
        return false;
    }
};

TEST_F(Scenarios, EachLessonWritesWhatItsCommandsSayAndCallsTheViewerAsAgreed)
{
    const std::string refused = " -> 0x80020009"; // DISP_E_EXCEPTION: the viewer refused
    const std::string unwritten =
        "Cant write Result file:\n" + m_dir + "\\no such folder\\result.ini\n\n";
    // clang-format off
    const Scenario scenarios[] = {
        {"the typical road", "", Scenario::Kept,
         {{"-Q=Q1 a 1"}, {"-q=Q2 C 0"}, {"-Q=Q3   d"}, {"-S=P -G=85"}},
         "P", "85", {"Q1,A,1", "Q2,C,0", "Q3,D,0"}, {"app 2003 -> ok"}},
        // The token rules themselves are unit-tested; these are what reaches the file.
        {"a score alone", "", Scenario::Kept, {{"-G=85"}}, "C", "85", {}, {"app 2003 -> ok"}},
        {"a letter in lower case", "", Scenario::Kept, {{"-s=P"}}, "P", "42", {}, {"*"}},
        {"a status with line breaks is not written", "", Scenario::Kept,
         {{"-S=P\r\ncredit=N\r\n[evil]\r\nx=1"}}, "C", "42", {}, {"*"}},
        {"a score the finish's copy would cut is not written", "", Scenario::Kept,
         {{"-S=P -G=" + std::string(200, '9')}}, "P", "42", {}, {"*"}},
        {"nothing to write: no file made", "", Scenario::Fresh, {{"-G=-5"}}, "<none>", "<none>", {}, {"*"}},
        {"the show closed by the student", "", Scenario::Kept, {{"close"}}, "I,S", "42", {},
         {"app 2003 -> ok"}},
        {"texts that are no commands are ignored, noticed again or not", "", Scenario::Kept,
         {{""}, {"notice"}, {"S=P -G=5"}, {"-"}, {"-x"}, {"-H"}, {"notice"}, {"-S=P"}}, "P", "42", {},
         {"app 2003 -> ok"}},
        {"a second notice runs the block's command again", "", Scenario::Kept,
         {{"-R"}, {"notice"}, {"-Q=Q1 a 1"}, {"notice"}, {"-G=1"}}, "C", "1", {"Q1,A,1", "Q1,A,1"},
         {"show 2003 -> ok", "show 2002 -> ok", "show 2003 -> ok", "show 2002 -> ok", "app 2003 -> ok"}},
        {"R: the show stopped, then run", "", Scenario::Kept, {{"-R"}, {"-G=50"}}, "C", "50", {},
         {"show 2003 -> ok", "show 2002 -> ok", "app 2003 -> ok"}},
        {"a refused restart is reported, the lesson goes on", "#quelmar restart-fails\r\n", Scenario::Kept,
         {{"-R", "Restart refused: ", "C"}, {"-S=P"}}, "P", "42", {}, {"show 2003" + refused, "app 2003 -> ok"}},
        {"a refused quit is reported once the result is written", "#quelmar quit-fails\r\n", Scenario::Kept,
         {{"-S=P -G=70", "Quit refused", "P"}}, "P", "70", {}, {"app 2003" + refused}},
        {"a killed viewer ends the lesson incomplete", "", Scenario::Kept,
         {{"-Q=Q1 a 1"}, {"kill viewer"}}, "I,S", "42", {"Q1,A,1"}, {}},
        {"an interaction file that cannot be made ends the lesson incomplete", "", Scenario::NoQuiz,
         {{"-Q=Q1 a 1", "Cant create Quiz File"}}, "I,S", "<none>", {}, {"app 2003 -> ok"}},
        {"a result that cannot be written is shown", "", Scenario::Unwritable,
         {{"-S=P -G=77", unwritten + "lesson_status=P\nscore=77"}}, "<none>", "<none>", {}, {"*"}},
        {"likewise when the show is closed", "", Scenario::Unwritable,
         {{"close", unwritten + "lesson_status=I,S"}}, "<none>", "<none>", {}, {"*"}},
        {"a logoff suspends the lesson", "", Scenario::Kept, {{"-Q=Q1 a 1"}, {"logoff"}},
         "I,S", "42", {"Q1,A,1"}, {"*"}},
        {"a cancelled logoff changes nothing", "", Scenario::Kept, {{"logoff cancelled"}, {"-S=P"}},
         "P", "42", {}, {"app 2003 -> ok"}},
        {"a logoff after the finish keeps its result", "#quelmar quit-fails\r\n", Scenario::Kept,
         {{"-S=P -G=90", "Quit refused", "P", true}, {"logoff"}}, "P", "90", {}, {"*"}},
    };
    // clang-format on
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        Run(s);
    }
}

TEST_F(Lesson, AKilledLauncherLeavesTheOptionToTheNextLesson)
{
    for (DWORD value : {5ul, 0xFFFFFFFFul}) {
        SCOPED_TRACE(value);
        SetMacroProtection(value);
        Child crashed = Start();
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
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(folder.Commands(), 0);
    EXPECT_EQ(Result("lesson_status"), "P");
}

TEST_F(Lesson, TheParameterFileIsReadAsThePlatformReadsIni)
{
    // Names in other letter case, quoted values, no [Evaluation] section, and an
    // output_file of 300 characters whose first 259 name the result file.
    m_result = m_dir + "\\";
    m_result += std::string(259 - m_result.size() - 4, 'r') + ".ini";
    WriteParamFile("[CORE]\r\nOUTPUT_FILE=" + m_result + std::string(41, 'x') +
                   "\r\nStudent_Name=\"STUDENT ONE\"\r\n");
    Child lesson = Start();
    Send("-Q=Q1 a 1"); // no interaction file named: nothing recorded, nothing shown
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(FindBox(0), nullptr);
    EXPECT_EQ(Result("lesson_status"), "P");
    EXPECT_EQ(GetFileAttributesA(m_quiz.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Lesson, CommandsHandedOverDuringAFinishStillRun)
{
    // Two senders at once: the second's text arrives while the first finish runs,
    // before its close; a second finish writes too, and an answer is recorded.
    struct Row {
        const char* second;
        const char* score;
        size_t records;
    } rows[] = {{"-G=9", "9", 0}, {"-Q=Q9 b 1", "<none>", 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.second);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_quiz.c_str());
        Child lesson = Start();
        auto first = std::async(std::launch::async, [this] { Send("-S=F"); });
        Send(row.second);
        first.get();
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), "F");
        EXPECT_EQ(Result("score"), row.score);
        EXPECT_EQ(Records().size(), row.records);
    }
}

TEST_F(Lesson, APathOnTheCurrentDriveGetsItsLetterAndQuotesStay)
{
    // m_show is C:\...; the tail without "C:" is taken on the current drive.
    Child lesson = Start(m_show.substr(2), "C:\\");
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(Journal(), (std::vector<std::string>{OpenCall(), "app 2003 -> ok"}));

    Child quoted = Launch("\"" + m_show + "\"");
    EXPECT_EQ(DismissBox(20000), "Cant load file:\n\"" + m_show + "\"");
    ExpectEnded(quoted);
}

TEST_F(Lesson, AShowThatCannotStartIsReportedAndTheLessonEnds)
{
    enum Setup { None, BlockNameTaken, ViewerNotCreatable };
    struct Row {
        const char* name;
        const char* directive; // NULL: the presentation is missing
        Setup setup;
        std::string box; // "": none
        const char* status;
    } rows[] = {
        {"presentation missing", NULL, None, "Cant load file:\n" + m_show, "<none>"},
        {"viewer refuses the file", "#quelmar open-fails\r\n", None, "Cant load file:\n" + m_show,
         "<none>"},
        {"viewer gives no show", "#quelmar null-show\r\n", None, "Cant load file:\n" + m_show,
         "<none>"},
        {"no show window: finished at once", "#quelmar no-window\r\n", None, "", "I,S"},
        {"the block's name taken", "", BlockNameTaken, "PPT Viewer cant be launched", "<none>"},
        {"the viewer installed in name only", "", ViewerNotCreatable, "PPT Viewer not found",
         "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_show.c_str());
        if (row.directive)
            WriteShow(row.directive);
        CHandleOwner squatter(row.setup == BlockNameTaken
                                  ? CreateEventA(NULL, TRUE, FALSE, kCommandBlockName)
                                  : NULL);
        if (row.setup == ViewerNotCreatable) {
            UnregisterViewer();
            CRegKeyOwner key; // the class key alone
            key.Create(HKEY_CLASSES_ROOT, kViewerProgId, KEY_ALL_ACCESS);
        }
        Child lesson = Launch(m_show);
        EXPECT_EQ(DismissBox(row.box.empty() ? 3000 : 20000), row.box);
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), row.status);
        if (row.setup == ViewerNotCreatable) {
            ASSERT_TRUE(RegisterViewer());
        }
    }
}

} // namespace
