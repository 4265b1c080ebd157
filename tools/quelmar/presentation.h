// CPresentation: a presentation file's slides, their buttons, and the directives that steer a test.
//
// The file is read line by line; trailing blanks and CRs are dropped, empty lines skipped.
//   <text>                                  a slide, showing that text
//   #quelmar answer correct|wrong "<label>" <tail>
//                                           an answer button on the slide above: a click runs the
//                                           launcher with <tail>, counts for the score and pages on
//   #quelmar button "<label>" <tail>        a button on the slide above that only runs the launcher
//   #quelmar pass-mark <0-100>              the lowest score that passes
//   #quelmar launcher <path>                the launcher buttons run; tarnskov.exe beside
//   quelmar.exe
//                                           when none is named
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

#include <string>
#include <vector>

// A push button on a slide: its label and the launcher's command-line tail that a click runs.
struct CSlideButton {
    enum EKind { kPlain, kCorrect, kWrong };
    EKind m_nKind;
    std::string m_strLabel;
    std::string m_strTail;
};

struct CSlide {
    std::string m_strText;
    std::vector<CSlideButton> m_arrButtons;
    BOOL m_bQuestion = FALSE; // it carries an answer button
};

class CPresentation {
public:
    std::vector<CSlide> m_arrSlides;
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
    BOOL m_bOpenHeld = FALSE;   // the open call answers once the test sets its release event
    std::string m_strJournal;   // when not empty, the file every call is journalled in

    // Reads the file at strPath (ANSI) in place of what this held. On failure returns FALSE and
    // says why in *pstrError; when the file could be read, m_strJournal is still set from it.
    BOOL Read(const std::string& strPath, std::string* pstrError);

    // The tail with its placeholders filled in for that score.
    std::string FillTail(const std::string& strTail, UINT nScore) const;

private:
    std::string ReadLines(const std::string& strText);
    BOOL ReadLine(const std::string& strLine);
    BOOL ApplyDirective(const std::string& strLine, const std::vector<std::string>& arrWords);
    BOOL ApplyButton(const std::string& strLine, const std::vector<std::string>& arrWords);
    UINT* FindDelay(const std::string& strName);
    BOOL* FindFlag(const std::string& strName);

    std::string m_strStatusLine; // the first button line that asks for {status}
};
