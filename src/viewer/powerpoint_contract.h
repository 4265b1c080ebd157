// Today's PowerPoint as the bridge reaches it and its stand-in answers: ProgID, classes, window
// classes, the Run Programs policy and the bridge's own registration, shared by the bridge, the
// stand-in, lessoncheck's PC check, the package, the test kit and the bench.
#pragma once

// What the bridge creates, by name; the stand-in registers under it too.
const char kPowerPointProgId[] = "PowerPoint.Application";
// PowerPoint's main window, and the presenter view's.
const char kPowerPointFrameClass[] = "PPTFrameClass";
const char kPresenterViewClass[] = "PodiumParent";

// The bridge, tarnskov-powerpoint.exe, registered under the viewer's ProgID in the viewer's place.
const char kBridgeExeName[] = "tarnskov-powerpoint.exe";
const char kBridgeClsidText[] = "{325B0DD8-472F-4274-B7A9-8F8F6E258EBC}";
// The stand-in of PowerPoint for the tests and the demo, powerpoint-standin.exe.
const char kStandinExeName[] = "powerpoint-standin.exe";
const char kStandinClsidText[] = "{BD91F6E7-0C32-4633-B89E-29D8B93A1722}";

// The stand-in's test directives: values under this HKEY_CURRENT_USER key, read when it starts
// (tools/powerpoint-standin/standin.h says what each does).
const char kStandinTestKey[] = "Software\\Tarnskov\\PowerPoint stand-in";
const char kStandinJournalValue[] = "Journal";             // REG_SZ
const char kStandinRejectCallsValue[] = "RejectCallsMs";   // REG_DWORD
const char kStandinDieMidShowValue[] = "DieMidShowMs";     // REG_DWORD
const char kStandinPresenterViewValue[] = "PresenterView"; // REG_DWORD
// The stand-in's question before a "Run program" runs under the asking policy: its box's title.
const char kStandinPromptTitle[] = "PowerPoint stand-in: Run program";

// Active Setup's entry under HKLM "Software\Microsoft\Active Setup\Installed Components", whose
// StubPath gives each user who logs on the viewer's options value.
const char kActiveSetupComponent[] = "{E90589F0-D6A1-4EDD-8615-39E0C0318E0F}";
// The bridge's per-user command that StubPath runs: "<bridge's path>" /UserSetup.
const char kBridgeUserSetupOption[] = "/UserSetup";

// PowerPoint 2016 to Microsoft 365: whether a "Run program" action runs (HKCU, REG_DWORD).
const char kRunProgramsPolicyKey[] =
    "Software\\Policies\\Microsoft\\Office\\16.0\\PowerPoint\\Security";
const char kRunProgramsValue[] = "RunPrograms";
const unsigned long kRunProgramsNever = 0; // also when absent: PowerPoint's default
const unsigned long kRunProgramsAsk = 1;
const unsigned long kRunProgramsAlways = 2;

// MsoTriState, passed as VT_I4; msoCTrue (1) means "not supported" and is refused.
const long kMsoTrue = -1;
const long kMsoFalse = 0;
// PpSlideShowType: a speaker's show, paged on by a click; in a window; at a kiosk, where only
// the show's own buttons page.
const long kPpShowTypeSpeaker = 1;
const long kPpShowTypeWindow = 2;
const long kPpShowTypeKiosk = 3;
