// The diagnostic log: what a lesson leaves in it when it is on, and nothing when it is off.
#include <set>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// The log's lines, each checked for its form, and how many hold a piece.
std::vector<std::string> LogLines(const std::string& path)
{
    static const std::regex line("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\d+ "
                                 "(launch|refuse|option|params|startup|viewer|call|show|"
                                 "handover|receive|record|finish|watch|session|exit) .*$");
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
    std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(text.size(), lines.empty() ? 0 : text.rfind("\r\n") + 2) << "a line without CR LF";
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, line)) << "malformed: " << l;
    return lines;
}

size_t Count(const std::vector<std::string>& lines, const std::string& piece)
{
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.find(piece) != std::string::npos; });
}

TEST_F(Lesson, ALoggedLessonTellsItsWholeRoadAndLinesNeverMix)
{
    // Environment strings are expanded: %TEMP% holds the test's folder.
    char szTemp[MAX_PATH];
    const std::string log = m_dir + "\\t.log";
    SetLogFile("%TEMP%\\" + log.substr(GetTempPathA(MAX_PATH, szTemp)), REG_EXPAND_SZ);
    Child lesson = Start();
    const char* commands[] = {"-Q=Q1 a 1", "-Q=Q2 C 0", "-Q=Q3 d", "-R"};
    for (const char* command : commands)
        Send(command);
    std::vector<Child> senders;
    for (int i = 1; i <= 20; ++i)
        senders.push_back(Launch("-Q=M" + std::to_string(i) + " b 1"));
    for (Child& sender : senders)
        EXPECT_EQ(sender.Wait(60000), 0u);
    Send("-S=P -G=85");
    ExpectEnded(lesson);

    std::vector<std::string> lines = LogLines(log);
    EXPECT_EQ(Count(lines, " launch " + m_show), 1u);
    for (const char* command : commands) {
        EXPECT_EQ(Count(lines, std::string(" launch ") + command), 1u) << command;
        EXPECT_EQ(Count(lines, std::string(" receive ") + command + " dispatched"), 1u);
    }
    for (const char* record : {"\"Q1\",A,1", "\"Q2\",C,0", "\"Q3\",D,0"})
        EXPECT_EQ(Count(lines, record), 1u) << record;
    EXPECT_EQ(Count(lines, " record \"C101\",\"STUDENT ONE\","), 23u);
    EXPECT_EQ(Count(lines, " call show 2003 ok"), 1u);
    EXPECT_EQ(Count(lines, "; exit code 0"), 25u) << "a hand-over line per later launch";
    EXPECT_EQ(Count(lines, " exit code 0"), 25u + 26u);
    EXPECT_EQ(Count(lines, " finish lesson_status=P written to " + m_result), 1u);
    EXPECT_EQ(Count(lines, " finish score=85 written to " + m_result), 1u);
}

std::set<std::string> Listing(const std::string& dir)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &fd))
        names.insert(fd.cFileName);
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    return names;
}

TEST_F(Lesson, OffOrUnwritableTheLogChangesNothing)
{
    char szTemp[MAX_PATH];
    const std::string temp(szTemp, GetTempPathA(MAX_PATH, szTemp));
    for (const std::string& log : {std::string(), m_dir + "\\no such folder\\t.log"}) {
        SCOPED_TRACE(log);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_quiz.c_str());
        if (!log.empty())
            SetLogFile(log);
        const std::set<std::string> inTemp = Listing(temp), inWindows = Listing(WindowsDir());
        Child lesson = Start();
        Send("-Q=Q1 a 1");
        Send("-S=P -G=85");
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), "P");
        EXPECT_EQ(Records(), std::vector<std::string>{"Q1,A,1"});
        EXPECT_EQ(Listing(temp), inTemp);
        EXPECT_EQ(Listing(WindowsDir()), inWindows);
        EXPECT_EQ(Listing(m_dir), (std::set<std::string>{".", "..", "lesson.ppt", "quiz.csv",
                                                         "result.ini", "calls.log"}));
    }
}

TEST_F(Lesson, ALogOverOneMebibyteIsPutAsideAtTheNextFirstLaunchOnly)
{
    const std::string log = m_dir + "\\t.log", big(1024 * 1024 + 1, 'x');
    SetLogFile(log);
    WriteWholeFile(log, big);
    Child lesson = Start();
    std::vector<std::string> lines = LogLines(log);
    EXPECT_NE(lines.at(0).find(" launch " + m_show), std::string::npos) << "a new file begins";
    std::string old, now;
    EXPECT_TRUE(ReadWholeFile(log + ".old", &old));
    EXPECT_EQ(old.substr(0, big.size()), big);
    // A later launch never puts the log aside, however large.
    WriteWholeFile(log, big);
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_TRUE(ReadWholeFile(log, &now));
    EXPECT_EQ(now.substr(0, big.size()), big);
}

} // namespace
