// The lesson fixture: a parameter file, a presentation and the stand-in viewer, per test.
#pragma once

#include <gtest/gtest.h>

#include <regex>

#include "testkit.h"

namespace lessonkit {

using namespace testkit;

const std::string kHeader = kQuizHeader;

// The lines of a file, each without its CR LF.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A record with its date and time, which the clock decides, checked for their
// shape and replaced by D and T.
inline std::string WithoutClock(const std::string& line)
{
    static const std::regex record("^(\"[^\"]*\",\"[^\"]*\",)\"\\d\\d/\\d\\d/\\d{4}\","
                                   "\"\\d\\d:\\d\\d:\\d\\d\"(,.*)$");
    std::smatch m;
    if (!std::regex_match(line, m, record))
        return "<malformed: " + line + ">";
    return m[1].str() + "\"D\",\"T\"" + m[2].str();
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
        DeleteCrashRecord();
        DeleteLogFileValue();
        m_dir = FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        m_show = m_dir + "\\lesson.ppt";
        m_result = m_dir + "\\result.ini";
        m_quiz = m_dir + "\\quiz.csv";
        m_journal = m_dir + "\\calls.log";
        WriteWholeFile(m_show, "Welcome\r\nQuestion 7\r\nThe end\r\n");
        WriteParamFile("[core]\r\noutput_file=" + m_result +
                       "\r\nstudent_name=STUDENT ONE\r\n[Evaluation]\r\nCourse_ID=C101\r\n"
                       "interaction_file=" +
                       m_quiz + "\r\n");
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
        DWORD start = GetTickCount();
        while (FindWindowA(kShowWindowClass, NULL) == NULL && GetTickCount() - start < 20000 &&
               child.Running())
            Sleep(20);
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
    void ExpectEnded(Child& lesson, DWORD macroValue = 1)
    {
        EXPECT_EQ(lesson.Wait(20000), 0u);
        EXPECT_TRUE(WaitNoProcess("quelmar.exe", 10000)) << "the viewer outlived the lesson";
        EXPECT_EQ(MacroValue(), macroValue);
        DWORD recorded;
        EXPECT_FALSE(GetCrashRecord(&recorded)) << "a crash record outlived the lesson";
    }
    // A value of the result file, "<none>" when it has none.
    std::string Value(const char* section, const char* key)
    {
        char sz[256];
        GetPrivateProfileStringA(section, key, "<none>", sz, sizeof(sz), m_result.c_str());
        return sz;
    }
    std::string Result(const char* key) { return Value("core", key); }
    std::string Quiz()
    {
        std::string s;
        return ReadWholeFile(m_quiz, &s) ? s : "<missing>";
    }
    // The presentation: the journal directive, so that the viewer records every call it
    // receives in m_journal, then the given lines.
    void WriteShow(const std::string& lines)
    {
        WriteWholeFile(m_show, "#quelmar journal " + m_journal + "\r\n" + lines);
    }
    // The viewer's journal, line by line; none before a presentation named it.
    std::vector<std::string> Journal()
    {
        std::string s;
        return ReadWholeFile(m_journal, &s) ? Lines(s) : std::vector<std::string>();
    }
    std::string m_dir, m_show, m_result, m_quiz, m_journal;
};

} // namespace lessonkit
