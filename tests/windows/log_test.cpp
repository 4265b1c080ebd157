// The diagnostic log: what a lesson leaves in it when it is on, and nothing when it is off.
#include <set>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

const std::regex kLine("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\d+ "
                       "(launch|refuse|option|params|startup|viewer|call|show|handover|"
                       "receive|record|finish|watch|session|exit) .*$");

class Log : public Lesson {
protected:
    void SetUp() override
    {
        Lesson::SetUp();
        m_log = m_dir + "\\t.log";
    }
    void TearDown() override
    {
        DeleteLogFileValue();
        Lesson::TearDown();
    }
    // The log's lines, each checked for its form.
    std::vector<std::string> LogLines(const std::string& path)
    {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(path, &text)) << path;
        std::vector<std::string> lines = Lines(text);
        EXPECT_EQ(text.size(), lines.empty() ? 0 : text.rfind("\r\n") + 2)
            << "a line without CR LF";
        for (const std::string& line : lines)
            EXPECT_TRUE(std::regex_match(line, kLine)) << "malformed: " << line;
        return lines;
    }
    static size_t Count(const std::vector<std::string>& lines, const std::string& piece)
    {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(piece) != std::string::npos;
        });
    }
    // Lines of one event whose details are exactly these (after the time and the process).
    static size_t CountEvent(const std::vector<std::string>& lines, const std::string& event,
                             const std::string& details)
    {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            const size_t afterPid = line.find(' ', 24);
            return afterPid != std::string::npos &&
                   line.compare(afterPid + 1, std::string::npos, event + " " + details) == 0;
        });
    }
    std::string m_log;
};

TEST_F(Log, ATypicalLessonTellsItsWholeRoad)
{
    // Environment strings are expanded: %TEMP% holds the test's folder.
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    ASSERT_EQ(m_log.find(szTemp), 0u);
    SetLogFileValue(REG_EXPAND_SZ, "%TEMP%\\" + m_log.substr(strlen(szTemp)));
    Child lesson = Start();
    const char* commands[] = {"-Q=Q1 a 1", "-Q=Q2 C 0", "-Q=Q3 d", "-R", "-S=P -G=85"};
    for (const char* command : commands)
        Send(command);
    ExpectEnded(lesson);

    std::vector<std::string> lines = LogLines(m_log);
    EXPECT_EQ(CountEvent(lines, "launch", m_show), 1u);
    for (const char* command : commands) {
        EXPECT_EQ(CountEvent(lines, "launch", command), 1u) << command;
        EXPECT_EQ(CountEvent(lines, "receive", std::string(command) + " dispatched"), 1u)
            << command;
    }
    EXPECT_EQ(Count(lines, "; exit code 0"), 5u) << "a hand-over line per later launch";
    for (const char* record : {"\"Q1\",A,1", "\"Q2\",C,0", "\"Q3\",D,0"})
        EXPECT_EQ(Count(lines, record), 1u) << record;
    EXPECT_EQ(Count(lines, " record \"C101\",\"STUDENT ONE\","), 3u);
    EXPECT_EQ(CountEvent(lines, "call", "show 2003 ok"), 1u);
    EXPECT_EQ(CountEvent(lines, "call", "show 2002 ok"), 1u);
    EXPECT_EQ(CountEvent(lines, "finish", "lesson_status=P written to " + m_result), 1u);
    EXPECT_EQ(CountEvent(lines, "finish", "score=85 written to " + m_result), 1u);
    EXPECT_EQ(CountEvent(lines, "exit", "code 0"), 6u);
}

TEST_F(Log, LinesOfLaunchesAtOnceNeverMix)
{
    SetLogFileValue(REG_SZ, m_log);
    Child lesson = Start();
    std::vector<Child> senders;
    for (int i = 1; i <= 20; ++i)
        senders.push_back(Launch("-Q=M" + std::to_string(i) + " b 1"));
    for (Child& sender : senders)
        EXPECT_EQ(sender.Wait(60000), 0u);
    Send("-S=P");
    ExpectEnded(lesson);
    std::vector<std::string> lines = LogLines(m_log);
    EXPECT_EQ(Count(lines, " record \"C101\""), 20u);
    EXPECT_EQ(Count(lines, " handover "), 21u);
}

// The folders a log could land in, and what they hold.
std::set<std::string> Listing(const std::string& dir)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

TEST_F(Log, OffOrUnwritableTheLogChangesNothing)
{
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    struct Row {
        const char* name;
        bool set;
        std::string value;
    } rows[] = {
        {"no LogFile value", false, ""},
        {"a LogFile in a folder that does not exist", true, m_dir + "\\no such folder\\t.log"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileA(m_result.c_str());
        DeleteFileA(m_quiz.c_str());
        if (row.set)
            SetLogFileValue(REG_SZ, row.value);
        const std::set<std::string> temp = Listing(szTemp), windows = Listing(WindowsDir());
        Child lesson = Start();
        Send("-Q=Q1 a 1");
        Send("-S=P -G=85");
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), "P");
        EXPECT_EQ(Lines(Quiz()).size(), 2u);
        EXPECT_EQ(Listing(szTemp), temp);
        EXPECT_EQ(Listing(WindowsDir()), windows);
        EXPECT_EQ(Listing(m_dir),
                  (std::set<std::string>{".", "..", "lesson.ppt", "quiz.csv", "result.ini"}));
    }
}

TEST_F(Log, ALogOverOneMebibyteIsPutAsideAtTheNextFirstLaunch)
{
    SetLogFileValue(REG_SZ, m_log);
    const std::string big(1024 * 1024 + 1, 'x');
    ASSERT_TRUE(WriteWholeFile(m_log, big));
    Child lesson = Start();
    std::vector<std::string> lines = LogLines(m_log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(CountEvent(std::vector<std::string>{lines[0]}, "launch", m_show), 1u) << lines[0];
    std::string old;
    ASSERT_TRUE(ReadWholeFile(m_log + ".old", &old));
    EXPECT_EQ(old.substr(0, big.size()), big);

    // A later launch never puts the log aside, however large.
    ASSERT_TRUE(WriteWholeFile(m_log, big));
    Send("-S=P");
    ExpectEnded(lesson);
    std::string now, oldAfter;
    ASSERT_TRUE(ReadWholeFile(m_log, &now));
    EXPECT_EQ(now.substr(0, big.size()), big);
    ASSERT_TRUE(ReadWholeFile(m_log + ".old", &oldAfter));
    EXPECT_EQ(oldAfter, old);
}

} // namespace
