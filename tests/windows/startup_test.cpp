// Start-up, its refusals and the hand-over, through real launches of tarnskov.exe.
#include <gtest/gtest.h>

#include <memory>

#include "testkit.h"

using namespace testkit;

namespace {

const char kTitleMessageBox[] = "TARNSKOV";
const DWORD kUntouched = 1;

void SetViewerKey(bool present)
{
    if (present) {
        HKEY hKey;
        RegCreateKeyA(HKEY_CLASSES_ROOT, kViewerProgId, &hKey);
        RegCloseKey(hKey);
    } else {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kViewerProgId) + "\\CLSID").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kViewerProgId);
    }
}

class Startup : public testing::Test {
protected:
    void SetUp() override
    {
        KillAll("tarnskov.exe");
        m_viewerWasRegistered = ViewerRegistered();
        SetViewerKey(true);
        SetMacroProtection(kUntouched);
        DeleteCrashRecord();
        DeleteParamFile();
    }
    void TearDown() override
    {
        KillAll("tarnskov.exe");
        DeleteParamFile();
        if (m_viewerWasRegistered)
            RegisterViewer();
    }
    // Launches, expects one box with that text, then the process's end.
    // While the option is off, the crash record holds the value to write back.
    void ExpectRefusal(const std::string& tail, const std::string& text, DWORD registryDuringBox,
                       DWORD registryAfter)
    {
        Child child = Launch(tail);
        HWND hBox = FindBox(15000);
        ASSERT_NE(hBox, nullptr) << "no message box for: " << text;
        EXPECT_EQ(BoxText(hBox), text);
        EXPECT_EQ(MacroValue(), registryDuringBox);
        DWORD recorded = kNoMacroValue;
        EXPECT_EQ(GetCrashRecord(&recorded), registryDuringBox == 0);
        if (registryDuringBox == 0) {
            EXPECT_EQ(recorded, registryAfter);
        }
        PressOk(hBox);
        EXPECT_EQ(child.Wait(15000), 0u);
        EXPECT_EQ(MacroValue(), registryAfter);
        EXPECT_FALSE(GetCrashRecord(&recorded));
    }
    bool m_viewerWasRegistered = false;
};

TEST_F(Startup, EachRefusalIsReportedAndTheOptionEndsAsItWas)
{
    enum Setup {
        Nothing,
        FullProgram,
        NoViewerKey,
        AShow,
        NoOptionsKey,
        NoOption,
        OptionText,
        CrashRecordAndShow
    };
    struct Row {
        const char* name;
        Setup setup;
        DWORD option;
        const char* paramFile; // NULL: no PARAM.CMI at all
        std::string tail, text;
        DWORD during, after; // the option while the box is up, and after
    } rows[] = {
        {"the full program runs", FullProgram, 1, NULL, "C:\\lessons\\x.ppt",
         "PowerPoint still running\n\nKELVAND.EXE C:\\lessons\\x.ppt", 1, 1},
        {"no viewer installed", NoViewerKey, 1, NULL, "x.ppt", "PPT Viewer not found", 1, 1},
        {"a show runs", AShow, 1, NULL, "a b.ppt",
         "PPT Viewer still running\n\nQUELMAR.EXE a b.ppt", 1, 1},
        {"no options key", NoOptionsKey, 1, NULL, "x.ppt", "PPT Viewer not found", kNoMacroValue,
         kNoMacroValue},
        {"no option", NoOption, 1, NULL, "x.ppt", "PPT Viewer failure", kNoMacroValue,
         kNoMacroValue},
        {"the option is text", OptionText, 1, NULL, "x.ppt", "PPT Viewer failure", kNoMacroValue,
         kNoMacroValue},
        // A launcher killed mid-lesson left the option off and its viewer running: the
        // option is written back before any check.
        {"a crash record", CrashRecordAndShow, 0, NULL, "x.ppt",
         "PPT Viewer still running\n\nQUELMAR.EXE x.ppt", 7, 7},
        {"no parameter file", Nothing, 7, NULL, "x.ppt", "Result File not found", 0, 7},
        {"an all-ones option", Nothing, 0xFFFFFFFF, NULL, "x.ppt", "Result File not found", 0,
         0xFFFFFFFF},
        {"no core section", Nothing, 7, "[Evaluation]\r\nCourse_ID=C1\r\n", "x.ppt",
         "Result File not found", 0, 7},
        {"empty output_file", Nothing, 7, "[core]\r\noutput_file=\r\nstudent_name=S\r\n", "x.ppt",
         "Result File not found", 0, 7},
        {"no student name", Nothing, 7, "[core]\r\noutput_file=r.ini\r\n", "x.ppt",
         "Student Name miss", 0, 7},
        {"empty student name", Nothing, 7, "[core]\r\noutput_file=r.ini\r\nstudent_name=\"\"\r\n",
         "x.ppt", "Student Name miss", 0, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetViewerKey(row.setup != NoViewerKey);
        SetMacroProtection(row.option);
        DeleteParamFile();
        if (row.paramFile)
            WriteParamFile(row.paramFile);
        if (row.setup == NoOptionsKey)
            DeleteOptionsKey();
        if (row.setup == NoOption)
            DeleteMacroProtection();
        if (row.setup == OptionText)
            SetMacroProtectionString("1");
        if (row.setup == CrashRecordAndShow)
            SetCrashRecord(7);
        std::unique_ptr<HelperWindow> window;
        if (row.setup == FullProgram)
            window.reset(new HelperWindow("PP97FrameClass", "Microsoft PowerPoint"));
        if (row.setup == AShow || row.setup == CrashRecordAndShow)
            window.reset(new HelperWindow(kShowWindowClass, "other show", true));
        ExpectRefusal(row.tail, row.text, row.during, row.after);
    }
}

TEST_F(Startup, TheFrameExistsWhileTheMissingStudentIsReportedAndGoesUnseen)
{
    WriteParamFile("[CORE]\r\nOUTPUT_FILE=r.ini\r\n");
    Child child = Launch("x.ppt");
    HWND hBox = FindBox(15000);
    ASSERT_NE(hBox, nullptr);
    HWND hFrame = FindWindowA(kFrameClass, "TARNSKOV");
    ASSERT_NE(hFrame, nullptr);
    EXPECT_FALSE(IsWindowVisible(hFrame));
    PressOk(hBox);
    EXPECT_EQ(child.Wait(15000), 0u);
    EXPECT_FALSE(IsWindow(hFrame));
}

TEST_F(Startup, ALaunchDuringARefusalEndsSilently)
{
    Child first = Launch("x.ppt");
    HWND hBox = FindBox(15000);
    ASSERT_NE(hBox, nullptr);
    // It finds the box by its title, but no block ever comes.
    Child second = Launch("-S=P");
    EXPECT_EQ(second.Wait(15000), 2u);
    EXPECT_EQ(FindWindowA("#32770", kTitleMessageBox), hBox) << "the second launch showed a box";
    PressOk(hBox);
    EXPECT_EQ(first.Wait(15000), 0u);
}

// The test plays the running instance: a hidden window titled in another letter
// case, and, as a row asks, the command block and the "taken" event.
TEST_F(Startup, AHandOverCopiesTheWholeTailOrTellsByItsExitCodeWhyNot)
{
    const std::string exe = "\"" + BinPath("tarnskov.exe") + "\"";
    const std::string untouched(kCommandBlockSize, 'X');
    enum Peer { Plain, NoBlock, TakenNeverSet, TurnHeld };
    struct Row {
        const char* name;
        std::string commandLine;
        Peer peer;
        const char* windowClass;
        DWORD code;
        std::string block; // its text afterwards; untouched when nothing was written
        LONG posts;
    } rows[] = {
        {"empty tail", exe, Plain, kFrameClass, 0, "", 1},
        {"blanks and tabs after the name", exe + " \t  -S=P", Plain, kFrameClass, 0, "-S=P", 1},
        {"inner blanks, tabs and quotes", exe + "  -Q=\"a b\"\tc  1 ", Plain, kFrameClass, 0,
         "-Q=\"a b\"\tc  1 ", 1},
        {"a presentation path", exe + " \"C:\\my lessons\\x.ppt\"", Plain, kFrameClass, 0,
         "\"C:\\my lessons\\x.ppt\"", 1},
        {"unquoted program name", BinPath("tarnskov.exe") + " -G=85", Plain, kFrameClass, 0,
         "-G=85", 1},
        // A cut answer would be recorded as wrong: 255 characters go whole, more go nowhere.
        {"255 characters", exe + " -Q=" + std::string(248, 'i') + " B 1", Plain, kFrameClass, 0,
         "-Q=" + std::string(248, 'i') + " B 1", 1},
        {"256 characters", exe + " -Q=" + std::string(249, 'i') + " B 1", Plain, kFrameClass, 1,
         untouched, 0},
        {"300 characters", exe + " -Q=" + std::string(293, 'i') + " B 1", Plain, kFrameClass, 1,
         untouched, 0},
        // A command text also takes a window of another class by its title alone.
        {"no block ever comes", exe + " -S=P", NoBlock, "RunningInstance", 2, untouched, 0},
        {"the turn not had: nothing written", exe + " -S=P", TurnHeld, kFrameClass, 3, untouched,
         0},
        {"written, but not taken", exe + " -S=P", TakenNeverSet, kFrameClass, 4, "-S=P", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HelperWindow instance(row.windowClass, "Tarnskov");
        CHandleOwner block(row.peer == NoBlock
                               ? NULL
                               : CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                                    kCommandBlockSize, kCommandBlockName));
        CMappedView view(block.Get(), kCommandBlockSize);
        if (view.Bytes())
            memset(view.Bytes(), 'X', kCommandBlockSize);
        CHandleOwner taken(row.peer == TakenNeverSet || row.peer == TurnHeld
                               ? CreateEventA(NULL, TRUE, FALSE, kTakenEventName)
                               : NULL);
        CHandleOwner turn(CreateMutexA(NULL, row.peer == TurnHeld, kSenderMutexName));

        Child child = LaunchRaw(row.commandLine);
        EXPECT_EQ(child.Wait(30000), row.code);
        EXPECT_EQ(FindBox(0), nullptr);
        for (int i = 0; i < 100 && instance.Commands() < row.posts; ++i)
            Sleep(10);
        EXPECT_EQ(instance.Commands(), row.posts);
        EXPECT_EQ(MacroValue(), kUntouched);
        if (view.Bytes()) {
            // Only the text and its NUL are written; an older text's tail stays behind.
            const std::string after(view.Bytes(), kCommandBlockSize);
            EXPECT_EQ(after.substr(0, row.block.size()), row.block);
            if (row.block.size() < kCommandBlockSize) {
                EXPECT_EQ(after.substr(row.block.size() + 1),
                          untouched.substr(row.block.size() + 1));
            }
        }
        if (row.peer == TurnHeld)
            ReleaseMutex(turn.Get());
    }
}

TEST_F(Startup, ABlockMadeSoonAfterTheWindowStillGetsTheCommand)
{
    HelperWindow instance(kFrameClass, "TARNSKOV");
    Child child = Launch("-S=late");
    // The instance is still starting its show: the block comes a moment later.
    Sleep(500);
    CHandleOwner block(CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                          kCommandBlockSize, kCommandBlockName));
    CMappedView view(block.Get(), kCommandBlockSize);
    EXPECT_EQ(child.Wait(15000), 0u);
    EXPECT_STREQ(view.Bytes(), "-S=late");
    for (int i = 0; i < 100 && instance.Commands() == 0; ++i)
        Sleep(10);
    EXPECT_EQ(instance.Commands(), 1);
}

} // namespace
