// The viewer's contract: the calls a lesson makes on the viewer, in order, as journalled.
#include <future>

#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

const UINT kShowCommand = WM_USER + 2; // WM_SHOW_COMMAND

class Contract : public Lesson {
protected:
    // The open call the launcher must make on m_show, answered.
    std::string OpenLine() const { return "app 2002 BSTR:" + m_show + " I4:1 I4:0 -> ok"; }
};

TEST_F(Contract, TheTypicalRoadOpensTheShowAndQuitsAtTheFinish)
{
    Child lesson = Start();
    Send("-Q=Q1 a 1");
    Send("-S=P -G=85");
    ExpectEnded(lesson);
    EXPECT_EQ(Journal(), (std::vector<std::string>{OpenLine(), "app 2003 -> ok"}));
}

TEST_F(Contract, RestartStopsTheShowThenRunsItAndTheLessonGoesOn)
{
    Child lesson = Start();
    Send("-R");
    Send("-G=50");
    ExpectEnded(lesson);
    EXPECT_EQ(FindBox(0), nullptr);
    EXPECT_EQ(Journal(), (std::vector<std::string>{OpenLine(), "show 2003 -> ok", "show 2002 -> ok",
                                                   "app 2003 -> ok"}));
    EXPECT_EQ(Result("score"), "50");
}

TEST_F(Contract, AFinishWhoseQuitFailsAsksOnceAndEnds)
{
    WriteShow("#quelmar quit-fails\r\nSlide\r\n");
    Child lesson = Start();
    auto finish = std::async(std::launch::async, [this] { Send("-S=P -G=70"); });
    Box box = DismissBox(20000);
    finish.get();
    EXPECT_EQ(box.text, "Quit refused");
    ExpectEnded(lesson);
    EXPECT_EQ(Journal(), (std::vector<std::string>{OpenLine(), "app 2003 -> 0x80020009"}));
}

TEST_F(Contract, AShowClosedByTheStudentEndsWithQuit)
{
    Child lesson = Start();
    ASSERT_TRUE(PostMessageA(FindWindowA("screenClass", NULL), WM_CLOSE, 0, 0));
    ExpectEnded(lesson);
    EXPECT_EQ(Result("lesson_status"), "I,S");
    EXPECT_EQ(Journal(), (std::vector<std::string>{OpenLine(), "app 2003 -> ok"}));
}

TEST_F(Contract, TextsThatAreNotCommandsAreIgnoredAndASecondNoticeDeliversTheTextAgain)
{
    struct Row {
        const char* text;
        std::vector<std::string> calls; // on the viewer, each time the text is delivered
        size_t records;                 // likewise
    } rows[] = {
        {"", {}, 0},
        {"S=P -G=5", {}, 0},
        {"-", {}, 0},
        {"-x", {}, 0},
        {"-H", {}, 0},
        // Commands: the second notice must deliver them too.
        {"-R", {"show 2003 -> ok", "show 2002 -> ok"}, 0},
        {"-Q=Q1 a 1", {}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("text \"" + std::string(row.text) + "\"");
        DeleteFileA(m_journal.c_str());
        DeleteFileA(m_quiz.c_str());
        Child lesson = Start();
        HWND hFrame = FindWindowA("TarnskovFrame", "TARNSKOV");
        ASSERT_NE(hFrame, nullptr);
        Send(row.text);
        // The notice a sender posts, with no new text; once the block has been read again
        // (the event a sender waits for), the next text may be written.
        HANDLE hTaken = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, "kelvand_block_taken");
        ASSERT_NE(hTaken, nullptr);
        ResetEvent(hTaken);
        PostMessageA(hFrame, kShowCommand, 0, 0);
        EXPECT_EQ(WaitForSingleObject(hTaken, 10000), WAIT_OBJECT_0);
        CloseHandle(hTaken);
        EXPECT_TRUE(lesson.Running());
        Send("-S=P");
        ExpectEnded(lesson);

        std::vector<std::string> journal = {OpenLine()};
        for (int delivery = 0; delivery < 2; ++delivery)
            journal.insert(journal.end(), row.calls.begin(), row.calls.end());
        journal.push_back("app 2003 -> ok");
        EXPECT_EQ(Journal(), journal);
        EXPECT_EQ(Lines(Quiz()).size(), row.records ? 1 + 2 * row.records : 0u) << Quiz();
        EXPECT_EQ(Result("lesson_status"), "P");
    }
}

} // namespace
