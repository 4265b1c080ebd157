// Reads a presentation file: its slides, and the "#quelmar" directives that steer a test.
#include "presentation.h"

#include "framework/handles.h"

#include <stdlib.h>

// The whole file, through the ANSI file API (iostreams would triple the program's size).
static BOOL ReadWholeFile(const std::string& strPath, std::string* pstrText)
{
    CHandleOwner file(
        CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (file.Get() == NULL)
        return FALSE;
    char buf[4096];
    DWORD dwRead = 0;
    BOOL bOk;
    while ((bOk = ReadFile(file.Get(), buf, sizeof(buf), &dwRead, NULL)) && dwRead > 0)
        pstrText->append(buf, dwRead);
    return bOk;
}

// The words of a line, split on blanks and tabs.
static std::vector<std::string> SplitWords(const std::string& strLine)
{
    std::vector<std::string> arrWords;
    size_t nPos = 0;
    while ((nPos = strLine.find_first_not_of(" \t", nPos)) != std::string::npos) {
        size_t nEnd = strLine.find_first_of(" \t", nPos);
        arrWords.push_back(strLine.substr(nPos, nEnd == std::string::npos ? nEnd : nEnd - nPos));
        nPos = nEnd;
    }
    return arrWords;
}

// A delay's milliseconds: at least 1 (0 would mean no delay), at most what a timer takes.
static BOOL ReadMilliseconds(const std::string& strText, UINT* pnMs)
{
    char* pszEnd = NULL;
    long long nMs = strtoll(strText.c_str(), &pszEnd, 10);
    if (*pszEnd != '\0' || nMs < 1 || nMs > USER_TIMER_MAXIMUM)
        return FALSE;
    *pnMs = static_cast<UINT>(nMs);
    return TRUE;
}

BOOL CPresentation::Read(const std::string& strPath, std::string* pstrError)
{
    *this = CPresentation();
    std::string strText;
    if (!ReadWholeFile(strPath, &strText)) {
        *pstrError = "Cannot open presentation: " + strPath;
        return FALSE;
    }
    std::string strWrong = ReadLines(strText);
    if (!strWrong.empty()) {
        *pstrError = "Bad directive in " + strPath + ": " + strWrong;
        return FALSE;
    }
    if (m_bOpenFails) {
        *pstrError = "Presentation refused to open: " + strPath;
        return FALSE;
    }
    return TRUE;
}

// Takes in every line of the text; answers the first mistyped directive, or "" when none is.
std::string CPresentation::ReadLines(const std::string& strText)
{
    // A wrong line does not end the reading: the journal directive counts wherever it stands.
    std::string strWrong;
    size_t nStart = 0;
    while (nStart < strText.size()) {
        size_t nEnd = strText.find('\n', nStart);
        std::string strLine =
            strText.substr(nStart, nEnd == std::string::npos ? nEnd : nEnd - nStart);
        nStart = nEnd == std::string::npos ? strText.size() : nEnd + 1;
        // Trailing blanks (a CR among them) are nobody's slide text.
        strLine.erase(strLine.find_last_not_of(" \t\r") + 1);
        if (!ReadLine(strLine) && strWrong.empty())
            strWrong = strLine;
    }
    return strWrong;
}

// Takes in a slide, a directive or a comment; FALSE for a mistyped directive.
BOOL CPresentation::ReadLine(const std::string& strLine)
{
    if (strLine.empty())
        return TRUE;
    if (strLine[0] != '#') {
        m_arrSlides.push_back(strLine);
        return TRUE;
    }
    // Other '#' lines are comments; a mistyped directive must not pass unnoticed.
    std::vector<std::string> arrWords = SplitWords(strLine);
    return arrWords[0] != "#quelmar" || ApplyDirective(strLine, arrWords);
}

// "#quelmar <flag>", "#quelmar <delay> <ms>" or "#quelmar journal <path>"; FALSE when the line
// names nothing known or its operand is wrong.
BOOL CPresentation::ApplyDirective(const std::string& strLine,
                                   const std::vector<std::string>& arrWords)
{
    if (arrWords.size() < 2)
        return FALSE;
    if (arrWords[1] == "journal")
        return ApplyJournal(strLine, arrWords);
    UINT* pnDelay = FindDelay(arrWords[1]);
    if (pnDelay != NULL)
        return arrWords.size() == 3 && ReadMilliseconds(arrWords[2], pnDelay);
    BOOL* pbFlag = FindFlag(arrWords[1]);
    if (pbFlag == NULL || arrWords.size() != 2)
        return FALSE;
    *pbFlag = TRUE;
    return TRUE;
}

// The journal's path is the rest of the line, which may hold blanks; its end is trimmed already.
BOOL CPresentation::ApplyJournal(const std::string& strLine,
                                 const std::vector<std::string>& arrWords)
{
    size_t nAt = strLine.find_first_not_of(" \t", arrWords[0].size());
    nAt = strLine.find_first_not_of(" \t", nAt + arrWords[1].size());
    if (nAt == std::string::npos)
        return FALSE;
    m_strJournal = strLine.substr(nAt);
    return TRUE;
}

UINT* CPresentation::FindDelay(const std::string& strName)
{
    if (strName == "window-after")
        return &m_nWindowAfterMs;
    if (strName == "close-after")
        return &m_nCloseAfterMs;
    if (strName == "open-delay")
        return &m_nOpenDelayMs;
    if (strName == "quit-delay")
        return &m_nQuitDelayMs;
    return NULL;
}

BOOL* CPresentation::FindFlag(const std::string& strName)
{
    if (strName == "no-window")
        return &m_bNoWindow;
    if (strName == "null-show")
        return &m_bNullShow;
    if (strName == "open-fails")
        return &m_bOpenFails;
    if (strName == "quit-fails")
        return &m_bQuitFails;
    if (strName == "restart-fails")
        return &m_bRestartFails;
    return NULL;
}
