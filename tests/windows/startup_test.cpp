// Start-up, its refusals and the hand-over, through real launches of tarnskov.exe.
#include <optional>
#include <ostream>

#include "channel/command_claim.h"
#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

class Refusals;

// What the launch meets, arranged by the row, the option 1 unless it says; a logoff comes while
// the box is up, and Windows ends the process.
struct Refusal {
    const char* name;
    void (*arrange)(Refusals&);
    std::string tail, text;
    DWORD during, after; // the option while the box is up, and after
    bool logoff = false;
    friend void PrintTo(const Refusal& row, std::ostream* os) { *os << row.name; }
};

// Every row begins with no PARAM.CMI; the other suites need the viewer registered, whatever a row
// did to it.
class Refusals : public Lesson, public testing::WithParamInterface<Refusal> {
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
    std::optional<HelperWindow> m_window;
};

using R = Refusals;
const auto kShowRuns = [](R& t) { t.m_window.emplace(kShowWindowClass, "other show", true); };
const auto kNoStudentName = [](R&) {
    SetMacroProtection(7);
    WriteParamFile("[core]\r\noutput_file=r.ini\r\n");
};

// clang-format off
const Refusal kRefusals[] = {
    {"TheFullProgramRuns", [](R& t) { t.m_window.emplace("PP97FrameClass", "Microsoft PowerPoint"); },
     "C:\\lessons\\x.ppt", "PowerPoint still running\n\nKELVAND.EXE C:\\lessons\\x.ppt", 1, 1},
    {"NoViewerInstalled", [](R&) { UnregisterViewer(); }, "x.ppt",
     "PPT Viewer not found", 1, 1},
    {"AShowRuns", kShowRuns, "a b.ppt", "PPT Viewer still running\n\nQUELMAR.EXE a b.ppt", 1, 1},
    {"NoOptionsKey", [](R&) { RegDeleteKeyA(HKEY_CURRENT_USER, kOptionsKey); }, "x.ppt",
     "PPT Viewer not found", kNoValue, kNoValue},
    {"NoOption", [](R&) { DeleteValue(kOptionsKey, "MacroVirusProtection"); }, "x.ppt",
     "PPT Viewer failure", kNoValue, kNoValue},
    {"TheOptionIsText", [](R&) { SetValue(kOptionsKey, "MacroVirusProtection", REG_SZ, "1", 2); },
     "x.ppt", "PPT Viewer failure", kNoValue, kNoValue},
    // A launcher killed mid-lesson left the option off and its viewer running: the
    // option is written back before any check, even one of all ones.
    {"ACrashRecordOfAllOnes", [](R& t) { SetMacroProtection(0); kShowRuns(t);
                                         SetDword(kLauncherKey, "SavedMacroVirusProtection", ~0u); },
     "x.ppt", "PPT Viewer still running\n\nQUELMAR.EXE x.ppt", ~0u, ~0u},
    // All ones is written back too, though it is the mark for nothing saved.
    {"NoParameterFile", [](R&) { SetMacroProtection(~0u); }, "x.ppt", "Result File not found", 0,
     ~0u},
    {"NoStudentName", kNoStudentName, "x.ppt", "Student Name miss", 0, 7},
    // The lesson never started, so it has no result to write.
    {"ALogoffDuringARefusalWritesNoResult", kNoStudentName, "x.ppt", "Student Name miss", 0, 7,
     true},
};
// clang-format on

TEST_P(Refusals, AreReportedAndTheOptionEndsAsItWas)
{
    const Refusal& row = GetParam();
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
        EXPECT_FALSE(IsWindowVisible(FindWindowA(kFrameClass, "TARNSKOV")));
        for (UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION})
            EXPECT_TRUE(SendFrame(message, TRUE, ENDSESSION_LOGOFF));
        child.Kill();
        EXPECT_EQ(GetFileAttributesA((WindowsDir() + "\\r.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    } else {
        PressOk(hBox);
    }
    ExpectEnded(child, row.after, row.logoff);
}

INSTANTIATE_TEST_SUITE_P(Startup, Refusals, testing::ValuesIn(kRefusals),
                         testing::PrintToStringParamName());

enum class Peer { Plain, NoBlock, TakenNeverSet };
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
    {"InnerBlanksTabsAndQuotes", " -Q=\"a b\"\tc  1 ", Peer::Plain, kFrameClass, 0,
     "-Q=\"a b\"\tc  1 ", 1},
    // A cut answer would be recorded as wrong: 255 characters go whole, more go nowhere.
    {"TwoHundredFiftyFiveCharacters", "-Q=" + std::string(248, 'i') + " B 1", Peer::Plain,
     kFrameClass, 0, "-Q=" + std::string(248, 'i') + " B 1", 1},
    {"TwoHundredFiftySixCharacters", "-Q=" + std::string(249, 'i') + " B 1", Peer::Plain,
     kFrameClass, 1, kUntouchedBlock, 0},
    // A command text also takes a window of another class by its title alone.
    {"NoBlockEverComes", "-S=P", Peer::NoBlock, "RunningInstance", 2, kUntouchedBlock, 0},
    // Given up, the text is withdrawn (its head cleared), so that it never runs.
    {"WrittenButNotTaken", "-S=P", Peer::TakenNeverSet, kFrameClass, 4, std::string(4, '\0'), 1},
    // A second click on "Finish" after the lesson has ended finds no lesson, and starts none.
    {"ACommandWithNoLessonStartsNothing", "-S=P", Peer::NoBlock, NULL, EXIT_NO_LESSON,
     kUntouchedBlock, 0, 10000},
};
// clang-format on

// The test plays the running instance, as a row asks: a hidden window titled in another letter
// case, the command block and the "taken" event.
class HandOvers : public Lesson, public testing::WithParamInterface<HandOverRow> {};

TEST_P(HandOvers, CopyTheWholeTailOrTellByTheExitCodeWhyNot)
{
    const HandOverRow& row = GetParam();
    std::optional<HelperWindow> instance;
    if (row.windowClass)
        instance.emplace(row.windowClass, "Tarnskov");
    CHandleOwner block(row.peer == Peer::NoBlock
                           ? NULL
                           : CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                                kCommandBlockSize, kCommandBlockName));
    CMappedView view(block.Get(), kCommandBlockSize);
    // Junk to write over; an instance with the event has emptied its block, as a lesson does.
    if (view.Bytes())
        memset(view.Bytes(), 'X', kCommandBlockSize);
    if (view.Bytes() && row.peer == Peer::TakenNeverSet)
        memset(view.Bytes(), 0, kHeadSize);
    CHandleOwner taken(
        row.peer == Peer::TakenNeverSet ? CreateEventA(NULL, TRUE, FALSE, kTakenEventName) : NULL);

    EXPECT_EQ(Launch(row.tail).Wait(row.withinMs), row.code);
    EXPECT_EQ(FindBox(0), nullptr);
    // A later launch starts no viewer and leaves the option alone.
    EXPECT_EQ(CountProcesses("quelmar.exe"), 0u);
    EXPECT_EQ(MacroValue(), 1u);
    EXPECT_EQ(CrashRecord(), kNoValue);
    if (instance) {
        WaitFor([&] { return instance->Commands() >= row.posts; }, 1000);
        EXPECT_EQ(instance->Commands(), row.posts);
    }
    // Only the text and its NUL are written; an older text's tail stays behind.
    if (view.Bytes()) {
        EXPECT_EQ(std::string(view.Bytes(), kCommandBlockSize),
                  (row.block + '\0' + kUntouchedBlock).substr(0, kCommandBlockSize));
    }
}

INSTANTIATE_TEST_SUITE_P(Startup, HandOvers, testing::ValuesIn(kHandOvers),
                         testing::PrintToStringParamName());

} // namespace
