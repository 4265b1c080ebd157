// Lessons through the bridge against the PowerPoint stand-in: the calls the bridge makes by name,
// and its end with a launcher that died. powerpoint_tests plays the lessons themselves.
#include "lesson_fixture.h"
#include "viewer/powerpoint_contract.h"

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

// A launcher killed mid-lesson takes the bridge and the PowerPoint it started with it.
TEST_F(Bridge, EndsWithALauncherThatDied)
{
    Child lesson = Start();
    ASSERT_NE(CountProcesses(kStandinExeName), 0u);
    lesson.Kill();
    EXPECT_TRUE(AllEnded());
}

} // namespace
