// The diagnostic log: what a lesson leaves in it when it is on, and nothing when it is off.
#include <stdio.h>

#include <ostream>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// Fifty answers launched at once are all recorded, once each, and the log tells the whole road
// of every process in lines that never mix, a command that finds no lesson's too. A REG_EXPAND_SZ
// value names the log with its environment strings expanded.
TEST_F(Lesson, ALoggedLessonTellsItsWholeRoadAndLinesNeverMix)
{
    char user[256];
    SetLogFile(m_dir + "\\%USERNAME%.log", REG_EXPAND_SZ);
    m_log =
        m_dir + "\\" + std::string(user, GetEnvironmentVariableA("USERNAME", user, 256)) + ".log";
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
    Child none = Launch("-Q=Q9 a 1");
    EXPECT_EQ(none.Wait(30000), static_cast<DWORD>(EXIT_NO_LESSON));
    ExpectInOrder(LogEvents(m_log, none.Pid()), {{"launch", "Q9"}, {"exit", "6"}});
    std::vector<std::string> recorded = Records();
    std::sort(recorded.begin() + 3, recorded.end());
    std::sort(records.begin() + 3, records.end());
    EXPECT_EQ(recorded, records);

    // The log is the administrator's, the name the student's own.
    for (const Logged& e : LogEvents(m_log))
        EXPECT_EQ(e.details.find("STUDENT ONE"), std::string::npos) << e.details;
    const std::vector<Logged> events = LogEvents(m_log, lesson.Pid());
    // clang-format off
    ExpectInOrder(events, {{"launch", m_show}, {"option", "1"}, {"option", "0"},
                           {"params", m_result}, {"call", "app", "2002"}, {"show"},
                           {"record", "Q1", "A", "1"}, {"record", "Q2", "C", "0"},
                           {"record", "Q3", "D", "0"}, {"call", "show", "2003"},
                           {"call", "show", "2002"}, {"finish", "lesson_status=P", m_result},
                           {"finish", "score=85", m_result}, {"call", "app", "2003"},
                           {"option", "1"}, {"exit", "0"}});
    // clang-format on
    // Every answer's record logged once, and nothing else.
    EXPECT_EQ(CountLogged(events, {"record"}), 53);
    for (const std::string& record : records)
        EXPECT_EQ(CountLogged(events, {"record", record.substr(0, record.find(','))}), 1) << record;
}

// What the parameter event says of the PARAM.CMI that Windows' profile functions read: the file,
// when it was written, and a byte-order mark that spoils it.
struct ParamCase {
    const char* name;
    const char* head; // before "[core]"; NULL: no PARAM.CMI at all
    bool runs;        // the lesson runs, else "Result File not found"
    Event said;       // beside the file, and its time when there is one
    friend void PrintTo(const ParamCase& row, std::ostream* os) { *os << row.name; }
};

// clang-format off
const ParamCase kParamCases[] = {
    {"NoParameterFile", NULL, false, {"params", "2"}}, // ERROR_FILE_NOT_FOUND
    // Windows' profile functions keep the mark as part of the first line.
    {"AMarkRightBeforeCore", "\xEF\xBB\xBF", false, {"params", "UTF-8", "[core]"}},
    {"AMarkBeforeAComment", "\xEF\xBB\xBF; by the CMI system\r\n", true, {"params", "UTF-8"}},
};
// clang-format on

class ParamEvents : public Lesson, public testing::WithParamInterface<ParamCase> {};

TEST_P(ParamEvents, NameTheFileReadAndItsTime)
{
    const ParamCase& row = GetParam();
    const std::string paramFile = WindowsDir() + "\\PARAM.CMI";
    Event said = row.said;
    said.push_back(paramFile);
    LogOn();
    if (row.head == NULL) {
        DeleteParamFile();
    } else {
        WriteParams(row.head);
        WIN32_FILE_ATTRIBUTE_DATA file;
        SYSTEMTIME st;
        FILETIME local;
        GetFileAttributesExA(paramFile.c_str(), GetFileExInfoStandard, &file);
        FileTimeToLocalFileTime(&file.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &st);
        char time[32];
        snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                 st.wHour, st.wMinute, st.wSecond);
        said.push_back(time);
    }
    Child lesson = Launch(m_show);
    EXPECT_TRUE(AwaitLogged(said, lesson.Pid())) << testing::PrintToString(said);
    if (row.runs) {
        EXPECT_TRUE(WaitFor([] { return FindWindowA(kShowWindowClass, NULL) != NULL; }, 20000));
    } else {
        Box("Result File not found");
    }
}

INSTANTIATE_TEST_SUITE_P(Lesson, ParamEvents, testing::ValuesIn(kParamCases),
                         testing::PrintToStringParamName());

// A REG_SZ value names the log as it stands.
TEST_F(Lesson, ALogOverOneMebibyteIsPutAsideAtTheNextFirstLaunchOnly)
{
    const std::string big(1024 * 1024 + 1, 'x');
    LogOn("%USERNAME%.log");
    WriteWholeFile(m_log, big);
    Child lesson = Start();
    EXPECT_TRUE(Matches(LogEvents(m_log).at(0), {"launch", m_show})) << "a new file begins";
    std::string old, now;
    EXPECT_TRUE(ReadWholeFile(m_log + ".old", &old) && old.starts_with(big));
    // A later launch never puts the log aside, however large.
    WriteWholeFile(m_log, big);
    Send("-S=P");
    ExpectEnded(lesson);
    EXPECT_TRUE(ReadWholeFile(m_log, &now) && now.starts_with(big));
}

} // namespace
