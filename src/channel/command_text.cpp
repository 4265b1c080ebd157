// The command buffer and the small operations on command texts.
#include "channel/command_text.h"

char g_szCommandBuffer[kCommandBlockSize] = {};

bool IsCommandText(const char* pszText)
{
    return pszText[0] == '-';
}

bool FitsCommandBlock(const char* pszText)
{
    for (size_t nLength = 0; nLength <= kCommandTextMax; ++nLength) {
        if (pszText[nLength] == '\0')
            return true;
    }
    return false;
}

size_t CopyCommandText(char* pszDest, size_t cbDest, const char* pszSource, size_t cbSource)
{
    if (cbDest == 0)
        return 0;
    size_t nLength = 0;
    while (nLength < cbDest - 1 && nLength < cbSource && pszSource[nLength] != '\0') {
        pszDest[nLength] = pszSource[nLength];
        ++nLength;
    }
    pszDest[nLength] = '\0';
    return nLength;
}

char UpcaseCommandLetter(char* pszText)
{
    pszText[1] = static_cast<char>(pszText[1] & ~0x20);
    return pszText[1];
}
