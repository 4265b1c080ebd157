// The interaction recorder through the real file API: creation, appends and every file failure.
#include <gtest/gtest.h>

#include <future>

#include "channel/command_text.h"
#include "frame/main_frame.h"
#include "testkit.h"

using namespace testkit;

namespace {

const std::string kHeader = kQuizHeader;

class Recorder : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name());
        m_file = m_dir + "\\quiz.csv";
        m_frame.m_strCourseId = "C101";
        m_frame.m_strStudentName = "STUDENT ONE";
        m_frame.m_strInteractionFile = m_file.c_str();
    }
    BOOL Record(const char* text)
    {
        CopyCommandText(g_szCommandBuffer, kCommandBlockSize, text, (size_t)-1);
        return m_frame.RecordInteraction();
    }
    // Records while another thread reads and dismisses the box that must come.
    std::string RecordExpectingBox(const char* text, BOOL* pResult)
    {
        auto box = std::async(std::launch::async, [] { return DismissBox(10000); });
        *pResult = Record(text);
        Box seen = box.get();
        return seen.found ? seen.text : "<no box>";
    }
    std::string Content()
    {
        std::string s;
        return ReadWholeFile(m_file, &s) ? s : "<missing>";
    }
    std::string m_dir, m_file;
    CMainFrame m_frame;
};

// The expected line for a record made between two readings of the clock.
std::string ExpectedLine(const SYSTEMTIME& t, const char* id, char response, char flag)
{
    char sz[256];
    snprintf(sz, sizeof(sz),
             "\"C101\",\"STUDENT ONE\",\"%02d/%02d/%04d\",\"%02d:%02d:%02d\",\"%s\",%c,%c\r\n",
             t.wMonth, t.wDay, t.wYear, t.wHour, t.wMinute, t.wSecond, id, response, flag);
    return sz;
}

TEST_F(Recorder, FirstAnswerCreatesTheFileWithItsHeaderThenAppends)
{
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    ASSERT_TRUE(Record("-Q=Q7 b 1"));
    ASSERT_TRUE(Record("-Q=Q8 D"));
    GetLocalTime(&after);
    std::string content = Content();
    ASSERT_EQ(content.substr(0, 95), kHeader);
    std::string records = content.substr(95);
    bool matches = false;
    for (const SYSTEMTIME* t : {&before, &after})
        matches = matches ||
                  records == ExpectedLine(*t, "Q7", 'B', '1') + ExpectedLine(*t, "Q8", 'D', '0');
    EXPECT_TRUE(matches) << records;
    EXPECT_TRUE(m_frame.m_bInteractionFileReady);
}

TEST_F(Recorder, RejectedOperandsAppendNothingButTheFirstStillCreatesTheHeader)
{
    for (const char* text : {"-Q=Q7 E 1", "-Q"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(Record(text));
        EXPECT_EQ(Content(), kHeader);
    }
}

TEST_F(Recorder, AnExistingFileGetsNoHeader)
{
    ASSERT_TRUE(WriteWholeFile(m_file, ""));
    ASSERT_TRUE(Record("-Q=a=b C 1"));
    std::string content = Content();
    EXPECT_EQ(content.find("course_id"), std::string::npos);
    EXPECT_EQ(content.substr(0, 9), "\"C101\",\"S");
    EXPECT_NE(content.find(",\"a=b\",C,1\r\n"), std::string::npos) << content;
}

TEST_F(Recorder, AFileFailureIsReportedAndKeepsWhatWasWritten)
{
    enum Setup { DirectoryOfThatName, FolderMissing, DeletedAfterFirst, HeldByAnotherProcess };
    struct Row {
        const char* name;
        Setup setup;
        const char* box;
        bool ready; // the file is known to exist afterwards
    } rows[] = {
        {"a directory of that name counts as present", DirectoryOfThatName, "Cant Update Quiz file",
         true},
        {"a file that cannot be created", FolderMissing, "Cant create Quiz File", false},
        {"a file deleted after the first record is not created again", DeletedAfterFirst,
         "Cant Update Quiz file", true},
        {"a file another process holds open", HeldByAnotherProcess, "Cant Update Quiz file", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_file = FreshDir(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 (row.setup == FolderMissing ? "\\missing folder\\quiz.csv" : "\\quiz.csv");
        m_frame.m_strInteractionFile = m_file.c_str();
        m_frame.m_bInteractionFileReady = FALSE;
        if (row.setup == DirectoryOfThatName) {
            ASSERT_TRUE(CreateDirectoryA(m_file.c_str(), NULL));
        }
        if (row.setup == DeletedAfterFirst || row.setup == HeldByAnotherProcess) {
            ASSERT_TRUE(Record("-Q=Q7 b 1"));
        }
        if (row.setup == DeletedAfterFirst) {
            ASSERT_TRUE(DeleteFileA(m_file.c_str()));
        }
        const std::string written = Content();
        Child holder;
        if (row.setup == HeldByAnotherProcess)
            holder = HoldFile(m_file);

        BOOL result = TRUE;
        EXPECT_EQ(RecordExpectingBox("-Q=Q8 c 0", &result), row.box);
        EXPECT_FALSE(result);
        EXPECT_EQ(m_frame.m_bInteractionFileReady, row.ready);
        holder.Kill();
        EXPECT_EQ(Content(), written);
        if (row.setup == FolderMissing) {
            // Tried again at the next answer.
            ASSERT_TRUE(CreateDirectoryA(m_file.substr(0, m_file.rfind('\\')).c_str(), NULL));
            EXPECT_TRUE(Record("-Q=Q7 b 1"));
            EXPECT_EQ(Content().substr(0, 95), kHeader);
        }
    }
}

} // namespace
