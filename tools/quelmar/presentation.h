// CPresentation: a presentation file's slides, their buttons, and the directives that steer a test.
//
// A presentation is a real lesson, a PowerPoint 97-2003 file (a compound file), or a text file in
// quelmar's own format.
//
// A real lesson shows its slides in show order, hidden ones left out. Each shows its texts, less
// those its buttons carry as labels; each action on click (on the slide, in its groups, on a text
// range, and on the masters, shown on every slide) is a push button labelled with its shape's text
// (a text range's own characters) at the shape's place. A run-program button runs its command line
// as it stands, in the presentation's folder; a jump pages; other actions do nothing; so do
// mouse-over actions. Paging on from the last slide ends the show. quelmar's extension: a command
// line may hold {score} and {status} as a tail does below (a slide's button whose tail is a
// launcher's -Q answer counts: its flag 1 correct, anything else wrong), and a paragraph of a
// hidden slide that begins with '#' is a line of the text format below ("#quelmar pass-mark 60";
// no answer or button lines). A file the lesson reader refuses makes the open call fail with
// the reader's reason.
//
// The text format is read line by line; trailing blanks and CRs are dropped, empty lines skipped.
//   <text>                                  a slide, showing that text
//   #quelmar answer correct|wrong "<label>" <tail>
//                                           an answer button on the slide above: a click runs the
//                                           launcher with <tail>, counts for the score and pages on
//   #quelmar button "<label>" <tail>        a button on the slide above that only runs the launcher
//   #quelmar pass-mark <0-100>              the lowest score that passes
//   #quelmar launcher <path>                the launcher buttons run; when none is named,
//                                           tarnskov.exe beside quelmar.exe
//   #quelmar journal <path>                 a file in which every automation call is journalled
//   #quelmar <flag> | #quelmar <delay> <ms> test behaviours, below
//   #<anything else>                        a comment
// A tail may hold {score}, the share of the questions (slides with answers) whose last answer
// clicked was correct, 0-100 rounded down, and {status}, P at or above the pass mark and F below;
// it may hold no other '{'. A question slide reads:
//   Question 2: How many sides has a hexagon?
//   #quelmar answer wrong "A) 5" -Q=Q2 A 0
//   #quelmar answer correct "B) 6" -Q=Q2 B 1
// and the last slide, with "#quelmar pass-mark 60" anywhere in the file:
//   #quelmar button "Finish" -S={status} -G={score}
// A mistyped "#quelmar" line, a button above every slide, or {status} with no pass mark make the
// open call fail, naming the line.
#pragma once

#include <windows.h>

#include "lessonfile/ppt_lesson.h"

#include <string>
#include <vector>

// A push button on a slide: its label and what a click does.
struct CSlideButton {
    enum EKind { kPlain, kCorrect, kWrong };
    EKind m_nKind;
    std::string m_strLabel;
    // What a run-program click starts: the launcher's tail, or a real lesson's whole command line.
    std::string m_strTail;
    ELessonAction m_nAction = kActionRunProgram;
    ELessonJump m_nJump = kJumpNone;
    CLessonRect m_rect; // a real lesson's: the shape's place on the slide
};

struct CSlide {
    std::string m_strText;
    std::vector<CSlideButton> m_arrButtons;
    BOOL m_bQuestion = FALSE; // it carries an answer button
};

class CPresentation {
public:
    std::vector<CSlide> m_arrSlides;
    // A real lesson: its master buttons, shown on every slide, and the slide size they are placed
    // in; a text-format presentation stacks its buttons under the text.
    BOOL m_bRealLesson = FALSE;
    std::vector<CSlideButton> m_arrMasterButtons;
    int m_cxSlide = 0, m_cySlide = 0;
    int m_nPassMark = -1;      // -1 when none is set, and then no tail may ask for {status}
    std::string m_strLauncher; // when not empty, the launcher the buttons run
    BOOL m_bNoWindow = FALSE;  // open succeeds, but no show window is made
    BOOL m_bNullShow = FALSE;  // open succeeds, but hands back no show object
    BOOL m_bOpenFails = FALSE;
    BOOL m_bQuitFails = FALSE;
    BOOL m_bRestartFails = FALSE;
    UINT m_nWindowAfterMs = 0;  // when not 0, the show window appears this late
    UINT m_nCloseAfterMs = 0;   // when not 0, the window closes itself this long after appearing
    UINT m_nOpenDelayMs = 0;    // when not 0, the open call answers this late, refused or not
    UINT m_nQuitDelayMs = 0;    // when not 0, the quit call answers this late
    UINT m_nRestartDelayMs = 0; // when not 0, the show's stop call answers this late
    std::string m_strJournal;   // when not empty, the file every call is journalled in

    // Reads the file at strPath (ANSI) in place of what this held. On failure returns FALSE and
    // says why in *pstrError; when the file could be read, m_strJournal is still set from it.
    BOOL Read(const std::string& strPath, std::string* pstrError);

    // The tail with its placeholders filled in for that score.
    std::string FillTail(const std::string& strTail, UINT nScore) const;

    size_t CountButtons(size_t nSlide) const;
    // The slide's own buttons, then the masters'.
    const CSlideButton& GetButton(size_t nSlide, size_t nButton) const;

private:
    std::string ReadLesson(const std::string& strBytes, std::string* pstrWrong);
    void ReadHiddenDirectives(const CLessonSlide& slide, std::string* pstrWrong);
    void AddLessonButton(const CLessonAction& action, const std::vector<int>& arrShown);
    std::string ReadLines(const std::string& strText);
    BOOL ReadLine(const std::string& strLine);
    BOOL ApplyDirective(const std::string& strLine, const std::vector<std::string>& arrWords);
    BOOL ApplyButton(const std::string& strLine, const std::vector<std::string>& arrWords);
    UINT* FindDelay(const std::string& strName);
    BOOL* FindFlag(const std::string& strName);

    void NoteStatus(const std::string& strTail, const std::string& strLine);

    std::string m_strStatusLine; // the first button line that asks for {status}
};
