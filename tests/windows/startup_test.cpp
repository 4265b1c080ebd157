// Start-up, its refusals and the hand-over, through real launches of tarnskov.exe.
#include <gtest/gtest.h>

#include <memory>

#include "testkit.h"

using namespace testkit;

namespace {

const DWORD kUntouched = 1;

class Startup : public testing::Test {
protected:
    void SetUp() override
    {
        KillAll("tarnskov.exe");
        m_viewerWasRegistered = ViewerRegistered();
        SetMacroProtection(kUntouched);
        DeleteValue(kLauncherKey, "SavedMacroVirusProtection");
        DeleteParamFile();
    }
    void TearDown() override
    {
        KillAll("tarnskov.exe");
        if (m_viewerWasRegistered)
            RegisterViewer();
    }
    bool m_viewerWasRegistered = false;
};

TEST_F(Startup, EachRefusalIsReportedAndTheOptionEndsAsItWas)
{
    // clang-format off
    enum Setup { Nothing, FullProgram, NoViewerKey, AShow, NoOptionsKey, NoOption, OptionText,
                 CrashRecordAndShow };
    // clang-format on
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
        {"no options key", NoOptionsKey, 1, NULL, "x.ppt", "PPT Viewer not found", kNoValue,
         kNoValue},
        {"no option", NoOption, 1, NULL, "x.ppt", "PPT Viewer failure", kNoValue, kNoValue},
        {"the option is text", OptionText, 1, NULL, "x.ppt", "PPT Viewer failure", kNoValue,
         kNoValue},
        // A launcher killed mid-lesson left the option off and its viewer running: the
        // option is written back before any check.
        {"a crash record", CrashRecordAndShow, 0, NULL, "x.ppt",
         "PPT Viewer still running\n\nQUELMAR.EXE x.ppt", 7, 7},
        {"no parameter file", Nothing, 7, NULL, "x.ppt", "Result File not found", 0, 7},
        {"an all-ones option", Nothing, 0xFFFFFFFF, NULL, "x.ppt", "Result File not found", 0,
         0xFFFFFFFF},
        {"no core section", Nothing, 7, "[Evaluation]\r\nCourse_ID=C1\r\n", "x.ppt",
         "Result File not found", 0, 7},
        {"no student name", Nothing, 7, "[core]\r\noutput_file=r.ini\r\n", "x.ppt",
         "Student Name miss", 0, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CRegKeyOwner viewerKey;
        if (row.setup == NoViewerKey)
            UnregisterViewer();
        else
            viewerKey.Create(HKEY_CLASSES_ROOT, kViewerProgId, KEY_READ);
        SetMacroProtection(row.option);
        DeleteParamFile();
        if (row.paramFile)
            WriteParamFile(row.paramFile);
        if (row.setup == NoOptionsKey)
            RegDeleteKeyA(HKEY_CURRENT_USER, kOptionsKey);
        if (row.setup == NoOption)
            DeleteValue(kOptionsKey, "MacroVirusProtection");
        if (row.setup == OptionText)
            SetValue(kOptionsKey, "MacroVirusProtection", REG_SZ, "1", 2);
        if (row.setup == CrashRecordAndShow)
            SetDword(kLauncherKey, "SavedMacroVirusProtection", 7);
        std::unique_ptr<HelperWindow> window;
        if (row.setup == FullProgram)
            window.reset(new HelperWindow("PP97FrameClass", "Microsoft PowerPoint"));
        if (row.setup == AShow || row.setup == CrashRecordAndShow)
            window.reset(new HelperWindow(kShowWindowClass, "other show", true));

        // While the option is off, the crash record holds the value to write back.
        Child child = Launch(row.tail);
        HWND hBox = FindBox(15000);
        EXPECT_EQ(BoxText(hBox), row.text);
        EXPECT_EQ(MacroValue(), row.during);
        EXPECT_EQ(CrashRecord(), row.during == 0 ? row.after : kNoValue);
        PressOk(hBox);
        EXPECT_EQ(child.Wait(15000), 0u);
        EXPECT_EQ(MacroValue(), row.after);
        EXPECT_EQ(CrashRecord(), kNoValue);
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
        {"inner blanks, tabs and quotes", exe + "  -Q=\"a b\"\tc  1 ", Plain, kFrameClass, 0,
         "-Q=\"a b\"\tc  1 ", 1},
        {"a presentation path", exe + " \"C:\\my lessons\\x.ppt\"", Plain, kFrameClass, 0,
         "\"C:\\my lessons\\x.ppt\"", 1},
        // A cut answer would be recorded as wrong: 255 characters go whole, more go nowhere.
        {"255 characters", exe + " -Q=" + std::string(248, 'i') + " B 1", Plain, kFrameClass, 0,
         "-Q=" + std::string(248, 'i') + " B 1", 1},
        {"256 characters", exe + " -Q=" + std::string(249, 'i') + " B 1", Plain, kFrameClass, 1,
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
