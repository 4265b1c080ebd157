// Whole lessons: tarnskov.exe and the stand-in viewer as real processes, through COM. Each
// scenario is a test of its own: list them with --gtest_list_tests, run one by its name.
#include <ostream>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// The CMI system's own keys and sections, around the two the lesson writes.
const char kCmiResult[] =
    "[core]\r\nlesson_status=C\r\nscore=42\r\ncredit=C\r\n[cmi]\r\nkept=yes\r\n";
// An interaction file an earlier lesson left.
const char kEarlierRecords[] =
    "\"course_id\",\"student_id\",\"date\",\"time\",\"interaction_id\",\"student_response\","
    "\"correct_response\"\r\n\"C101\",\"STUDENT ONE\",\"01/02/2025\",\"10:00:00\",\"OLD1\",B,0\r\n";

enum class ResultFile { Kept, Fresh, Unwritable, MarkedUtf8 };
enum class QuizFile { Fresh, HoldsRecords, Unmakeable };
const std::string kQuit = "app 2003 -> ok", kStop = "show 2003 -> ok", kRun = "show 2002 -> ok";
const std::string kRefused = " -> 0x80020009"; // DISP_E_EXCEPTION: the viewer refused
const char kAnyCalls[] = "*";
const char kNone[] = "<none>"; // no such value in the result file

class Scenarios;

// A lesson: its files, what happens in it, and what it leaves behind. The steps are calls on
// the fixture, so that a misspelt step does not compile.
struct Scenario {
    const char* name;
    std::string show = ""; // directives for the stand-in viewer
    ResultFile result = ResultFile::Kept;
    QuizFile quiz = QuizFile::Fresh;
    const char* log = nullptr; // the diagnostic log switched on, named in the test's folder
    void (*steps)(Scenarios&) = nullptr;
    std::string status = "C", score = "42";
    std::vector<std::string> records = {};
    std::vector<std::string> calls = {kAnyCalls}; // after the open call
    friend void PrintTo(const Scenario& row, std::ostream* os) { *os << row.name; }
};

class Scenarios : public Lesson, public testing::WithParamInterface<Scenario> {
public:
    // The lesson begins: running (its show up and watched), or only launched.
    void Begin() { m_lesson = Start(); }
    void BeginLaunched(const std::string& tail = "{show}") { m_lesson = Launch(Filled(tail)); }
    // A later launch; every step finds the launcher showing no window but its boxes.
    void Send(const std::string& text, DWORD code = 0)
    {
        for (HWND hWnd = GetTopWindow(NULL); hWnd != NULL; hWnd = GetWindow(hWnd, GW_HWNDNEXT)) {
            DWORD pid = 0;
            char szClass[64] = "";
            GetWindowThreadProcessId(hWnd, &pid);
            GetClassNameA(hWnd, szClass, sizeof(szClass));
            EXPECT_FALSE(pid == m_lesson.Pid() && IsWindowVisible(hWnd) &&
                         strcmp(szClass, "#32770"))
                << "the launcher showed a window of its own: " << szClass;
        }
        Lesson::Send(text, code);
    }
    // Answers A<first> to A<last>, launched one after the other.
    void SendAnswers(int first, int last)
    {
        for (int i = first; i <= last; ++i)
            Send("-Q=A" + std::to_string(i) + " b 1");
    }
    void CloseShow() { PostMessageA(FindWindowA(kShowWindowClass, NULL), WM_CLOSE, 0, 0); }
    // Restart Manager's close: the session's end, then a WM_CLOSE; the lesson ends by itself.
    void CloseApp()
    {
        DWORD_PTR answer = 0;
        EXPECT_TRUE(SendFrame(WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, &answer) && answer)
            << "the session was held up";
        SendFrame(WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
        PostMessageA(FindWindowA(kFrameClass, NULL), WM_CLOSE, 0, 0);
    }
    // Another program holds the result file open, unshared.
    void HoldResult() { m_resultHolder.Attach(HoldFile(m_result)); }
    void ReleaseResult() { m_resultHolder.Close(); }
    // Another process keeps the whole log locked until the test ends.
    void LockLog()
    {
        m_logLock.Attach(CreateFileA(m_log.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
        OVERLAPPED whole = {};
        EXPECT_TRUE(
            LockFileEx(m_logLock.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));
    }
    // The folder of a log that could not be opened appears; the lesson ends by itself.
    void MakeLogFolder() { CreateDirectoryA(m_log.substr(0, m_log.rfind('\\')).c_str(), NULL); }
    void ExpectNoLogOnceEnded()
    {
        EXPECT_EQ(m_lesson.Wait(20000), 0u);
        EXPECT_EQ(GetFileAttributesA(m_log.c_str()), INVALID_FILE_ATTRIBUTES) << "not given up";
    }
    // The finish's event that names the result file and that fact.
    void AwaitResultLog(const std::string& fact)
    {
        EXPECT_TRUE(AwaitLogged({"finish", m_result, fact}, m_lesson.Pid())) << fact;
    }
    // Something keeps the show from starting: the block's name taken, or a viewer installed in
    // name only (the class key there, nothing that starts).
    void TakeBlockName() { m_squatter.Attach(CreateEventA(NULL, TRUE, FALSE, kCommandBlockName)); }
    void BreakViewer()
    {
        UnregisterViewer();
        CRegKeyOwner key;
        key.Create(HKEY_CLASSES_ROOT, kViewerProgId, KEY_ALL_ACCESS);
        m_viewerBroken = true;
    }
    // The calls so far: the open call and these, no more.
    void ExpectCalls(std::vector<std::string> calls)
    {
        calls.insert(calls.begin(), "app 2002 BSTR:" + m_show + " I4:1 I4:0 -> ok");
        EXPECT_EQ(Journal(), calls);
    }
    void ExpectOpenPending() { EXPECT_EQ(Journal().size(), 0u) << "the show came too soon"; }
    void Prepare(const Scenario& s)
    {
        DeleteFileA(m_result.c_str());
        if (s.result == ResultFile::Kept)
            WriteWholeFile(m_result, kCmiResult);
        if (s.result == ResultFile::Unwritable)
            m_result = m_dir + "\\no such folder\\result.ini";
        if (s.result == ResultFile::MarkedUtf8)
            WriteWholeFile(m_result, std::string("\xEF\xBB\xBF") + kCmiResult);
        if (s.quiz == QuizFile::HoldsRecords)
            WriteWholeFile(m_quiz, kEarlierRecords);
        if (s.quiz == QuizFile::Unmakeable)
            m_quiz = m_dir + "\\no such folder\\quiz.csv";
        WriteParams();
        WriteShow(s.show);
        if (s.log)
            LogOn(s.log);
    }
    // What a row can change: the lesson's end, a box left, the result, the records, the calls
    // when the row names them, the CMI's own keys and an earlier lesson's records.
    void ExpectLeft(const Scenario& s)
    {
        ExpectEnded(m_lesson);
        EXPECT_EQ(FindBox(0), nullptr);
        EXPECT_EQ(Result("lesson_status") + "," + Result("score"), s.status + ("," + s.score));
        EXPECT_EQ(Records(), s.records);
        if (s.calls != std::vector<std::string>{kAnyCalls})
            ExpectCalls(s.calls);
        if (s.result == ResultFile::Kept) {
            EXPECT_EQ(Result("credit") + "," + Result("kept", "cmi"), "C,yes");
        }
        if (s.result == ResultFile::Fresh) {
            EXPECT_EQ(GetFileAttributesA(m_result.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        if (s.quiz == QuizFile::HoldsRecords) {
            EXPECT_TRUE(FileText(m_quiz).starts_with(kEarlierRecords)) << "earlier records changed";
        }
    }
    void TearDown() override
    {
        Lesson::TearDown();
        if (m_viewerBroken) {
            EXPECT_TRUE(RegisterViewer());
        }
    }
    Child m_lesson;
    CHandleOwner m_resultHolder, m_logLock, m_squatter;
    bool m_viewerBroken = false;
};

// The records of answers A1 to A<last>.
std::vector<std::string> Recorded(int last)
{
    std::vector<std::string> records;
    for (int i = 1; i <= last; ++i)
        records.push_back("A" + std::to_string(i) + ",B,1");
    return records;
}

using S = Scenarios;

// clang-format off
const Scenario kScenarios[] = {
    {.name = "TheTypicalRoad",
     .steps = [](S& s) { s.Begin(); s.Send("-Q=Q1 a 1"); s.Send("-q=Q2 C 0"); s.Send("-Q=Q3   d");
                         s.Send("-S=P -G=85"); },
     .status = "P", .score = "85", .records = {"Q1,A,1", "Q2,C,0", "Q3,D,0"}, .calls = {kQuit}},
    {.name = "TextsThatAreNoCommandsAreIgnored",
     .steps = [](S& s) { s.Begin(); s.Send(""); s.Send("S=P -G=5"); s.Send("xQ=Z9 A 1");
                         s.Send("-"); s.Send("-x"); s.Send("-H"); s.Send("-S=P"); },
     .status = "P", .calls = {kQuit}},
    {.name = "RestartStopsThenRunsTheShow",
     .steps = [](S& s) { s.Begin(); s.Send("-R"); s.Send("-Q=Q1 a 1");
                         s.Send("-G=50"); },
     .score = "50", .records = {"Q1,A,1"}, .calls = {kStop, kRun, kQuit}},
    {.name = "ARefusedRestartIsReportedAndTheLessonGoesOn", .show = "#quelmar restart-fails\r\n",
     .steps = [](S& s) { s.Begin(); s.Send("-R"); s.Box("Restart refused: ", "C"); s.Send("-S=P");},
     .status = "P", .calls = {"show 2003" + kRefused, kQuit}},
    {.name = "ARefusedQuitIsReportedOnceTheResultIsWritten", .show = "#quelmar quit-fails\r\n",
     .steps = [](S& s) { s.Begin(); s.Send("-S=P -G=70"); s.Box("Quit refused", "P"); },
     .status = "P", .score = "70", .calls = {"app 2003" + kRefused}},
    {.name = "AnInteractionFileWithRecordsIsAppendedTo", .quiz = QuizFile::HoldsRecords,
     .steps = [](S& s) { s.Begin(); s.Send("-Q=Q1 a 1"); s.Send("-S=P"); },
     .status = "P", .records = {"OLD1,B,0", "Q1,A,1"}},
    {.name = "AnInteractionFileThatCannotBeMadeEndsTheLessonIncomplete",
     .quiz = QuizFile::Unmakeable,
     .steps = [](S& s) { s.Begin(); s.Send("-Q=Q1 a 1"); s.Box("Cant create Quiz File"); },
     .status = "I,S", .calls = {kQuit}},
    {.name = "TheViewerGivesNoShow", .show = "#quelmar null-show\r\n", .result = ResultFile::Fresh,
     .steps = [](S& s) { s.BeginLaunched(); s.Box("Cant load file:\n{show}"); },
     .status = kNone, .score = kNone},
    {.name = "TheBlocksNameIsTaken", .result = ResultFile::Fresh,
     .steps = [](S& s) { s.TakeBlockName(); s.BeginLaunched();
                         s.Box("PPT Viewer cant be launched"); },
     .status = kNone, .score = kNone},
    {.name = "TheViewerIsInstalledInNameOnly", .result = ResultFile::Fresh,
     .steps = [](S& s) { s.BreakViewer(); s.BeginLaunched(); s.Box("PPT Viewer not found"); },
     .status = kNone, .score = kNone},
    {.name = "NoShowWindowFinishesAtOnce", .show = "#quelmar no-window\r\n",
     .steps = [](S& s) { s.BeginLaunched(); }, .status = "I,S", .calls = {kQuit}},
    // The viewer, a server COM starts in the system directory, gets a relative path made whole.
    {.name = "ARelativePathIsTakenInTheLaunchersDirectory",
     .steps = [](S& s) { s.m_lesson = s.Start(".\\lesson.ppt", s.m_dir.c_str()); s.Send("-S=P");
                         s.m_show = s.m_dir + "\\.\\lesson.ppt"; },
     .status = "P", .calls = {kQuit}},
    {.name = "QuotesAroundThePathStay", .result = ResultFile::Fresh,
     .steps = [](S& s) { s.BeginLaunched("\"{show}\""); s.Box("Cant load file:\n\"{show}\""); },
     .status = kNone, .score = kNone},
    {.name = "AResultThatCannotBeWrittenIsShown", .result = ResultFile::Unwritable,
     .steps = [](S& s) { s.Begin(); s.Send("-S=P -G=77"); s.Box("Cant write Result file:\n"); },
     .status = kNone, .score = kNone},
    {.name = "AnUnwritableLogChangesNothing", .log = "no such folder\\lesson.log",
     .steps = [](S& s) { s.Begin(); s.Send("-Q=Q1 a 1"); s.MakeLogFolder(); s.CloseShow();
                         s.ExpectNoLogOnceEnded(); },
     .status = "I,S", .records = {"Q1,A,1"}, .calls = {kQuit}},
    // Another writer that keeps the log locked costs the lesson lines, never its answers.
    {.name = "ALockedLogHoldsNothingUp", .log = "lesson.log",
     .steps = [](S& s) { s.Begin(); s.LockLog(); s.SendAnswers(1, 10); s.Send("-S=P"); },
     .status = "P", .records = Recorded(10), .calls = {kQuit}},
    // Scanners, indexers, sync clients and backups hold the result file for a moment too.
    {.name = "AMomentsLockOnTheResultIsWaitedOut", .log = "lesson.log",
     .steps = [](S& s) { s.Begin(); s.HoldResult(); s.Send("-S=P -G=85");
                         s.AwaitResultLog("32"); s.ReleaseResult(); },
     .status = "P", .score = "85", .calls = {kQuit}},
    // Windows would find no [core] behind the mark and add one; the log says why.
    {.name = "AMarkBeforeTheResultsCoreIsLogged", .result = ResultFile::MarkedUtf8, .log = "lesson.log",
     .steps = [](S& s) { s.Begin(); s.Send("-S=P"); s.AwaitResultLog("UTF-8"); },
     .status = "P"},
    // More answers than the receiver's queue holds, all sent while the viewer opens the show.
    {.name = "AFullQueueDuringASlowOpenLosesNoAnswer", .show = "#quelmar open-delay 6000\r\n",
     .steps = [](S& s) { s.BeginLaunched(); s.SendAnswers(1, 32); s.ExpectOpenPending();
                         s.ExpectRecords({}); s.SendAnswers(33, 40); s.Send("-S=P"); },
     .status = "P", .records = Recorded(40)},
    // The result file held past the retries, then free again while its box is up: the lesson
    // writes it, dismisses its own box, tells the viewer to quit and ends, nobody pressing OK.
    {.name = "RestartManagersCloseDuringTheResultsBoxEndsTheLesson",
     .steps = [](S& s) { s.Begin(); s.HoldResult(); s.Send("-S=P -G=85");
                         s.Box("Cant write Result file", nullptr, true); s.ReleaseResult();
                         s.CloseApp(); },
     .status = "P", .score = "85", .calls = {kQuit}},
    {.name = "AQuitThatNeverAnswersEndsTheLessonWithItsResult",
     .show = "#quelmar quit-delay 600000\r\n",
     .steps = [](S& s) { s.Begin(); s.Send("-Q=H1 a 1"); s.Send("-S=P -G=90");
                         s.ExpectResult("P", "90"); s.Send("-Q=H2 b 0"); s.Send("-Q=H3 c 1"); },
     .status = "P", .score = "90", .records = {"H1,A,1", "H2,B,0", "H3,C,1"}},
};
// clang-format on

TEST_P(Scenarios, Run)
{
    Prepare(GetParam());
    GetParam().steps(*this);
    ExpectLeft(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Lesson, Scenarios, testing::ValuesIn(kScenarios),
                         testing::PrintToStringParamName());

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

} // namespace
