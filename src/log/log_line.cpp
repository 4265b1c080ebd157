// Formats a diagnostic log line: time, process, event and the details on one line.
#include "log/log_line.h"

#include <stdio.h>
#include <string.h>

static const char kCutMark[] = "...\r\n";

// The bytes that stand for ch in the details: at most 4, and a NUL.
static void Escape(unsigned char ch, char* pszPiece)
{
    const char* pszNamed = ch == '\r' ? "\\r" : ch == '\n' ? "\\n" : ch == '\t' ? "\\t" : NULL;
    if (pszNamed != NULL)
        snprintf(pszPiece, 5, "%s", pszNamed);
    else if (ch < 0x20 || ch == 0x7F)
        snprintf(pszPiece, 5, "\\x%02X", ch);
    else
        snprintf(pszPiece, 5, "%c", ch);
}

size_t FormatLogLine(char* pszLine, size_t cbLine, const CLogTime& time, unsigned long dwPid,
                     const char* pszEvent, const char* pszDetails)
{
    const int cchHead =
        snprintf(pszLine, cbLine, "%04u-%02u-%02u %02u:%02u:%02u.%03u %lu %s ", time.m_wYear,
                 time.m_wMonth, time.m_wDay, time.m_wHour, time.m_wMinute, time.m_wSecond,
                 time.m_wMilliseconds, dwPid, pszEvent);
    if (cchHead < 0 || static_cast<size_t>(cchHead) + sizeof(kCutMark) > cbLine) {
        if (cbLine != 0)
            pszLine[0] = '\0';
        return 0;
    }
    size_t nLength = static_cast<size_t>(cchHead);
    // Room is kept for the cut mark, or for CR LF and the NUL.
    const size_t nRoom = cbLine - sizeof(kCutMark);
    for (const char* p = pszDetails; *p != '\0'; ++p) {
        char szPiece[5];
        Escape(static_cast<unsigned char>(*p), szPiece);
        const size_t cchPiece = strlen(szPiece);
        if (nLength + cchPiece > nRoom) {
            snprintf(pszLine + nLength, cbLine - nLength, "%s", kCutMark);
            return nLength + sizeof(kCutMark) - 1;
        }
        memcpy(pszLine + nLength, szPiece, cchPiece);
        nLength += cchPiece;
    }
    snprintf(pszLine + nLength, cbLine - nLength, "\r\n");
    return nLength + 2;
}
