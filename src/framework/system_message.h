// FormatSystemMessage: Windows' own text for an error code, for the program's reports and
// quelmar's.
#pragma once

#include <windows.h>

// Windows' text for a Win32 error or an HRESULT into pszText (cchText bytes), without the line
// break Windows ends it with; its length, 0 (and "") when Windows has no text for the code.
inline DWORD FormatSystemMessage(DWORD dwError, char* pszText, DWORD cchText)
{
    if (cchText == 0)
        return 0;
    DWORD cch = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                               dwError, 0, pszText, cchText, NULL);
    while (cch > 0 &&
           (pszText[cch - 1] == '\r' || pszText[cch - 1] == '\n' || pszText[cch - 1] == ' '))
        --cch;
    pszText[cch] = '\0';
    return cch;
}
