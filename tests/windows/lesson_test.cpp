// Whole lessons: tarnskov.exe and the stand-in viewer as real processes, through COM. Each
// scenario is a test of its own: list them with --gtest_list_tests, run one by its name.
#include <ostream>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// What happens in a step: a command text sent by a later launch, something the student,
// Windows or another program does, or a check of what the lesson has done so far.
enum class Act {
    SendText,        // a later launch with the text; it must end with 0 (taken)
    CloseShow,       // the student closes the show's window
    KillViewer,      // the viewer's process dies
    Notice,          // a sender's notice with no new text in the block
    Logoff,          // the session ends, and the process with it
    CancelledLogoff, // the session was to end, but goes on
    HoldQuiz,        // another program holds the interaction file open, unshared
    ReleaseQuiz,     // and lets it go
    ExpectResult,    // the result file holds the status and score (within a moment)
    ExpectRecords,   // the interaction file holds these records (within a moment)
    ExpectCalls,     // the viewer has answered the open call and these calls, no more
    ExpectNoBox,     // no box is up
    // The viewer has not yet answered the open call, so the lesson is still starting.
    ExpectOpenPending,
    AwaitLog, // a line of the diagnostic log holds the text, within a moment
    // The lesson's own log events: one begins with the first text, the next with the others.
    ExpectLogRun,
    Idle, // nothing happens: the step only waits for its box
};

using enum Act;

struct Step {
    Act act;
    std::vector<std::string> lines = {}; // the text sent, the texts expected
    // The box the step brings up, whose text begins so: "" when none. The result's
    // status is checked while it is up when given; a box that stays is never dismissed.
    std::string box = "";
    const char* statusDuringBox = nullptr;
    bool boxStays = false;

    Step Box(std::string begins, const char* status = nullptr) const
    {
        Step s = *this;
        s.box = std::move(begins);
        s.statusDuringBox = status;
        return s;
    }
    Step BoxThatStays(std::string begins) const
    {
        Step s = Box(std::move(begins));
        s.boxStays = true;
        return s;
    }
};

Step On(Act act, std::vector<std::string> lines = {})
{
    return {.act = act, .lines = std::move(lines)};
}
Step Send(std::string text)
{
    return On(Act::SendText, {std::move(text)});
}
Step AwaitBox(std::string begins)
{
    return On(Idle).Box(std::move(begins));
}
// Answers A<first> to A<last>, one launch after the other, and their records.
std::vector<Step> Answers(int first, int last)
{
    std::vector<Step> steps = {};
    for (int i = first; i <= last; ++i)
        steps.push_back(Send("-Q=A" + std::to_string(i) + " b 1"));
    return steps;
}
std::vector<std::string> Recorded(int first, int last)
{
    std::vector<std::string> records;
    for (int i = first; i <= last; ++i)
        records.push_back("A" + std::to_string(i) + ",B,1");
    return records;
}
std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The CMI system's own keys and sections, around the two the lesson writes.
const char kCmiResult[] =
    "[core]\r\nlesson_status=C\r\nscore=42\r\ncredit=C\r\n[cmi]\r\nkept=yes\r\n";
// An interaction file an earlier lesson left.
const char kEarlierRecords[] =
    "\"course_id\",\"student_id\",\"date\",\"time\",\"interaction_id\",\"student_response\","
    "\"correct_response\"\r\n"
    "\"C101\",\"STUDENT ONE\",\"01/02/2025\",\"10:00:00\",\"OLD1\",B,0\r\n"
    "\"C101\",\"STUDENT ONE\",\"01/02/2025\",\"10:00:05\",\"OLD2\",D,1\r\n";

enum class ResultFile { Kept, Fresh, Unwritable };
enum class QuizFile { Fresh, HoldsRecords, Unmakeable };
enum class Start { Running, Launched };
// What keeps the show from starting.
enum class Setup { None, NoPresentation, BlockNameTaken, ViewerNotCreatable };
const std::string kQuit = "app 2003 -> ok", kStop = "show 2003 -> ok", kRun = "show 2002 -> ok";
const std::string kRefused = " -> 0x80020009"; // DISP_E_EXCEPTION: the viewer refused
const char kAnyCalls[] = "*";
const char kNone[] = "<none>"; // no such value in the result file
const char kLog[] = "lesson.log";

struct Scenario {
    const char* name;
    std::string show = ""; // directives for the stand-in viewer
    ResultFile result = ResultFile::Kept;
    QuizFile quiz = QuizFile::Fresh;
    Start start = Start::Running;
    Setup setup = Setup::None;
    const char* log = nullptr; // the diagnostic log switched on, named in the test's folder
    std::vector<Step> steps = {};
    const char* status = "C";
    const char* score = "42";
    std::vector<std::string> records = {};
    std::vector<std::string> calls = {kAnyCalls}; // after the open call
    friend void PrintTo(const Scenario& row, std::ostream* os) { *os << row.name; }
};

// A show that never starts: the box says why, the lesson ends, and nothing is written.
Scenario NoShow(const char* name, std::string show, Setup setup, std::string box)
{
    return {.name = name,
            .show = std::move(show),
            .result = ResultFile::Fresh,
            .start = Start::Launched,
            .setup = setup,
            .steps = {AwaitBox(std::move(box))},
            .status = "<none>",
            .score = "<none>"};
}

// clang-format off
const Scenario kScenarios[] = {
    {.name = "TheTypicalRoad",
     .steps = {Send("-Q=Q1 a 1"), Send("-q=Q2 C 0"), Send("-Q=Q3   d"), Send("-S=P -G=85")},
     .status = "P", .score = "85", .records = {"Q1,A,1", "Q2,C,0", "Q3,D,0"}, .calls = {kQuit}},
    // The token rules themselves are unit-tested; these are what reaches the file.
    {.name = "AScoreAlone", .steps = {Send("-G=85")}, .score = "85", .calls = {kQuit}},
    {.name = "ALetterInLowerCase", .steps = {Send("-s=P")}, .status = "P"},
    {.name = "AStatusWithLineBreaksIsNotWritten",
     .steps = {Send("-S=P\r\ncredit=N\r\n[evil]\r\nx=1")}},
    {.name = "AScoreTheFinishsCopyWouldCutIsNotWritten",
     .steps = {Send("-S=P -G=" + std::string(200, '9'))}, .status = "P"},
    {.name = "NothingToWriteMakesNoFile", .result = ResultFile::Fresh, .steps = {Send("-G=-5")},
     .status = kNone, .score = kNone},
    {.name = "TheStudentClosesTheShow", .steps = {On(CloseShow)}, .status = "I,S",
     .calls = {kQuit}},
    {.name = "TextsThatAreNoCommandsAreIgnored",
     .steps = {Send(""), On(Notice), Send("S=P -G=5"), Send("xQ=Z9 A 1"), Send("-"), Send("-x"),
               Send("-H"), On(Notice), Send("-S=P")},
     .status = "P", .calls = {kQuit}},
    // The receiver empties the block as it takes a text: a second notice finds nothing to run.
    {.name = "ASecondNoticeFindsNothingToRun", .log = kLog,
     .steps = {Send("-R"), On(Notice), On(AwaitLog, {"receive no command in the block: ignored"}),
               Send("-Q=Q1 a 1"), On(Notice), Send("-G=1")},
     .score = "1", .records = {"Q1,A,1"}, .calls = {kStop, kRun, kQuit}},
    {.name = "RestartStopsThenRunsTheShow", .steps = {Send("-R"), Send("-G=50")}, .score = "50",
     .calls = {kStop, kRun, kQuit}},
    {.name = "ARefusedRestartIsReportedAndTheLessonGoesOn", .show = "#quelmar restart-fails\r\n",
     .steps = {Send("-R").Box("Restart refused: ", "C"), Send("-S=P")}, .status = "P",
     .calls = {"show 2003" + kRefused, kQuit}},
    {.name = "ARefusedQuitIsReportedOnceTheResultIsWritten", .show = "#quelmar quit-fails\r\n",
     .steps = {Send("-S=P -G=70").Box("Quit refused", "P")}, .status = "P", .score = "70",
     .calls = {"app 2003" + kRefused}},
    {.name = "AKilledViewerEndsTheLessonIncomplete", .steps = {Send("-Q=Q1 a 1"), On(KillViewer)},
     .status = "I,S", .records = {"Q1,A,1"}, .calls = {}},
    {.name = "AnInteractionFileWithRecordsIsAppendedTo", .quiz = QuizFile::HoldsRecords,
     .steps = {Send("-Q=Q1 a 1"), Send("-S=P")}, .status = "P",
     .records = {"OLD1,B,0", "OLD2,D,1", "Q1,A,1"}},
    {.name = "AnInteractionFileThatCannotBeMadeEndsTheLessonIncomplete",
     .quiz = QuizFile::Unmakeable, .steps = {Send("-Q=Q1 a 1").Box("Cant create Quiz File")},
     .status = "I,S", .calls = {kQuit}},
    {.name = "ALockedInteractionFileEndsTheLessonIncomplete",
     .steps = {Send("-Q=Q1 a 1"), On(ExpectRecords, {"Q1,A,1"}), On(HoldQuiz),
               Send("-Q=Q2 b 1").Box("Cant Update Quiz file"), On(ReleaseQuiz)},
     .status = "I,S", .records = {"Q1,A,1"}, .calls = {kQuit}},
    // Virus scanners and indexers hold a file for a moment after it changed.
    {.name = "AMomentsLockIsWaitedOut", .log = kLog,
     .steps = {Send("-Q=Q1 a 1"), On(ExpectRecords, {"Q1,A,1"}), On(HoldQuiz), Send("-Q=Q2 b 1"),
               On(AwaitLog, {"is locked by another program"}), On(ReleaseQuiz),
               On(ExpectRecords, {"Q1,A,1", "Q2,B,1"}), On(ExpectNoBox), Send("-S=P")},
     .status = "P", .records = {"Q1,A,1", "Q2,B,1"}, .calls = {kQuit}},
    // The recorder's box bears the title too: the finish must still find the frame.
    {.name = "AFinishDuringTheRecordersBoxEndsTheLessonOnce",
     .steps = {Send("-Q=Q1 a 1"), On(ExpectRecords, {"Q1,A,1"}), On(HoldQuiz),
               Send("-Q=Q2 b 1").BoxThatStays("Cant Update Quiz file"), Send("-S=P -G=85"),
               On(ReleaseQuiz)},
     .status = "P", .score = "85", .records = {"Q1,A,1"}, .calls = {kQuit}},
    // A second finish handed over while the first waits for the viewer writes too.
    {.name = "AFinishDuringAFinishWritesToo", .show = "#quelmar quit-delay 2000\r\n",
     .steps = {Send("-S=F"), Send("-G=9")}, .status = "F", .score = "9", .calls = {kQuit}},
    // A viewer that hangs in its quit call costs the lesson nothing: the result comes first,
    // and the texts taken meanwhile run once the call is over.
    {.name = "AHungQuitWritesTheResultFirst", .show = "#quelmar quit-delay 10000\r\n",
     .steps = {Send("-S=P -G=90"), On(ExpectResult, {"P", "90"}), Send("-Q=H1 a 1"),
               Send("-Q=H2 b 0"), Send("-Q=H3 c 1"), On(ExpectCalls), On(ExpectRecords)},
     .status = "P", .score = "90", .records = {"H1,A,1", "H2,B,0", "H3,C,1"}, .calls = {kQuit}},
    {.name = "ALogoffDuringAHungQuitKeepsTheResult", .show = "#quelmar quit-delay 6000\r\n",
     .log = kLog,
     .steps = {Send("-S=P -G=90"), On(ExpectResult, {"P", "90"}), On(Logoff),
               On(ExpectLogRun, {"session WM_ENDSESSION", "option 1 written back"})},
     .status = "P", .score = "90"},
    {.name = "AFailedStartUpDropsTheTextsItTook",
     .show = "#quelmar open-fails\r\n#quelmar open-delay 2000\r\n", .result = ResultFile::Fresh,
     .start = Start::Launched,
     .steps = {Send("-S=P"), On(ExpectNoBox), AwaitBox("Cant load file:\n")},
     .status = kNone, .score = kNone},
    NoShow("ThePresentationIsMissing", "", Setup::NoPresentation, "Cant load file:\n{show}"),
    NoShow("TheViewerRefusesTheFile", "#quelmar open-fails\r\n", Setup::None,
           "Cant load file:\n{show}"),
    NoShow("TheViewerGivesNoShow", "#quelmar null-show\r\n", Setup::None,
           "Cant load file:\n{show}"),
    NoShow("TheBlocksNameIsTaken", "", Setup::BlockNameTaken, "PPT Viewer cant be launched"),
    NoShow("TheViewerIsInstalledInNameOnly", "", Setup::ViewerNotCreatable, "PPT Viewer not found"),
    {.name = "NoShowWindowFinishesAtOnce", .show = "#quelmar no-window\r\n",
     .start = Start::Launched, .status = "I,S", .calls = {kQuit}},
    {.name = "AResultThatCannotBeWrittenIsShown", .result = ResultFile::Unwritable,
     .steps = {Send("-S=P -G=77").Box("Cant write Result file:\n")}, .status = kNone,
     .score = kNone},
    {.name = "AResultThatCannotBeWrittenIsShownWhenTheShowIsClosed",
     .result = ResultFile::Unwritable, .steps = {On(CloseShow).Box("Cant write Result file:\n")},
     .status = kNone, .score = kNone},
    {.name = "ALogoffSuspendsTheLesson", .steps = {Send("-Q=Q1 a 1"), On(Logoff)},
     .status = "I,S", .records = {"Q1,A,1"}},
    {.name = "ACancelledLogoffChangesNothing", .steps = {On(CancelledLogoff), Send("-S=P")},
     .status = "P", .calls = {kQuit}},
    {.name = "ALogoffAfterTheFinishKeepsItsResult", .show = "#quelmar quit-fails\r\n",
     .steps = {Send("-S=P -G=90").BoxThatStays("Quit refused"), On(Logoff)}, .status = "P",
     .score = "90"},
    // A log that cannot be written (its folder is missing) changes nothing.
    {.name = "AnUnwritableLogChangesNothing", .log = "no such folder\\lesson.log",
     .steps = {Send("-Q=Q1 a 1"), Send("-S=P -G=85")}, .status = "P", .score = "85",
     .records = {"Q1,A,1"}, .calls = {kQuit}},
    // Answers launched right after the first launch, before its frame, let alone its show.
    {.name = "TheFirstCommandsComeBeforeTheLesson", .start = Start::Launched,
     .steps = {Send("-Q=Q0 c 1"), Send("-S=P -G=1")}, .status = "P", .score = "1",
     .records = {"Q0,C,1"}},
    // More answers than the receiver's queue holds, all sent while the viewer opens the show.
    {.name = "AFullQueueDuringASlowOpenLosesNoAnswer", .show = "#quelmar open-delay 6000\r\n",
     .start = Start::Launched,
     .steps = Answers(1, 32) + std::vector<Step>{On(ExpectOpenPending), On(ExpectRecords)} +
              Answers(33, 40) + std::vector<Step>{Send("-S=P")},
     .status = "P", .records = Recorded(1, 40)},
};
// clang-format on

class Scenarios : public Lesson, public testing::WithParamInterface<Scenario> {
protected:
    void Prepare(const Scenario& s)
    {
        DeleteFileA(m_result.c_str());
        if (s.result == ResultFile::Kept)
            WriteWholeFile(m_result, kCmiResult);
        if (s.result == ResultFile::Unwritable)
            m_result = m_dir + "\\no such folder\\result.ini";
        if (s.quiz == QuizFile::HoldsRecords)
            WriteWholeFile(m_quiz, kEarlierRecords);
        if (s.quiz == QuizFile::Unmakeable)
            m_quiz = m_dir + "\\no such folder\\quiz.csv";
        WriteParams();
        WriteShow(s.show);
        if (s.log)
            SetLogFile(m_log = m_dir + "\\" + s.log);
        if (s.setup == Setup::NoPresentation)
            DeleteFileA(m_show.c_str());
        if (s.setup == Setup::BlockNameTaken)
            m_squatter.Attach(CreateEventA(NULL, TRUE, FALSE, kCommandBlockName));
        if (s.setup == Setup::ViewerNotCreatable) {
            UnregisterViewer();
            CRegKeyOwner key; // the class key alone
            key.Create(HKEY_CLASSES_ROOT, kViewerProgId, KEY_ALL_ACCESS);
        }
    }
    void TearDown() override
    {
        Lesson::TearDown();
        if (GetParam().setup == Setup::ViewerNotCreatable) {
            EXPECT_TRUE(RegisterViewer());
        }
    }
    // Returns whether the step ended the lesson's process.
    bool Do(const Step& step);
    bool Perform(const Step& step);
    bool EndSession(bool ending);
    void Check(const Step& step);
    void ExpectNoLauncherWindowShown();
    void ExpectBox(const Step& step);
    Child m_lesson;
    CHandleOwner m_quizHolder, m_squatter;
    std::string m_log;
};

// The launcher's only visible windows are its message boxes.
void Scenarios::ExpectNoLauncherWindowShown()
{
    for (HWND hWnd = GetTopWindow(NULL); hWnd != NULL; hWnd = GetWindow(hWnd, GW_HWNDNEXT)) {
        DWORD pid = 0;
        char szClass[64] = "";
        GetWindowThreadProcessId(hWnd, &pid);
        GetClassNameA(hWnd, szClass, sizeof(szClass));
        EXPECT_FALSE(pid == m_lesson.Pid() && IsWindowVisible(hWnd) && strcmp(szClass, "#32770"))
            << "the launcher showed a window of its own: " << szClass;
    }
}

void Scenarios::ExpectBox(const Step& step)
{
    HWND hBox = FindBox(20000);
    std::string box = step.box;
    if (box.find("{show}") != std::string::npos)
        box.replace(box.find("{show}"), 6, m_show);
    EXPECT_EQ(BoxText(hBox).substr(0, box.size()), box);
    // Behind a full-screen show a student would never see it.
    EXPECT_TRUE(GetWindowLongA(hBox, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the box is not topmost";
    if (step.statusDuringBox) {
        EXPECT_EQ(Result("lesson_status"), step.statusDuringBox);
    }
    // Nothing may cut a box short: it stays until somebody dismisses it.
    Sleep(500);
    EXPECT_TRUE(IsWindow(hBox)) << "the box went by itself";
    if (!step.boxStays)
        PressOk(hBox);
}

// What the student, Windows or another program does; whether it ended the lesson's process.
bool Scenarios::Perform(const Step& step)
{
    switch (step.act) {
    case Act::SendText:
        Send(step.lines.at(0));
        break;
    case Act::CloseShow:
        PostMessageA(FindWindowA(kShowWindowClass, NULL), WM_CLOSE, 0, 0);
        break;
    case Act::KillViewer:
        KillAll("quelmar.exe");
        break;
    case Act::Notice: {
        // A sender's notice with no new text; the block read again sets "taken".
        CHandleOwner taken(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kTakenEventName));
        ResetEvent(taken.Get());
        PostMessageA(FindWindowA(kFrameClass, NULL), WM_SHOW_COMMAND, kTextInBlock, 0);
        EXPECT_EQ(WaitForSingleObject(taken.Get(), 10000), WAIT_OBJECT_0);
        break;
    }
    case Act::Logoff:
    case Act::CancelledLogoff:
        return EndSession(step.act == Act::Logoff);
    case Act::HoldQuiz:
        m_quizHolder.Attach(HoldFile(m_quiz));
        EXPECT_NE(m_quizHolder.Get(), nullptr);
        break;
    case Act::ReleaseQuiz:
        m_quizHolder.Close();
        break;
    default:
        Check(step);
    }
    return false;
}

// What Windows sends the hidden frame when the session ends; it ends the process once the
// message has returned, as the test does. Whether the session ended.
bool Scenarios::EndSession(bool ending)
{
    HWND hFrame = FindWindowA(kFrameClass, NULL);
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutA(hFrame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    20000, &answer) &&
                answer)
        << "the session was held up";
    SendMessageTimeoutA(hFrame, WM_ENDSESSION, ending, ENDSESSION_LOGOFF, SMTO_NORMAL, 20000,
                        &answer);
    if (ending)
        m_lesson.Kill();
    return ending;
}

// What the lesson has done so far. A sender ends once its text is taken: what the text does
// follows the designed wait, so the checks of files wait a moment for it.
void Scenarios::Check(const Step& step)
{
    switch (step.act) {
    case Act::ExpectResult:
        WaitFor(
            [&] {
                return std::vector<std::string>{Result("lesson_status"), Result("score")} ==
                       step.lines;
            },
            5000);
        EXPECT_EQ(Result("lesson_status"), step.lines.at(0));
        EXPECT_EQ(Result("score"), step.lines.at(1));
        break;
    case Act::ExpectRecords:
        WaitFor([&] { return Records() == step.lines; }, 5000);
        EXPECT_EQ(Records(), step.lines);
        break;
    case Act::ExpectCalls: {
        std::vector<std::string> calls = {OpenCall()};
        calls.insert(calls.end(), step.lines.begin(), step.lines.end());
        EXPECT_EQ(Journal(), calls);
        break;
    }
    case Act::ExpectOpenPending:
        EXPECT_EQ(Journal(), std::vector<std::string>{}) << "the show was up too soon for the test";
        break;
    case Act::ExpectNoBox:
        EXPECT_EQ(FindBox(0), nullptr);
        break;
    case Act::AwaitLog:
        EXPECT_TRUE(AwaitLogged(m_log, step.lines.at(0))) << "not logged: " << step.lines[0];
        break;
    case Act::ExpectLogRun:
        ExpectInOrder(EventsByProcess(LogLines(m_log))[m_lesson.Pid()], step.lines, true);
        break;
    default:
        break;
    }
}

bool Scenarios::Do(const Step& step)
{
    const bool ended = Perform(step);
    if (!step.box.empty())
        ExpectBox(step);
    return ended;
}

TEST_P(Scenarios, Run)
{
    const Scenario& s = GetParam();
    Prepare(s);
    m_lesson = s.start == Start::Running ? Start() : Launch(m_show);
    bool ended = false;
    for (const Step& step : s.steps) {
        if (!ended)
            ExpectNoLauncherWindowShown();
        ended = Do(step) || ended;
    }
    if (ended) {
        EXPECT_EQ(MacroValue(), 1u);
        EXPECT_EQ(CrashRecord(), kNoValue);
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000));
    } else {
        ExpectEnded(m_lesson);
    }
    EXPECT_EQ(FindBox(0), nullptr);
    EXPECT_EQ(Result("lesson_status"), s.status);
    EXPECT_EQ(Result("score"), s.score);
    EXPECT_EQ(Records(), s.records);
    if (s.calls != std::vector<std::string>{kAnyCalls}) {
        std::vector<std::string> calls = {OpenCall()};
        calls.insert(calls.end(), s.calls.begin(), s.calls.end());
        EXPECT_EQ(Journal(), calls);
    }
    if (s.result == ResultFile::Kept) {
        EXPECT_EQ(Result("credit"), "C");
        EXPECT_EQ(Value("cmi", "kept"), "yes");
        EXPECT_EQ(Value("evil", "x"), "<none>");
    }
    if (s.result == ResultFile::Fresh) {
        EXPECT_EQ(GetFileAttributesA(m_result.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    if (s.quiz == QuizFile::HoldsRecords) {
        std::string text;
        ReadWholeFile(m_quiz, &text);
        EXPECT_EQ(text.substr(0, sizeof(kEarlierRecords) - 1), kEarlierRecords);
    }
}

INSTANTIATE_TEST_SUITE_P(Lesson, Scenarios, testing::ValuesIn(kScenarios), RowName());

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

TEST_F(Lesson, APathOnTheCurrentDriveGetsItsLetterAndQuotesStay)
{
    // m_show is C:\...; the tail without "C:" is taken on the current drive.
    Child lesson = Start(m_show.substr(2), "C:\\");
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_EQ(Journal(), (std::vector<std::string>{OpenCall(), kQuit}));

    Child quoted = Launch("\"" + m_show + "\"");
    EXPECT_EQ(DismissBox(20000), "Cant load file:\n\"" + m_show + "\"");
    ExpectEnded(quoted);
}

} // namespace
