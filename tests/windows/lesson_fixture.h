// The lesson fixture: a parameter file, a presentation and the stand-in viewer, per test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>

#include "rows.h"
#include "testkit.h"

namespace lessonkit {

using namespace testkit;

// The lines of a text, each without its CR LF.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The log's lines, each checked for its form.
inline std::vector<std::string> LogLines(const std::string& path)
{
    static const std::regex line("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\d+ "
                                 "(launch|refuse|option|params|startup|viewer|call|show|phase|"
                                 "handover|receive|record|finish|watch|session|exit) .*$");
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
    std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(text.size(), lines.empty() ? 0 : text.rfind("\r\n") + 2) << "a line without CR LF";
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, line)) << "malformed: " << l;
    return lines;
}

// The events ("<event> <details>") of each process, in the order they were logged.
inline std::map<DWORD, std::vector<std::string>>
EventsByProcess(const std::vector<std::string>& lines)
{
    std::map<DWORD, std::vector<std::string>> events;
    for (const std::string& line : lines) {
        const size_t pid = line.find(' ', line.find(' ') + 1) + 1, event = line.find(' ', pid) + 1;
        events[std::stoul(line.substr(pid, event - pid))].push_back(line.substr(event));
    }
    return events;
}

// Each piece begins one of the events, in this order: the very next one when adjacent, else
// other events may come between.
inline void ExpectInOrder(const std::vector<std::string>& events,
                          const std::vector<std::string>& pieces, bool adjacent = false)
{
    auto next = events.begin();
    for (const std::string& piece : pieces) {
        auto at = std::find_if(next, events.end(), [&](const std::string& e) {
            return e.compare(0, piece.size(), piece) == 0;
        });
        ASSERT_NE(at, events.end()) << "not logged, or out of order: " << piece;
        EXPECT_TRUE(!adjacent || next == events.begin() || at == next) << "not next: " << piece;
        next = at + 1;
    }
}

class Lesson : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(RegisterViewer()) << "quelmar.exe /RegServer failed";
    }

    void SetUp() override
    {
        KillAll("tarnskov.exe");
        KillAll("quelmar.exe");
        SetMacroProtection(1);
        DeleteValue(kLauncherKey, "SavedMacroVirusProtection");
        DeleteValue(kLauncherKey, "LogFile");
        m_dir = FreshDir(TestFolderName());
        m_show = m_dir + "\\lesson.ppt";
        m_result = m_dir + "\\result.ini";
        m_quiz = m_dir + "\\quiz.csv";
        m_journal = m_dir + "\\calls.log";
        WriteShow("");
        WriteParams();
    }
    // The test's own name as one folder name (a parameterised test's holds a '/').
    static std::string TestFolderName()
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return name;
    }
    // PARAM.CMI naming the test's files, after what the head gives (a byte-order mark, say).
    void WriteParams(const std::string& head = "")
    {
        WriteParamFile(head + "[core]\r\noutput_file=" + m_result +
                       "\r\nstudent_name=STUDENT ONE\r\n[Evaluation]\r\nCourse_ID=C101\r\n"
                       "interaction_file=" +
                       m_quiz + "\r\n");
    }
    // The diagnostic log, switched on for the test's lesson.
    std::string LogOn()
    {
        SetLogFile(m_dir + "\\lesson.log");
        return m_dir + "\\lesson.log";
    }
    // Whether a line of the log holds the text within 10 s.
    static bool AwaitLogged(const std::string& log, const std::string& text)
    {
        std::string now;
        return WaitFor(
            [&] { return ReadWholeFile(log, &now) && now.find(text) != std::string::npos; }, 10000);
    }
    void TearDown() override
    {
        KillAll("tarnskov.exe");
        KillAll("quelmar.exe");
    }
    // The first launch; returns once the lesson runs: its show's window is up and the
    // frame, past its designed wait (a sent message waits it out), watches it.
    Child Start(const std::string& tail, const char* workingDir = NULL)
    {
        Child child = Launch(tail, workingDir);
        WaitFor([&] { return FindWindowA(kShowWindowClass, NULL) != NULL || !child.Running(); },
                20000);
        Sleep(kShowWindowWaitMs);
        DWORD_PTR answer;
        SendMessageTimeoutA(FindWindowA(kFrameClass, NULL), WM_NULL, 0, 0, SMTO_NORMAL, 10000,
                            &answer);
        return child;
    }
    Child Start() { return Start(m_show); }
    // A later launch, expected to end with that exit code (0: taken).
    void Send(const std::string& command, DWORD code = 0)
    {
        EXPECT_EQ(Launch(command).Wait(30000), code) << command.substr(0, 80);
    }
    // The lesson and its viewer are gone, the option back and its crash record too.
    void ExpectEnded(Child& lesson, DWORD macroValue = 1)
    {
        EXPECT_EQ(lesson.Wait(20000), 0u);
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000)) << "the viewer outlived the lesson";
        EXPECT_EQ(MacroValue(), macroValue);
        EXPECT_EQ(CrashRecord(), kNoValue) << "a crash record outlived the lesson";
    }
    // The box that comes says exactly that; it is dismissed.
    static void ExpectBoxSaying(const std::string& text)
    {
        HWND hBox = FindBox(20000);
        EXPECT_EQ(BoxText(hBox), text);
        PressOk(hBox);
    }
    // A value of the result file, "<none>" when it has none.
    std::string Value(const char* section, const char* key)
    {
        char sz[256];
        GetPrivateProfileStringA(section, key, "<none>", sz, sizeof(sz), m_result.c_str());
        return sz;
    }
    std::string Result(const char* key) { return Value("core", key); }
    // The records as "id,response,flag", each line checked for its whole form, the
    // header first; one "<malformed>" for a line that is not.
    std::vector<std::string> Records()
    {
        static const std::regex record("^\"C101\",\"STUDENT ONE\",\"\\d\\d/\\d\\d/\\d{4}\","
                                       "\"\\d\\d:\\d\\d:\\d\\d\",\"([!-\x7f]+)\",([A-D]),([01])$");
        std::string text;
        std::vector<std::string> ids,
            lines = ReadWholeFile(m_quiz, &text) ? Lines(text) : std::vector<std::string>();
        for (size_t i = 0; i < lines.size(); ++i) {
            std::smatch m;
            if (i == 0)
                EXPECT_EQ(lines[0], "\"course_id\",\"student_id\",\"date\",\"time\","
                                    "\"interaction_id\",\"student_response\",\"correct_response\"");
            else
                ids.push_back(std::regex_match(lines[i], m, record)
                                  ? m[1].str() + "," + m[2].str() + "," + m[3].str()
                                  : "<malformed>");
        }
        return ids;
    }
    // The presentation: the journal directive, so that the viewer records every call it
    // receives in m_journal, then the given lines.
    void WriteShow(const std::string& lines)
    {
        WriteWholeFile(m_show, "#quelmar journal " + m_journal + "\r\n" + lines + "Slide\r\n");
    }
    std::vector<std::string> Journal()
    {
        std::string text;
        return ReadWholeFile(m_journal, &text) ? Lines(text) : std::vector<std::string>();
    }
    // The open call the launcher must make on m_show, answered.
    std::string OpenCall() const { return "app 2002 BSTR:" + m_show + " I4:1 I4:0 -> ok"; }
    std::string m_dir, m_show, m_result, m_quiz, m_journal;
};

} // namespace lessonkit
