// Reads a presentation file: its slides, their buttons, and the "#quelmar" directives.
#include "presentation.h"

#include "framework/handles.h"

#include <stdlib.h>
#include <string.h>

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

// A directive's one operand, a whole decimal number from nMin to nMax.
static BOOL ReadOperand(const std::vector<std::string>& arrWords, long long nMin, long long nMax,
                        long long* pnValue)
{
    if (arrWords.size() != 3)
        return FALSE;
    char* pszEnd = NULL;
    *pnValue = strtoll(arrWords[2].c_str(), &pszEnd, 10);
    return *pszEnd == '\0' && *pnValue >= nMin && *pnValue <= nMax;
}

// Where the text after the line's first nWords words begins; the line's length when none does.
static size_t SkipWords(const std::string& strLine, size_t nWords)
{
    size_t nAt = strLine.find_first_not_of(" \t");
    for (; nWords > 0 && nAt != std::string::npos; --nWords)
        nAt = strLine.find_first_not_of(" \t", strLine.find_first_of(" \t", nAt));
    return nAt == std::string::npos ? strLine.size() : nAt;
}

// A real lesson is a compound file; anything else is read as the text format.
static const char kCompoundSignature[] = {'\xD0', '\xCF', '\x11', '\xE0',
                                          '\xA1', '\xB1', '\x1A', '\xE1'};
static const char kScorePlaceholder[] = "{score}";
static const char kStatusPlaceholder[] = "{status}";

// The placeholder that begins at nAt, or NULL when none does.
static LPCSTR FindPlaceholder(const std::string& strTail, size_t nAt)
{
    for (LPCSTR lpszPlaceholder : {kScorePlaceholder, kStatusPlaceholder}) {
        if (strTail.compare(nAt, strlen(lpszPlaceholder), lpszPlaceholder) == 0)
            return lpszPlaceholder;
    }
    return NULL;
}

// FALSE when a '{' begins no placeholder.
static BOOL CheckPlaceholders(const std::string& strTail)
{
    for (size_t nAt = strTail.find('{'); nAt != std::string::npos;
         nAt = strTail.find('{', nAt + 1)) {
        if (FindPlaceholder(strTail, nAt) == NULL)
            return FALSE;
    }
    return TRUE;
}

// '"<label>" <tail>': a label that is not empty, then blanks, then a tail that is not.
static BOOL ReadLabelAndTail(const std::string& strText, CSlideButton* pButton)
{
    size_t nClose = strText.find('"', 1);
    if (strText.empty() || strText[0] != '"' || nClose == std::string::npos || nClose == 1)
        return FALSE;
    size_t nTail = strText.find_first_not_of(" \t", nClose + 1);
    if (nTail == std::string::npos || nTail == nClose + 1)
        return FALSE;
    pButton->m_strLabel = strText.substr(1, nClose - 1);
    pButton->m_strTail = strText.substr(nTail);
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
    std::string strWrong;
    if (strText.compare(0, sizeof kCompoundSignature, kCompoundSignature,
                        sizeof kCompoundSignature) == 0) {
        std::string strRefusal = ReadLesson(strText, &strWrong);
        if (!strRefusal.empty()) {
            *pstrError = "Cannot read presentation " + strPath + ": " + strRefusal;
            return FALSE;
        }
    } else {
        strWrong = ReadLines(strText);
    }
    if (!strWrong.empty()) {
        *pstrError = "Bad directive in " + strPath + ": " + strWrong;
        return FALSE;
    }
    if (m_nPassMark < 0 && !m_strStatusLine.empty()) {
        *pstrError = "No pass mark for {status} in " + strPath + ": " + m_strStatusLine;
        return FALSE;
    }
    if (m_bOpenFails) {
        *pstrError = "Presentation refused to open: " + strPath;
        return FALSE;
    }
    return TRUE;
}

std::string CPresentation::FillTail(const std::string& strTail, UINT nScore) const
{
    std::string strFilled;
    for (size_t nAt = 0; nAt < strTail.size();) {
        LPCSTR lpszPlaceholder = strTail[nAt] == '{' ? FindPlaceholder(strTail, nAt) : NULL;
        if (lpszPlaceholder == NULL)
            strFilled += strTail[nAt++];
        else if (lpszPlaceholder == kScorePlaceholder)
            strFilled += std::to_string(nScore);
        else
            strFilled += static_cast<int>(nScore) >= m_nPassMark ? "P" : "F";
        if (lpszPlaceholder != NULL)
            nAt += strlen(lpszPlaceholder);
    }
    return strFilled;
}

size_t CPresentation::CountButtons(size_t nSlide) const
{
    return m_arrSlides[nSlide].m_arrButtons.size() + m_arrMasterButtons.size();
}

const CSlideButton& CPresentation::GetButton(size_t nSlide, size_t nButton) const
{
    const std::vector<CSlideButton>& arrOwn = m_arrSlides[nSlide].m_arrButtons;
    return nButton < arrOwn.size() ? arrOwn[nButton] : m_arrMasterButtons[nButton - arrOwn.size()];
}

// Keeps the first line that asks for {status}: without a pass mark, the open call names it.
void CPresentation::NoteStatus(const std::string& strTail, const std::string& strLine)
{
    if (m_strStatusLine.empty() && strTail.find(kStatusPlaceholder) != std::string::npos)
        m_strStatusLine = strLine;
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
        m_arrSlides.push_back(CSlide{strLine, {}});
        return TRUE;
    }
    // Other '#' lines are comments; a mistyped directive must not pass unnoticed.
    std::vector<std::string> arrWords = SplitWords(strLine);
    return arrWords[0] != "#quelmar" || ApplyDirective(strLine, arrWords);
}

// "#quelmar <name>" and its operands, as the file's header comment lists them; FALSE when the
// line names nothing known or its operands are wrong.
BOOL CPresentation::ApplyDirective(const std::string& strLine,
                                   const std::vector<std::string>& arrWords)
{
    if (arrWords.size() < 2)
        return FALSE;
    const std::string& strName = arrWords[1];
    // A real lesson's buttons are its own.
    if (strName == "answer" || strName == "button")
        return !m_bRealLesson && ApplyButton(strLine, arrWords);
    // A path is the rest of the line, which may hold blanks; its end is trimmed already.
    size_t nPath = SkipWords(strLine, 2);
    if (strName == "journal" || strName == "launcher") {
        (strName == "journal" ? m_strJournal : m_strLauncher) = strLine.substr(nPath);
        return nPath < strLine.size();
    }
    long long nValue = 0;
    if (strName == "pass-mark" && ReadOperand(arrWords, 0, 100, &nValue)) {
        m_nPassMark = static_cast<int>(nValue);
        return TRUE;
    }
    UINT* pnDelay = FindDelay(strName);
    if (pnDelay != NULL && ReadOperand(arrWords, 1, USER_TIMER_MAXIMUM, &nValue)) {
        *pnDelay = static_cast<UINT>(nValue);
        return TRUE;
    }
    BOOL* pbFlag = FindFlag(strName);
    if (pbFlag == NULL || arrWords.size() != 2)
        return FALSE;
    *pbFlag = TRUE;
    return TRUE;
}

// A button on the slide above: "answer correct|wrong" or "button", then its label and tail.
BOOL CPresentation::ApplyButton(const std::string& strLine,
                                const std::vector<std::string>& arrWords)
{
    CSlideButton button = {};
    BOOL bAnswer = arrWords[1] == "answer";
    if (bAnswer && (arrWords.size() < 3 || (arrWords[2] != "correct" && arrWords[2] != "wrong")))
        return FALSE;
    if (bAnswer)
        button.m_nKind = arrWords[2] == "correct" ? CSlideButton::kCorrect : CSlideButton::kWrong;
    if (m_arrSlides.empty() ||
        !ReadLabelAndTail(strLine.substr(SkipWords(strLine, bAnswer ? 3 : 2)), &button) ||
        !CheckPlaceholders(button.m_strTail))
        return FALSE;
    NoteStatus(button.m_strTail, strLine);
    m_arrSlides.back().m_arrButtons.push_back(button);
    m_arrSlides.back().m_bQuestion = m_arrSlides.back().m_bQuestion || bAnswer;
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
    if (strName == "restart-delay")
        return &m_nRestartDelayMs;
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
