// The diagnostic log: what a lesson leaves in it when it is on, and nothing when it is off.
#include <stdio.h>

#include <map>
#include <ostream>
#include <set>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// Fifty answers launched at once are all recorded, once each, and the log tells the whole road
// of every process in lines that never mix.
TEST_F(Lesson, ALoggedLessonTellsItsWholeRoadAndLinesNeverMix)
{
    const std::string log = LogOn();
    Child lesson = Start();
    for (const char* command : {"-Q=Q1 a 1", "-Q=Q2 C 0", "-Q=Q3 d", "-R"})
        Send(command);
    std::vector<Child> senders;
    std::vector<std::string> records = {"Q1,A,1", "Q2,C,0", "Q3,D,0"};
    for (int i = 1; i <= 50; ++i) {
        senders.push_back(Launch("-Q=M" + std::to_string(i) + " b 1"));
        records.push_back("M" + std::to_string(i) + ",B,1");
    }
    for (Child& sender : senders)
        EXPECT_EQ(sender.Wait(60000), 0u);
    Send("-S=P -G=85");
    ExpectEnded(lesson);
    std::vector<std::string> recorded = Records();
    std::sort(recorded.begin() + 3, recorded.end());
    std::sort(records.begin() + 3, records.end());
    EXPECT_EQ(recorded, records);

    const std::vector<std::string> lines = LogLines(log);
    // The log is the administrator's, the name the student's own.
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("STUDENT ONE"), std::string::npos) << line;
    std::map<DWORD, std::vector<std::string>> events = EventsByProcess(lines);
    ExpectInOrder(events[lesson.Pid()],
                  {"launch " + m_show, "option 1 saved; crash record written", "option set to 0",
                   "params result \"" + m_result + "\"", "call app 2002 ok", "show window ",
                   "record Q1 A 1", "record Q2 C 0", "record Q3 D 0", "call show 2003 ok",
                   "call show 2002 ok", "finish lesson_status=P written to " + m_result,
                   "finish score=85 written to " + m_result, "call app 2003 ok",
                   "option 1 written back", "exit code 0"});
    // Every answer's record logged once, and nothing else.
    std::multiset<std::string> logged, expected;
    for (const std::string& e : events[lesson.Pid()])
        if (e.compare(0, 7, "record ") == 0)
            logged.insert(e.substr(7, e.find(' ', 7) - 7));
    for (const std::string& record : records)
        expected.insert(record.substr(0, record.find(',')));
    EXPECT_EQ(logged, expected);
}

// A REG_EXPAND_SZ value names the log with its environment strings expanded, a REG_SZ value as
// it stands; the launch is a command that finds no lesson, and logs all the same.
class LogValueTypes : public Lesson, public testing::WithParamInterface<DWORD> {};

TEST_P(LogValueTypes, NameTheFile)
{
    char user[256];
    const std::string literal = m_dir + "\\%USERNAME%.log",
                      expanded = m_dir + "\\" +
                                 std::string(user, GetEnvironmentVariableA("USERNAME", user, 256)) +
                                 ".log";
    SetLogFile(literal, GetParam());
    EXPECT_EQ(Launch("-Q=Q1 a 1").Wait(30000), static_cast<DWORD>(EXIT_NO_LESSON));
    EXPECT_EQ(GetFileAttributesA(expanded.c_str()) != INVALID_FILE_ATTRIBUTES,
              GetParam() == REG_EXPAND_SZ);
    EXPECT_EQ(GetFileAttributesA(literal.c_str()) != INVALID_FILE_ATTRIBUTES, GetParam() == REG_SZ);
}

INSTANTIATE_TEST_SUITE_P(Lesson, LogValueTypes, testing::Values(REG_SZ, REG_EXPAND_SZ),
                         [](const testing::TestParamInfo<DWORD>& info) {
                             return info.param == REG_SZ ? "TakenAsItStands" : "Expanded";
                         });

// What the parameter event says of the PARAM.CMI that Windows' profile functions read.
struct ParamCase {
    const char* name;
    const char* head; // before "[core]"; NULL: no PARAM.CMI at all
    bool runs;        // the lesson runs, else "Result File not found"
    const char* said; // after "params <path> read, written <time>", or the whole event
    friend void PrintTo(const ParamCase& row, std::ostream* os) { *os << row.name; }
};

// clang-format off
const ParamCase kParamCases[] = {
    {"NoParameterFile", NULL, false, "params no C:\\windows\\PARAM.CMI (error 2)"},
    // Windows' profile functions keep the mark as part of the first line.
    {"AMarkRightBeforeCore", "\xEF\xBB\xBF", false,
     "; it begins with a UTF-8 byte-order mark right before [core], so Windows finds no [core] "
     "section: save the file as ANSI"},
    {"AMarkBeforeAComment", "\xEF\xBB\xBF; written by the CMI system\r\n", true,
     "; it begins with a UTF-8 byte-order mark, which spoils its first line"},
};
// clang-format on

class ParamEvents : public Lesson, public testing::WithParamInterface<ParamCase> {};

TEST_P(ParamEvents, NameTheFileReadAndItsTime)
{
    const ParamCase& row = GetParam();
    const std::string log = LogOn(), paramFile = WindowsDir() + "\\PARAM.CMI";
    std::string said = row.said;
    if (row.head == NULL) {
        DeleteParamFile();
    } else {
        WriteParams(row.head);
        CHandleOwner file(CreateFileA(paramFile.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                      OPEN_EXISTING, 0, NULL));
        FILETIME written, local;
        SYSTEMTIME st;
        GetFileTime(file.Get(), NULL, NULL, &written);
        FileTimeToLocalFileTime(&written, &local);
        FileTimeToSystemTime(&local, &st);
        char time[32];
        snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                 st.wHour, st.wMinute, st.wSecond);
        said = "params " + paramFile + " read, written " + time + said;
    }
    Child lesson = row.runs ? Start() : Launch(m_show);
    if (row.runs)
        Send("-S=P");
    else
        ExpectBoxSaying("Result File not found");
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), row.runs ? "P" : "<none>");
    const std::vector<std::string> events = EventsByProcess(LogLines(log))[lesson.Pid()];
    EXPECT_EQ(std::count(events.begin(), events.end(), said), 1) << said;
}

INSTANTIATE_TEST_SUITE_P(Lesson, ParamEvents, testing::ValuesIn(kParamCases), RowName());

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
