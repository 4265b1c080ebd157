// Real lessons that Apache POI and LibreOffice wrote, played in the stand-in viewer by pressing
// their buttons.
#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

// Where good.ppt's buttons name the launcher: by a plain path, and by a quoted one with blanks.
const char* const kLauncherDirs[] = {"C:\\CBT", "C:\\Program Files (x86)\\Tarnskov"};

class Played : public Lesson {
public:
    // The copies go again: the package test installs into the same prefix.
    static void SetUpTestSuite()
    {
        Lesson::SetUpTestSuite();
        for (const std::string dir : kLauncherDirs) {
            CreateDirectoryA(dir.c_str(), NULL);
            ASSERT_TRUE(CopyFileA(BinPath("tarnskov.exe").c_str(), (dir + "\\tarnskov.exe").c_str(),
                                  FALSE));
        }
    }
    static void TearDownTestSuite()
    {
        for (const std::string dir : kLauncherDirs) {
            DeleteFileA((dir + "\\tarnskov.exe").c_str());
            RemoveDirectoryA(dir.c_str());
        }
    }
    Child Play(const char* lesson)
    {
        EXPECT_TRUE(CopyFileA(BinPath(lesson).c_str(), m_show.c_str(), FALSE));
        return Start();
    }
    // The button so labelled on the slide on show; its click has been handled once this returns.
    static void Press(const char* label)
    {
        HWND hButton = FindWindowExA(FindWindowA(kShowWindowClass, NULL), NULL, "Button", label);
        EXPECT_NE(hButton, nullptr) << "no button " << label << " on the slide";
        SendMessageA(hButton, BM_CLICK, 0, 0);
    }
};

// Answers by a plain path and, in a group, by a quoted one; the master's Next on every slide,
// past the hidden one; a click on the slide pages on.
TEST_F(Played, AGoodLessonPlaysToItsFinish)
{
    Child lesson = Play("good.ppt");
    Press("Start");
    Press("D) 4");
    ExpectRecords({"Q1,D,1"});
    Press("Next");
    Press("B) Blue");
    ExpectRecords({"Q1,D,1", "Q2,B,1"});
    SendMessageA(FindWindowA(kShowWindowClass, NULL), WM_LBUTTONDOWN, 0, 0);
    Press("Finish");
    ExpectEnded(lesson);
    ExpectResult("P", "90");
}

// Each press finds its button on the slide the last one went to; End show ends the lesson. The
// LibreOffice-written lessons' commands are lost (kind none), their jumps kept.
TEST_F(Played, ItsJumpsPageAndEndTheShow)
{
    for (const char* show : {"good.ppt", "lo-good.ppt", "lo-answers.ppt"}) {
        Child lesson = Play(show);
        for (const char* label : {"Start", "Next", "Next", "Back", "Next", "Again", "Start", "Next",
                                  "Next", "Last", "End show"})
            Press(label);
        ExpectEnded(lesson);
        EXPECT_EQ(Result("lesson_status"), "I,S") << show;
    }
}

// The viewer refuses them with the reader's reason, which the launcher logs.
TEST_F(Played, FilesThatAreNoLessonsAreRefused)
{
    LogOn();
    const char* const rows[][2] = {{"cut-short.ppt", "past the end of the file"},
                                   {"workbook.xls.ppt", "no stream \"PowerPoint Document\""}};
    for (const auto& row : rows) {
        ASSERT_TRUE(CopyFileA(BinPath(row[0]).c_str(), m_show.c_str(), FALSE));
        Child lesson = Launch(m_show);
        Box("Cant load file:\n{show}");
        ExpectEnded(lesson);
        EXPECT_TRUE(AwaitLogged({"call", "raised", row[1]})) << row[0];
    }
}

} // namespace
