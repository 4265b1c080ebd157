// Lessons through the bridge against the PowerPoint stand-in: the calls the bridge makes by name,
// what its quit leaves of the student's PowerPoint, and its end with a launcher that died.
#include "lesson_fixture.h"
#include "viewer/powerpoint_contract.h"

#include <ole2.h>

namespace {

using namespace lessonkit;

class Bridge : public Lesson {
public:
    // The bridge in quelmar's place, the stand-in as PowerPoint; quelmar is back at the end.
    static void SetUpTestSuite()
    {
        ASSERT_EQ(LaunchRaw("\"" + BinPath(kStandinExeName) + "\" /RegServer /force").Wait(30000),
                  0u);
        UnregisterViewer();
        ASSERT_EQ(RunBridge("/RegServer"), 0u);
    }
    static void TearDownTestSuite()
    {
        RunBridge("/UnregServer");
        RegisterViewer();
    }
    static DWORD RunBridge(const char* options)
    {
        return LaunchRaw("\"" + BinPath(kBridgeExeName) + "\" " + options).Wait(30000);
    }
    void SetUp() override
    {
        Lesson::SetUp();
        KillStandin();
        ASSERT_TRUE(CopyFileA(BinPath("good.ppt").c_str(), m_show.c_str(), FALSE));
        SetValue(kStandinTestKey, kStandinJournalValue, REG_SZ, m_journal.c_str(),
                 static_cast<DWORD>(m_journal.size() + 1));
    }
    void TearDown() override
    {
        Lesson::TearDown();
        KillAll(kBridgeExeName);
        KillStandin();
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinTestKey);
    }
    // Neither the bridge nor the stand-in within 5 s.
    static bool AllEnded()
    {
        return WaitNoProcess(kBridgeExeName, 5000) && WaitNoProcess(kStandinExeName, 5000);
    }
};

// Late-bound, by name: a read-only open without a window, a speaker's show without presenter
// view, the restart in the same window, the quit closing the lesson and the PowerPoint it started.
TEST_F(Bridge, DrivesPowerPointByNameAndEndsWhatItStarted)
{
    Child lesson = Start();
    const HWND hShow = FindWindowA(kShowWindowClass, NULL);
    Send("-R");
    EXPECT_EQ(FindWindowA(kShowWindowClass, NULL), hShow);
    Send("-S=P -G=85");
    ExpectResult("P", "85");
    ExpectEnded(lesson);
    EXPECT_TRUE(AllEnded());
    std::vector<std::string> calls = Lines(FileText(m_journal));
    for (std::string& call : calls)
        call = call.substr(0, call.find(" -> ")) + (call.ends_with(" -> ok") ? "" : " FAILED");
    // Each member's DISPID is asked for by name right before its call; "=" marks a property set.
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

// The student's PowerPoint, running with a presentation of their own, stays as it was.
TEST_F(Bridge, LeavesTheStudentsPowerPoint)
{
    CoInitialize(NULL);
    CLSID clsid;
    IDispatch* pApp = NULL;
    ASSERT_EQ(CLSIDFromProgID(L"PowerPoint.Application", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, NULL, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&pApp)),
              S_OK);
    auto call = [](IDispatch* p, LPCOLESTR name, WORD flags, VARIANT* arg = NULL) {
        DISPID id = 0;
        VARIANT result = {};
        DISPPARAMS params = {arg, NULL, arg ? 1u : 0u, 0};
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        if (p->GetIDsOfNames(IID_NULL, names, 1, 0, &id) == S_OK)
            p->Invoke(id, IID_NULL, 0, flags, &params, &result, NULL, NULL);
        return result;
    };
    const std::string mine = m_dir + "\\mine.ppt";
    ASSERT_TRUE(CopyFileA(m_show.c_str(), mine.c_str(), FALSE));
    VARIANT path = {};
    path.vt = VT_BSTR;
    path.bstrVal = SysAllocString(std::wstring(mine.begin(), mine.end()).c_str());
    IDispatch* pPresentations = call(pApp, L"Presentations", DISPATCH_PROPERTYGET).pdispVal;
    VARIANT opened = call(pPresentations, L"Open", DISPATCH_METHOD, &path);
    VariantClear(&opened);
    VariantClear(&path);

    Child lesson = Start();
    Send("-S=P -G=85");
    ExpectEnded(lesson);
    EXPECT_TRUE(WaitNoProcess(kBridgeExeName, 5000));
    EXPECT_EQ(CountProcesses(kStandinExeName), 1u);
    EXPECT_EQ(call(pPresentations, L"Count", DISPATCH_PROPERTYGET).lVal, 1);
    call(pApp, L"Quit", DISPATCH_METHOD);
    pPresentations->Release();
    pApp->Release();
    CoUninitialize();
}

// PowerPoint busy for 2 s from the first call: the bridge tries again until it answers.
TEST_F(Bridge, RetriesAPowerPointBusyDuringTheOpen)
{
    SetDword(kStandinTestKey, kStandinRejectCallsValue, 2000);
    Child lesson = Start();
    Send("-S=P -G=85");
    ExpectResult("P", "85");
    ExpectEnded(lesson);
    EXPECT_TRUE(AllEnded());
    const std::string calls = FileText(m_journal);
    EXPECT_NE(calls.find("-> rejected"), std::string::npos);
    EXPECT_NE(calls.find("Presentations Open BSTR:" + m_show), std::string::npos);
}

// A launcher killed mid-lesson takes the bridge and the PowerPoint it started with it.
TEST_F(Bridge, EndsWithALauncherThatDied)
{
    Child lesson = Start();
    ASSERT_NE(CountProcesses(kStandinExeName), 0u);
    lesson.Kill();
    EXPECT_TRUE(AllEnded());
}

} // namespace
