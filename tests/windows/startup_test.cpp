// Start-up, its refusals and the hand-over, through real launches of tarnskov.exe.
#include <optional>
#include <ostream>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

const DWORD kUntouched = 1; // the option as every test begins

// Every test begins with no PARAM.CMI; the other suites need the stand-in viewer registered,
// whatever a row did to it.
class Startup : public Lesson {
public:
    void SetUp() override
    {
        Lesson::SetUp();
        DeleteParamFile();
    }
    void TearDown() override
    {
        Lesson::TearDown();
        EXPECT_TRUE(RegisterViewer());
    }
};

class Refusals;

// What the launch meets, arranged by the row; a logoff comes while the box is up, and Windows
// ends the process.
struct Refusal {
    const char* name;
    void (*arrange)(Refusals&);
    DWORD option;
    const char* paramFile; // NULL: no PARAM.CMI at all
    std::string tail, text;
    DWORD during, after; // the option while the box is up, and after
    bool logoff = false;
    friend void PrintTo(const Refusal& row, std::ostream* os) { *os << row.name; }
};

class Refusals : public Startup, public testing::WithParamInterface<Refusal> {
public:
    void Window(const char* className, const char* title, bool visible = false)
    {
        m_window.emplace(className, title, visible);
    }
    std::optional<HelperWindow> m_window;
    CRegKeyOwner m_viewerKey; // installed, at least in name, unless the row removes it
};

using R = Refusals;
const char kNoName[] = "[core]\r\noutput_file=r.ini\r\n";
const auto kNothing = [](R&) {};

// clang-format off
const Refusal kRefusals[] = {
    {"TheFullProgramRuns", [](R& t) { t.Window("PP97FrameClass", "Microsoft PowerPoint"); }, 1,
     NULL, "C:\\lessons\\x.ppt", "PowerPoint still running\n\nKELVAND.EXE C:\\lessons\\x.ppt",
     1, 1},
    {"NoViewerInstalled", [](R& t) { t.m_viewerKey.Close(); UnregisterViewer(); }, 1, NULL,
     "x.ppt", "PPT Viewer not found", 1, 1},
    {"AShowRuns", [](R& t) { t.Window(kShowWindowClass, "other show", true); }, 1, NULL, "a b.ppt",
     "PPT Viewer still running\n\nQUELMAR.EXE a b.ppt", 1, 1},
    {"NoOptionsKey", [](R&) { RegDeleteKeyA(HKEY_CURRENT_USER, kOptionsKey); }, 1, NULL, "x.ppt",
     "PPT Viewer not found", kNoValue, kNoValue},
    {"NoOption", [](R&) { DeleteValue(kOptionsKey, "MacroVirusProtection"); }, 1, NULL, "x.ppt",
     "PPT Viewer failure", kNoValue, kNoValue},
    {"TheOptionIsText", [](R&) { SetValue(kOptionsKey, "MacroVirusProtection", REG_SZ, "1", 2); },
     1, NULL, "x.ppt", "PPT Viewer failure", kNoValue, kNoValue},
    // A launcher killed mid-lesson left the option off and its viewer running: the
    // option is written back before any check, even one of all ones.
    {"ACrashRecordOfAllOnes", [](R& t) { SetDword(kLauncherKey, "SavedMacroVirusProtection", ~0u);
                                         t.Window(kShowWindowClass, "other show", true); },
     0, NULL, "x.ppt", "PPT Viewer still running\n\nQUELMAR.EXE x.ppt", ~0u, ~0u},
    // All ones is written back too, though it is the mark for nothing saved.
    {"NoParameterFile", kNothing, ~0u, NULL, "x.ppt", "Result File not found", 0, ~0u},
    {"NoStudentName", kNothing, 7, kNoName, "x.ppt", "Student Name miss", 0, 7},
    // The lesson never started, so it has no result to write.
    {"ALogoffDuringARefusalWritesNoResult", kNothing, 7, kNoName, "x.ppt", "Student Name miss", 0,
     7, true},
};
// clang-format on

TEST_P(Refusals, AreReportedAndTheOptionEndsAsItWas)
{
    const Refusal& row = GetParam();
    m_viewerKey.Create(HKEY_CLASSES_ROOT, kViewerProgId, KEY_READ);
    SetMacroProtection(row.option);
    if (row.paramFile)
        WriteParamFile(row.paramFile);
    row.arrange(*this);
    DeleteFileA((WindowsDir() + "\\r.ini").c_str()); // a result an earlier run left
    // While the option is off, the crash record holds the value to write back.
    Child child = Launch(row.tail);
    HWND hBox = FindBox(15000);
    EXPECT_EQ(BoxText(hBox), row.text);
    EXPECT_TRUE(GetWindowLongA(hBox, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the box is not topmost";
    EXPECT_EQ(MacroValue(), row.during);
    EXPECT_EQ(CrashRecord(), row.during == 0 ? row.after : kNoValue);
    if (row.logoff) {
        // The frame exists by now, never shown.
        HWND hFrame = FindWindowA(kFrameClass, "TARNSKOV");
        EXPECT_FALSE(IsWindowVisible(hFrame));
        DWORD_PTR answer = 0;
        for (UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION})
            EXPECT_NE(SendMessageTimeoutA(hFrame, message, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                          10000, &answer),
                      0);
        child.Kill();
        EXPECT_EQ(GetFileAttributesA((WindowsDir() + "\\r.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    } else {
        PressOk(hBox);
        EXPECT_EQ(child.Wait(15000), 0u);
    }
    EXPECT_EQ(MacroValue(), row.after);
    EXPECT_EQ(CrashRecord(), kNoValue);
}

INSTANTIATE_TEST_SUITE_P(Startup, Refusals, testing::ValuesIn(kRefusals),
                         testing::PrintToStringParamName());

enum class Peer { Plain, NoBlock, TakenNeverSet, TurnHeld };
struct HandOverRow {
    const char* name;
    std::string tail;
    Peer peer;
    const char* windowClass;
    DWORD code;
    std::string block; // its text afterwards; kUntouchedBlock when nothing was written
    LONG posts;
    DWORD withinMs = 30000;
    friend void PrintTo(const HandOverRow& row, std::ostream* os) { *os << row.name; }
};

const std::string kUntouchedBlock(kCommandBlockSize, 'X');

// clang-format off
const HandOverRow kHandOvers[] = {
    {"InnerBlanksTabsAndQuotes", "  -Q=\"a b\"\tc  1 ", Peer::Plain, kFrameClass, 0,
     "-Q=\"a b\"\tc  1 ", 1},
    // A cut answer would be recorded as wrong: 255 characters go whole, more go nowhere.
    {"TwoHundredFiftyFiveCharacters", " -Q=" + std::string(248, 'i') + " B 1", Peer::Plain,
     kFrameClass, 0, "-Q=" + std::string(248, 'i') + " B 1", 1},
    {"TwoHundredFiftySixCharacters", " -Q=" + std::string(249, 'i') + " B 1", Peer::Plain,
     kFrameClass, 1, kUntouchedBlock, 0},
    // A command text also takes a window of another class by its title alone.
    {"NoBlockEverComes", " -S=P", Peer::NoBlock, "RunningInstance", 2, kUntouchedBlock, 0},
    {"TheTurnNotHadWritesNothing", " -S=P", Peer::TurnHeld, kFrameClass, 3, kUntouchedBlock, 0},
    // Given up, the text is withdrawn (its head cleared), so that it never runs.
    {"WrittenButNotTaken", " -S=P", Peer::TakenNeverSet, kFrameClass, 4, std::string(4, '\0'), 1},
    // A second click on "Finish" after the lesson has ended finds no lesson, and starts none.
    {"ACommandWithNoLessonStartsNothing", " -S=P", Peer::NoBlock, NULL, EXIT_NO_LESSON,
     kUntouchedBlock, 0, 10000},
};
// clang-format on

// The test plays the running instance, as a row asks: a hidden window titled in another letter
// case, the command block and the "taken" event.
class HandOvers : public Startup, public testing::WithParamInterface<HandOverRow> {};

TEST_P(HandOvers, CopyTheWholeTailOrTellByTheExitCodeWhyNot)
{
    const HandOverRow& row = GetParam();
    std::optional<HelperWindow> instance;
    if (row.windowClass)
        instance.emplace(row.windowClass, "Tarnskov");
    auto posts = [&] { return instance ? instance->Commands() : 0; };
    CHandleOwner block(row.peer == Peer::NoBlock
                           ? NULL
                           : CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                                kCommandBlockSize, kCommandBlockName));
    CMappedView view(block.Get(), kCommandBlockSize);
    if (view.Bytes())
        memset(view.Bytes(), 'X', kCommandBlockSize);
    CHandleOwner taken(row.peer == Peer::TakenNeverSet || row.peer == Peer::TurnHeld
                           ? CreateEventA(NULL, TRUE, FALSE, kTakenEventName)
                           : NULL);
    CHandleOwner turn(CreateMutexA(NULL, row.peer == Peer::TurnHeld, kSenderMutexName));

    Child child = LaunchRaw("\"" + BinPath("tarnskov.exe") + "\"" + row.tail);
    EXPECT_EQ(child.Wait(row.withinMs), row.code);
    EXPECT_EQ(FindBox(0), nullptr);
    WaitFor([&] { return posts() >= row.posts; }, 1000);
    EXPECT_EQ(posts(), row.posts);
    // A later launch starts no viewer and leaves the option alone.
    EXPECT_EQ(CountProcesses("quelmar.exe"), 0u);
    EXPECT_EQ(MacroValue(), kUntouched);
    EXPECT_EQ(CrashRecord(), kNoValue);
    if (view.Bytes()) {
        // Only the text and its NUL are written; an older text's tail stays behind.
        const std::string after(view.Bytes(), kCommandBlockSize);
        EXPECT_EQ(after.substr(0, row.block.size()), row.block);
        if (row.block.size() < kCommandBlockSize) {
            EXPECT_EQ(after.substr(row.block.size() + 1),
                      kUntouchedBlock.substr(row.block.size() + 1));
        }
    }
    if (row.peer == Peer::TurnHeld)
        ReleaseMutex(turn.Get());
}

INSTANTIATE_TEST_SUITE_P(Startup, HandOvers, testing::ValuesIn(kHandOvers),
                         testing::PrintToStringParamName());

} // namespace
