// The lesson fixture: a parameter file, a presentation and the viewer per test; the log's events.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <regex>

#include "testkit.h"

namespace lessonkit {

using namespace testkit;

// The lines of a text, each without its CR LF.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// A line of the log, and an event as a test expects one: its name, then facts its details hold
// as whole words (a path, an id, a number), whatever the sentence around them says.
struct Logged {
    std::string event, details;
};
using Event = std::vector<std::string>;

inline bool Matches(const Logged& logged, const Event& event)
{
    const std::string d = " " + logged.details + " "; // every fact found has two neighbours
    auto word = [&](size_t at) { return std::isalnum(d[at], std::locale::classic()); };
    auto holds = [&](const std::string& fact) {
        for (size_t at = d.find(fact); at != std::string::npos; at = d.find(fact, at + 1))
            if (!word(at - 1) && !word(at + fact.size()))
                return true;
        return false;
    };
    return logged.event == event[0] && std::all_of(event.begin() + 1, event.end(), holds);
}

// The log's events of one process (0: of all), in the order they were logged; every line is
// checked for its form unless the log may still be being written.
inline std::vector<Logged> LogEvents(const std::string& path, DWORD pid = 0, bool checked = true)
{
    static const std::regex line(
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (\\d+) "
        "(launch|refuse|option|params|startup|viewer|call|show|phase|close|"
        "handover|receive|record|finish|watch|session|exit) (.*)");
    std::string text;
    const bool read = ReadWholeFile(path, &text);
    EXPECT_TRUE(!checked || (read && (text.empty() || text.ends_with("\r\n"))))
        << path << ": not read, or a line without CR LF";
    std::vector<Logged> events;
    std::smatch m;
    for (const std::string& l : Lines(text)) {
        const bool ok = std::regex_match(l, m, line);
        EXPECT_TRUE(ok || !checked) << "malformed: " << l;
        if (ok && (pid == 0 || std::stoul(m[1]) == pid))
            events.push_back({m[2], m[3]});
    }
    return events;
}

inline long CountLogged(const std::vector<Logged>& events, const Event& event)
{
    return std::count_if(events.begin(), events.end(), [&](auto& l) { return Matches(l, event); });
}

// The events are logged in this order, others between them or not.
inline void ExpectInOrder(const std::vector<Logged>& events, const std::vector<Event>& expected)
{
    auto next = events.begin();
    for (const Event& event : expected) {
        next = std::find_if(next, events.end(), [&](auto& l) { return Matches(l, event); });
        ASSERT_NE(next++, events.end()) << "not logged, or out of order: " << event[0];
    }
}

// Public, so that a scenario's steps can call it.
class Lesson : public testing::Test {
public:
    static void SetUpTestSuite() { ASSERT_TRUE(RegisterViewer()) << "/RegServer failed"; }
    void SetUp() override
    {
        Lesson::TearDown();
        SetMacroProtection(1);
        DeleteValue(kLauncherKey, kCrashRecordValue);
        DeleteValue(kLauncherKey, "LogFile");
        // The test's own folder; a parameterised test's name holds a '/'.
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        m_dir = FreshDir(name);
        m_show = m_dir + "\\lesson.ppt", m_result = m_dir + "\\result.ini";
        m_quiz = m_dir + "\\quiz.csv", m_journal = m_dir + "\\calls.log";
        WriteShow("");
        WriteParams();
    }
    void TearDown() override
    {
        KillAll("tarnskov.exe");
        KillAll("quelmar.exe");
    }
    // PARAM.CMI naming the test's files, after what the head gives (a byte-order mark, say).
    void WriteParams(const std::string& head = "")
    {
        WriteParamFile(head + "[core]\r\noutput_file=" + m_result + "\r\nstudent_name=STUDENT ONE" +
                       "\r\n[Evaluation]\r\nCourse_ID=C101\r\ninteraction_file=" + m_quiz + "\r\n");
    }
    // The presentation: the journal directive, so that the viewer records every call it
    // receives in m_journal, then the given lines.
    void WriteShow(const std::string& lines)
    {
        WriteWholeFile(m_show, "#quelmar journal " + m_journal + "\r\n" + lines + "Slide\r\n");
    }
    // The diagnostic log, switched on for the test's lesson.
    void LogOn(const std::string& name = "lesson.log") { SetLogFile(m_log = m_dir + "\\" + name); }
    // Whether the log holds that event of that process (0: of any) within 10 s.
    bool AwaitLogged(const Event& event, DWORD pid = 0)
    {
        return WaitFor([&] { return CountLogged(LogEvents(m_log, pid, false), event) > 0; }, 10000);
    }
    // The first launch; returns once the lesson runs: its show's window is up and the
    // frame, past its designed wait (a sent message waits it out), watches it.
    Child Start(const std::string& tail, const char* workingDir = NULL)
    {
        Child child = Launch(tail, workingDir);
        WaitFor([&] { return FindWindowA(kShowWindowClass, NULL) != NULL || !child.Running(); },
                20000);
        Sleep(kShowWindowWaitMs);
        SendFrame(WM_NULL);
        return child;
    }
    // A message sent to the lesson's frame: whether it was handled, and its answer.
    static bool SendFrame(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                          DWORD_PTR* answer = nullptr)
    {
        return SendMessageTimeoutA(FindWindowA(kFrameClass, NULL), message, wParam, lParam,
                                   SMTO_NORMAL, 20000, answer) != 0;
    }
    Child Start() { return Start(m_show); }
    // A later launch, expected to end with that exit code (0: taken).
    void Send(const std::string& command, DWORD code = 0)
    {
        EXPECT_EQ(Launch(command).Wait(30000), code) << command.substr(0, 80);
    }
    // The lesson ended by itself unless the test killed it, its viewer with it, the option as it
    // was and its crash record gone.
    void ExpectEnded(Child& lesson, DWORD macroValue = 1, bool killed = false)
    {
        EXPECT_TRUE(killed || lesson.Wait(20000) == 0) << "the lesson did not end by itself";
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000)) << "the viewer outlived the lesson";
        EXPECT_EQ(MacroValue(), macroValue);
        EXPECT_EQ(CrashRecord(), kNoValue) << "a crash record outlived the lesson";
    }
    // The text with "{show}" standing for the presentation's path.
    std::string Filled(std::string text) const
    {
        const size_t at = text.find("{show}");
        return at == std::string::npos ? text : text.replace(at, 6, m_show);
    }
    // The box up now, whose text begins so (filled), topmost: behind a full-screen show a student
    // would never see it. The result's status is checked while it is up when given; nothing may
    // cut it short; a box that stays is not dismissed.
    void Box(const std::string& begins, const char* status = nullptr, bool stays = false)
    {
        HWND hBox = FindBox(20000);
        EXPECT_EQ(BoxText(hBox).substr(0, Filled(begins).size()), Filled(begins));
        EXPECT_TRUE(GetWindowLongA(hBox, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the box is not topmost";
        EXPECT_TRUE(!status || Result("lesson_status") == status) << Result("lesson_status");
        Sleep(500);
        EXPECT_TRUE(IsWindow(hBox)) << "the box went by itself";
        if (!stays)
            PressOk(hBox);
    }
    // A value of the result file, "<none>" when it has none.
    std::string Result(const char* key, const char* section = "core")
    {
        char sz[256];
        GetPrivateProfileStringA(section, key, "<none>", sz, sizeof(sz), m_result.c_str());
        return sz;
    }
    // The result so far; a sender ends once its text is taken, which runs a moment later.
    void ExpectResult(const std::string& status, const std::string& score)
    {
        WaitFor([&] { return Result("lesson_status") == status && Result("score") == score; },
                5000);
        EXPECT_EQ(Result("lesson_status") + "," + Result("score"), status + "," + score);
    }
    // The records as "id,response,flag" after the header, each line checked for its whole form;
    // "<malformed>" for a line that is not.
    std::vector<std::string> Records()
    {
        static const std::regex record("\"C101\",\"STUDENT ONE\",\"\\d\\d/\\d\\d/\\d{4}\","
                                       "\"\\d\\d:\\d\\d:\\d\\d\",\"([!-\x7f]+)\",([A-D]),([01])");
        std::vector<std::string> ids, lines = Lines(FileText(m_quiz));
        EXPECT_TRUE(lines.empty() || lines[0] == "\"course_id\",\"student_id\",\"date\",\"time\","
                                                 "\"interaction_id\",\"student_response\","
                                                 "\"correct_response\"")
            << lines[0];
        std::smatch m;
        for (size_t i = 1; i < lines.size(); ++i)
            ids.push_back(std::regex_match(lines[i], m, record) ? m.format("$1,$2,$3")
                                                                : "<malformed>");
        return ids;
    }
    void ExpectRecords(const std::vector<std::string>& records)
    {
        WaitFor([&] { return Records() == records; }, 5000);
        EXPECT_EQ(Records(), records);
    }
    std::vector<std::string> Journal() { return Lines(FileText(m_journal)); }
    std::string m_dir, m_show, m_result, m_quiz, m_journal, m_log;
};

} // namespace lessonkit
