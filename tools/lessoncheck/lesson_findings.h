// CheckLesson: every action button of a lesson, what the launcher would do with its command and
// what would go wrong, decided by the launcher's own parsing. No Windows header.
#pragma once

#include "lessonfile/ppt_lesson.h"

#include <string>
#include <vector>

enum ESeverity { kSeverityNone, kSeverityWarning, kSeverityError };

struct CFinding {
    ESeverity m_nSeverity;
    std::string m_strText;
};

// What the check asks of the PC it runs on: lessoncheck answers through Windows, the tests
// pretend.
struct CCheckHost {
    // The text in the ANSI code page into *pAnsi; false when a character has no place there.
    bool (*m_pfnToAnsi)(const std::u16string& str, std::string* pAnsi);
    // Whether a full path names a file on this PC.
    bool (*m_pfnFileExists)(const std::string& strPath);
};

// One row of the check: an action button, or a finding about the whole lesson. Texts are ANSI.
struct CButtonCheck {
    std::string m_strSlide;   // "1", "2", ... in show order, or "master"; empty for the lesson
    std::string m_strButton;  // the shape's text on one line
    std::string m_strProgram; // as the command line names it, quotes removed
    std::string m_strTail;    // what the launcher would receive
    std::string m_strDoes;    // what the click does, for a person
    std::vector<CFinding> m_arrFindings;

    ESeverity Worst() const;
    std::string Findings() const; // joined with "; "
};

struct CLessonCheck {
    std::vector<CButtonCheck> m_arrRows; // the buttons in the reader's order, then the lesson's
    int Count(ESeverity nSeverity) const;
};

CLessonCheck CheckLesson(const CLesson& lesson, const CCheckHost& host);

// The file name of a program path is the launcher's (tarnskov.exe in any case; ".exe" added to a
// name with no extension, as CreateProcess does).
bool IsLauncherProgram(const std::string& strProgram);
