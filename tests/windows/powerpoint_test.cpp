// The PowerPoint stand-in by itself, through COM as the bridge reaches it; real lessons played
// through the launcher, the bridge and the stand-in.
#include "lesson_fixture.h"
#include "viewer/powerpoint_contract.h"

#include <ole2.h>

#include <algorithm>
#include <memory>

namespace {

using namespace lessonkit;

// An automation reference the test owns.
struct Releaser {
    void operator()(IDispatch* p) const { p->Release(); }
};
using Ref = std::unique_ptr<IDispatch, Releaser>;

// The tests' paths are ASCII.
VARIANT Text(const std::string& text)
{
    VARIANT v = {};
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(std::wstring(text.begin(), text.end()).c_str());
    return v;
}
VARIANT Num(VARTYPE vt, long n)
{
    VARIANT v = {};
    v.vt = vt;
    vt == VT_I4 ? (void)(v.lVal = n) : (void)(v.iVal = static_cast<SHORT>(n));
    return v;
}

// A late-bound call by name, its arguments in declared order (a set's value alone): its HRESULT,
// the argument it blamed, and its result.
struct Outcome {
    HRESULT hr = E_FAIL;
    UINT argErr = ~0u;
    VARIANT result = {};
};
Outcome Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {})
{
    Outcome out;
    DISPID id = 0, put = DISPID_PROPERTYPUT;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    out.hr = object ? object->GetIDsOfNames(IID_NULL, names, 1, 0, &id) : E_POINTER;
    std::reverse(args.begin(), args.end());
    const bool set = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params = {args.data(), set ? &put : nullptr, static_cast<UINT>(args.size()),
                         set ? 1u : 0u};
    EXCEPINFO ei = {};
    if (SUCCEEDED(out.hr))
        out.hr = object->Invoke(id, IID_NULL, 0, flags, &params, &out.result, &ei, &out.argErr);
    SysFreeString(ei.bstrSource), SysFreeString(ei.bstrDescription);
    for (VARIANT& v : args)
        VariantClear(&v);
    return out;
}
Ref Get(IDispatch* object, const wchar_t* name, WORD flags = DISPATCH_PROPERTYGET,
        std::vector<VARIANT> args = {})
{
    Outcome out = Call(object, name, flags, std::move(args));
    EXPECT_EQ(out.hr, S_OK) << "no object from " << static_cast<const void*>(name);
    return Ref(out.result.vt == VT_DISPATCH ? out.result.pdispVal : nullptr);
}
long Long(IDispatch* object, const wchar_t* name)
{
    return Call(object, name, DISPATCH_PROPERTYGET).result.lVal;
}

Ref CreatePowerPoint()
{
    CLSID clsid;
    IDispatch* p = nullptr;
    EXPECT_EQ(CLSIDFromProgID(L"PowerPoint.Application", &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&p)),
              S_OK);
    return Ref(p);
}

// The stand-in registered, its journal in the test's folder, a copy of good.ppt to open, COM on
// the test's thread; no stand-in and no directive left after.
class PowerPoint : public Lesson {
public:
    static void SetUpTestSuite()
    {
        Lesson::SetUpTestSuite();
        ASSERT_EQ(RunProgram(kStandinExeName, "/RegServer /force"), 0u);
    }
    static DWORD RunProgram(const char* exe, const std::string& options)
    {
        return LaunchRaw("\"" + BinPath(exe) + "\" " + options).Wait(30000);
    }
    void SetUp() override
    {
        Lesson::SetUp();
        CoInitialize(nullptr);
        DeleteValue(kRunProgramsPolicyKey, kRunProgramsValue);
        SetValue(kStandinTestKey, kStandinJournalValue, REG_SZ, m_journal.c_str(),
                 static_cast<DWORD>(m_journal.size() + 1));
        ASSERT_TRUE(CopyFileA(BinPath("good.ppt").c_str(), m_show.c_str(), FALSE));
    }
    void TearDown() override
    {
        CoUninitialize();
        Lesson::TearDown();
        KillAll(kBridgeExeName);
        KillStandin();
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinTestKey);
    }
};
using StandIn = PowerPoint;

// Each call as it was made, and what the object model makes of it.
TEST_F(StandIn, AnswersByNameAsStrictlyAsTheReference)
{
    Ref app = CreatePowerPoint(), presentations = Get(app.get(), L"Presentations");
    struct Row {
        const wchar_t* name;
        WORD flags;
        std::vector<VARIANT> args;
        HRESULT hr;
        UINT argErr;
    };
    const Row rows[] = {
        {L"Nonesuch", DISPATCH_METHOD, {}, DISP_E_UNKNOWNNAME, ~0u},
        {L"Open", DISPATCH_METHOD, {Num(VT_I4, 1), Num(VT_I4, 0)}, DISP_E_TYPEMISMATCH, 1},
        {L"Open", DISPATCH_METHOD, {Text(m_show), Text("yes")}, DISP_E_TYPEMISMATCH, 0},
        {L"Open", DISPATCH_METHOD, {}, DISP_E_PARAMNOTOPTIONAL, ~0u},
        {L"Open", DISPATCH_METHOD, {Text(m_show), Num(VT_I4, 1)}, DISP_E_EXCEPTION, ~0u},
        {L"Open", DISPATCH_PROPERTYGET, {Text(m_show)}, DISP_E_MEMBERNOTFOUND, ~0u},
        {L"Count", DISPATCH_PROPERTYPUT, {Num(VT_I4, 1)}, DISP_E_MEMBERNOTFOUND, ~0u},
        {L"open", DISPATCH_METHOD, {Text(m_dir + "\\none.ppt")}, DISP_E_EXCEPTION, ~0u},
        {L"Open",
         DISPATCH_METHOD,
         {Text(m_show), Num(VT_BOOL, VARIANT_TRUE), Num(VT_I2, 0), Num(VT_I4, 0)},
         S_OK,
         ~0u}};
    for (const Row& row : rows) {
        Outcome out = Call(presentations.get(), row.name, row.flags, row.args);
        EXPECT_EQ(out.hr, row.hr) << &row - rows;
        EXPECT_TRUE(row.hr != DISP_E_TYPEMISMATCH || out.argErr == row.argErr) << &row - rows;
        VariantClear(&out.result);
    }
    EXPECT_EQ(Long(presentations.get(), L"Count"), 1);
    const std::vector<std::string> calls = Journal();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        "Presentations Open BSTR:" + m_show + " BOOL:-1 I2:0 I4:0 -> ok"),
              calls.end());
    EXPECT_EQ(FindWindowA(kPowerPointFrameClass, nullptr), nullptr) << "opened without a window";
    Call(app.get(), L"Quit", DISPATCH_METHOD);
    EXPECT_TRUE(WaitNoProcess(kStandinExeName, 5000));
}

// A second CreateObject attaches to the one instance; its windows follow the calls; Quit ends it
// while references remain.
TEST_F(StandIn, OneInstanceShowsItsWindowsAndEndsOnQuit)
{
    Ref app = CreatePowerPoint(), again = CreatePowerPoint();
    Ref presentation =
        Get(Get(app.get(), L"Presentations").get(), L"Open", DISPATCH_METHOD, {Text(m_show)});
    EXPECT_EQ(Long(Get(again.get(), L"Presentations").get(), L"Count"), 1);
    EXPECT_EQ(CountProcesses(kStandinExeName), 1u);
    EXPECT_NE(FindWindowA(kPowerPointFrameClass, nullptr), nullptr) << "WithWindow's default";
    Ref settings = Get(presentation.get(), L"SlideShowSettings");
    EXPECT_EQ(Call(settings.get(), L"ShowPresenterView", DISPATCH_PROPERTYPUT, {Num(VT_I4, -1)}).hr,
              S_OK);
    Ref window = Get(settings.get(), L"Run", DISPATCH_METHOD), view = Get(window.get(), L"View");
    const HWND hShow = FindWindowA(kShowWindowClass, nullptr);
    EXPECT_EQ(Long(window.get(), L"HWND"), HandleToLong(hShow));
    EXPECT_NE(FindWindowA(kPresenterViewClass, nullptr), nullptr);
    EXPECT_EQ(Call(view.get(), L"GotoSlide", DISPATCH_METHOD, {Num(VT_I2, 3)}).hr, S_OK);
    EXPECT_EQ(Long(view.get(), L"CurrentShowPosition"), 3);
    EXPECT_EQ(Call(view.get(), L"First", DISPATCH_METHOD).hr, S_OK);
    EXPECT_EQ(Long(view.get(), L"CurrentShowPosition"), 1);
    SendMessageA(hShow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(hShow));
    EXPECT_TRUE(WaitFor([] { return !FindWindowA(kPresenterViewClass, nullptr); }, 2000));
    EXPECT_EQ(Call(presentation.get(), L"SlideShowWindow", DISPATCH_PROPERTYGET).hr,
              DISP_E_EXCEPTION);
    EXPECT_EQ(Call(presentation.get(), L"Close", DISPATCH_METHOD).hr, S_OK);
    EXPECT_EQ(FindWindowA(kPowerPointFrameClass, nullptr), nullptr);
    EXPECT_EQ(Call(app.get(), L"Quit", DISPATCH_METHOD).hr, S_OK);
    EXPECT_TRUE(WaitNoProcess(kStandinExeName, 5000)) << "Quit left it running";
    EXPECT_NE(Call(again.get(), L"Version", DISPATCH_PROPERTYGET).hr, S_OK);
}

// Where good.ppt's buttons name the launcher; its Finish sends P and 90 as written.
const char* const kLauncherDirs[] = {"C:\\CBT", "C:\\Program Files (x86)\\Tarnskov"};

// The bridge in the viewer's place, per suite; per test the policy as the row sets it.
class Bridged : public PowerPoint {
public:
    static void SetUpTestSuite()
    {
        PowerPoint::SetUpTestSuite();
        UnregisterViewer();
        ASSERT_EQ(RunProgram(kBridgeExeName, "/RegServer"), 0u);
        for (const std::string dir : kLauncherDirs) {
            CreateDirectoryA(dir.c_str(), NULL);
            ASSERT_TRUE(CopyFileA(BinPath("tarnskov.exe").c_str(), (dir + "\\tarnskov.exe").c_str(),
                                  FALSE));
        }
    }
    static void TearDownTestSuite()
    {
        RunProgram(kBridgeExeName, "/UnregServer");
        for (const std::string dir : kLauncherDirs) {
            DeleteFileA((dir + "\\tarnskov.exe").c_str());
            RemoveDirectoryA(dir.c_str());
        }
    }
    void Policy(DWORD value) { SetDword(kRunProgramsPolicyKey, kRunProgramsValue, value); }
    static HWND Show() { return FindWindowA(kShowWindowClass, NULL); }
    static HWND Button(const char* label) { return FindWindowExA(Show(), NULL, "Button", label); }
    static void Press(const char* label)
    {
        EXPECT_NE(Button(label), nullptr) << "no button " << label << " on the slide";
        SendMessageA(Button(label), BM_CLICK, 0, 0);
    }
    // Esc as the student ends the show; the lesson then ends incomplete.
    void Escape(Child& lesson, size_t standins = 0)
    {
        PostMessageA(Show(), WM_KEYDOWN, VK_ESCAPE, 0);
        Ended(lesson, "I,S", standins);
    }
    // The lesson ended by itself with that status, the option restored; within 5 s no bridge,
    // and no stand-in unless one was running before.
    void Ended(Child& lesson, const char* status, size_t standins = 0)
    {
        EXPECT_EQ(lesson.Wait(20000), 0u) << "the lesson did not end by itself";
        EXPECT_EQ(Result("lesson_status"), status);
        EXPECT_EQ(MacroValue(), 1u);
        EXPECT_TRUE(WaitFor(
            [&] {
                return CountProcesses(kBridgeExeName) == 0 &&
                       CountProcesses(kStandinExeName) == standins;
            },
            5000))
            << "the bridge or a stand-in outlived the lesson";
    }
    bool Journalled(const std::string& part)
    {
        const std::vector<std::string> calls = Journal();
        return std::any_of(calls.begin(), calls.end(),
                           [&](auto& l) { return l.find(part) != std::string::npos; });
    }
};

// Answers recorded as the buttons run the launcher, the result written by the Finish.
TEST_F(Bridged, PolicyTwoRunsTheButtons)
{
    Policy(kRunProgramsAlways);
    Child lesson = Start();
    Press("Start");
    Press("D) 4");
    ExpectRecords({"Q1,D,1"});
    Press("Next");
    Press("B) Blue");
    ExpectRecords({"Q1,D,1", "Q2,B,1"});
    SendMessageA(Show(), WM_LBUTTONDOWN, 0, 0);
    Press("Finish");
    Ended(lesson, "P");
    ExpectResult("P", "90");
    EXPECT_TRUE(Journalled("SlideShowSettings ShowType= I4:1 -> ok"));
    EXPECT_TRUE(Journalled("Presentations Open BSTR:" + m_show + " I4:-1"));
}

// PowerPoint's default: nothing runs; the student's Esc ends the lesson with no answer.
TEST_F(Bridged, WithoutThePolicyTheButtonsDoNothing)
{
    Child lesson = Start();
    Press("Start");
    Press("D) 4");
    Escape(lesson);
    EXPECT_EQ(Records(), std::vector<std::string>{});
    EXPECT_TRUE(Journalled("(program) policy 0 "));
}

// Asked first: No runs nothing, Yes runs the answer.
TEST_F(Bridged, PolicyOneRunsOnlyOnceTheStudentAgrees)
{
    Policy(kRunProgramsAsk);
    Child lesson = Start();
    Press("Start");
    for (int answer : {IDNO, IDYES}) {
        PostMessageA(Button("D) 4"), BM_CLICK, 0, 0);
        HWND hBox = NULL;
        EXPECT_TRUE(
            WaitFor([&] { return (hBox = FindWindowA("#32770", kStandinPromptTitle)); }, 10000));
        Sleep(500);
        EXPECT_EQ(Records(), std::vector<std::string>{}) << "ran before the student agreed";
        PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(hBox); }, 5000));
    }
    ExpectRecords({"Q1,D,1"});
    Escape(lesson);
}

// The student's own PowerPoint, with a presentation open, is attached to and left as it was.
TEST_F(Bridged, TheStudentsPowerPointStaysAsItWas)
{
    const std::string own = m_dir + "\\own.ppt";
    ASSERT_TRUE(CopyFileA(m_show.c_str(), own.c_str(), FALSE));
    Child student = LaunchRaw("\"" + BinPath(kStandinExeName) + "\" \"" + own + "\"");
    ASSERT_TRUE(WaitFor([] { return FindWindowA(kPowerPointFrameClass, NULL) != NULL; }, 10000));
    Child lesson = Start();
    Escape(lesson, 1);
    EXPECT_TRUE(student.Running());
    {
        Ref app = CreatePowerPoint(), presentations = Get(app.get(), L"Presentations");
        EXPECT_EQ(Long(presentations.get(), L"Count"), 1);
        Ref first = Get(presentations.get(), L"Item", DISPATCH_METHOD, {Num(VT_I4, 1)});
        Outcome name = Call(first.get(), L"FullName", DISPATCH_PROPERTYGET);
        EXPECT_EQ(name.result.vt == VT_BSTR ? std::wstring(name.result.bstrVal) : L"",
                  std::wstring(own.begin(), own.end()));
        VariantClear(&name.result);
    }
}

// Every call refused for 2 s from the open's first: the bridge's retries carry the lesson on.
TEST_F(Bridged, CallsRejectedDuringTheOpenDelayIt)
{
    SetDword(kStandinTestKey, kStandinRejectCallsValue, 2000);
    Child lesson = Start();
    EXPECT_NE(Show(), nullptr) << "the show never came";
    EXPECT_TRUE(Journalled("-> rejected"));
    Escape(lesson);
}

// PowerPoint dying mid-show ends the lesson incomplete, as the viewer's death does.
TEST_F(Bridged, PowerPointDyingMidShowEndsTheLesson)
{
    SetDword(kStandinTestKey, kStandinDieMidShowValue, 3000);
    Child lesson = Start();
    Ended(lesson, "I,S");
    EXPECT_TRUE(Journalled("(directive) died mid-show"));
    KillAll("rpcss.exe"); // Wine keeps the dead stand-in's class registered
}

// The restart shows slide 1 in the same window (the launcher restarts once it has taken the
// text, so the test waits for it); the Finish afterwards writes the result.
TEST_F(Bridged, RestartGoesBackToSlideOneInTheSameWindow)
{
    Policy(kRunProgramsAlways);
    Child lesson = Start();
    const HWND hShow = Show();
    Press("Start");
    Press("Next");
    Send("-R");
    EXPECT_TRUE(WaitFor([] { return Button("Start") != NULL; }, 10000)) << "not on slide 1";
    EXPECT_EQ(Show(), hShow);
    Press("Start");
    Press("Next");
    SendMessageA(Show(), WM_LBUTTONDOWN, 0, 0);
    Press("Finish");
    Ended(lesson, "P");
    ExpectResult("P", "90");
    std::vector<std::string> calls; // the calls alone, not the programs the buttons ran
    for (const std::string& line : Journal())
        if (!line.starts_with("(program)"))
            calls.push_back(line.substr(0, line.find(" -> ")) +
                            (line.ends_with(" -> ok") ? "" : " FAILED"));
    // Late-bound: each member's DISPID asked for by name right before its call ("=" a property
    // set); a read-only open without a window, a speaker's show without presenter view, the
    // restart in the same window, the quit closing the lesson and the PowerPoint it started.
    const std::pair<std::string, std::string> made[] = {
        {"Application", "Presentations"},
        {"Presentations", "Count"},
        {"Presentations", "Open| BSTR:" + m_show + " I4:-1 I4:0 I4:0"},
        {"Presentation", "FullName"},
        {"Presentation", "SlideShowSettings"},
        {"SlideShowSettings", "ShowType|= I4:1"},
        {"SlideShowSettings", "ShowPresenterView|= I4:0"},
        {"SlideShowSettings", "Run"},
        {"SlideShowWindow", "View"},
        {"SlideShowWindow", "View"},
        {"SlideShowView", "GotoSlide| I4:1"},
        {"Presentation", "Close"},
        {"Application", "Presentations"},
        {"Presentations", "Count"},
        {"Application", "Quit"}};
    std::vector<std::string> expected;
    for (const auto& [object, member] : made) {
        const std::string name = member.substr(0, member.find('|'));
        expected.push_back(object + " GetIDsOfNames " + name);
        expected.push_back(object + " " + name +
                           (name == member ? "" : member.substr(member.find('|') + 1)));
    }
    EXPECT_EQ(calls, expected);
}

// A launcher killed mid-lesson takes the bridge and the PowerPoint it started with it.
TEST_F(Bridged, EndsWithALauncherThatDied)
{
    Child lesson = Start();
    ASSERT_NE(CountProcesses(kStandinExeName), 0u);
    lesson.Kill();
    EXPECT_TRUE(WaitFor(
        [] { return CountProcesses(kBridgeExeName) + CountProcesses(kStandinExeName) == 0; },
        5000));
}

} // namespace
