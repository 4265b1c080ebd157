// CPresentation: a presentation file's slides and the directives that steer a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A slide is a non-empty line; "#quelmar" lines are directives, other '#' lines comments.
class CPresentation {
public:
    std::vector<std::string> m_arrSlides;
    BOOL m_bNoWindow = FALSE; // open succeeds, but no show window is made
    BOOL m_bNullShow = FALSE; // open succeeds, but hands back no show object
    BOOL m_bOpenFails = FALSE;
    BOOL m_bQuitFails = FALSE;
    BOOL m_bRestartFails = FALSE;
    UINT m_nWindowAfterMs = 0; // when not 0, the show window appears this late
    UINT m_nCloseAfterMs = 0;  // when not 0, the window closes itself this long after appearing
    UINT m_nOpenDelayMs = 0;   // when not 0, the open call answers this late, refused or not
    UINT m_nQuitDelayMs = 0;   // when not 0, the quit call answers this late
    std::string m_strJournal;  // when not empty, the file every call is journalled in

    // Reads the file at strPath (ANSI) in place of what this held. On failure returns FALSE and
    // says why in *pstrError; when the file could be read, m_strJournal is still set from it.
    BOOL Read(const std::string& strPath, std::string* pstrError);

private:
    std::string ReadLines(const std::string& strText);
    BOOL ReadLine(const std::string& strLine);
    BOOL ApplyDirective(const std::string& strLine, const std::vector<std::string>& arrWords);
    BOOL ApplyJournal(const std::string& strLine, const std::vector<std::string>& arrWords);
    UINT* FindDelay(const std::string& strName);
    BOOL* FindFlag(const std::string& strName);
};
