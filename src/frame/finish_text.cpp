// Reads the status and score out of an S or G command text.
#include "frame/finish_text.h"

#include <string.h>

static const char kTokenDelimiters[] = " -";

static bool IsTokenDelimiter(char ch)
{
    return ch == ' ' || ch == '-';
}

// The value starts at the token's third byte; a lone letter has none, so it gives "".
static void TakeValue(const char* pszToken, char* pszValue)
{
    const char* pszStart = pszToken[1] != '\0' ? pszToken + 2 : "";
    CopyCommandText(pszValue, kFinishCopySize, pszStart, kFinishTextMax);
}

void ReadFinishValues(const char* pszCommandText, CFinishValues* pValues)
{
    char szCopy[kFinishCopySize];
    size_t nLength = CopyCommandText(szCopy, sizeof(szCopy), pszCommandText, kFinishTextMax);
    // A token that runs on past the working copy would give a shorter, different
    // value: it is passed over, as if absent, and the whole tokens before it count.
    if (pszCommandText[nLength] != '\0' && !IsTokenDelimiter(pszCommandText[nLength])) {
        while (nLength > 0 && !IsTokenDelimiter(szCopy[nLength - 1]))
            --nLength;
        szCopy[nLength] = '\0';
    }
    pValues->m_szStatus[0] = '\0';
    pValues->m_szScore[0] = '\0';
    for (char* pszToken = strtok(szCopy, kTokenDelimiters); pszToken != NULL;
         pszToken = strtok(NULL, kTokenDelimiters)) {
        // A line break would end the result file's line inside the value, and the
        // rest would become lines and sections of its own: no such value is written.
        if (strpbrk(pszToken, "\r\n") != NULL)
            continue;
        if (pszToken[0] == 'S')
            TakeValue(pszToken, pValues->m_szStatus);
        else if (pszToken[0] == 'G')
            TakeValue(pszToken, pValues->m_szScore);
    }
}
