// The diagnostic log: one locked append per line, to a file each process opens once.
#include "log/event_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "framework/handles.h"
#include "log/log_line.h"

static char g_szLogFile[MAX_PATH];
// Opened at the first line and kept for the process's life: opening costs more than
// the line itself. Shared for deleting too, so that a first launch can put the file aside.
static CHandleOwner g_logFile;
// The lines a hold keeps back; one that finds no room is dropped.
static char g_szHeld[8192];
static size_t g_cbHeld;
static BOOL g_bHeld;

void LogInit(HKEY hRoot, LPCSTR lpszKey, LPCSTR lpszValue)
{
    g_szLogFile[0] = '\0';
    CRegKeyOwner key;
    if (key.Open(hRoot, lpszKey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    char szValue[MAX_PATH];
    DWORD dwType = 0, cbValue = sizeof(szValue) - 1;
    if (RegQueryValueExA(key.Get(), lpszValue, NULL, &dwType, reinterpret_cast<BYTE*>(szValue),
                         &cbValue) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return;
    szValue[cbValue] = '\0';
    if (dwType == REG_SZ) {
        lstrcpynA(g_szLogFile, szValue, MAX_PATH);
        return;
    }
    DWORD cch = ExpandEnvironmentStringsA(szValue, g_szLogFile, MAX_PATH);
    if (cch == 0 || cch > MAX_PATH)
        g_szLogFile[0] = '\0';
}

BOOL LogRotate(DWORD cbLimit)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (g_szLogFile[0] == '\0' ||
        !GetFileAttributesExA(g_szLogFile, GetFileExInfoStandard, &data) ||
        (data.nFileSizeHigh == 0 && data.nFileSizeLow <= cbLimit))
        return FALSE;
    char szOld[MAX_PATH + 4];
    snprintf(szOld, sizeof(szOld), "%s.old", g_szLogFile);
    g_logFile.Close();
    return MoveFileExA(g_szLogFile, szOld, MOVEFILE_REPLACE_EXISTING);
}

// Writers of every process take the whole file in turn (Wine's append-only access seeks and
// writes in two steps, so lines of two processes could meet).
static void AppendToLog(const char* pszLines, size_t cbLines)
{
    if (g_logFile.Get() == NULL)
        g_logFile.Attach(CreateFileA(g_szLogFile, GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    HANDLE hFile = g_logFile.Get();
    OVERLAPPED whole = {};
    DWORD cbWritten;
    if (hFile == NULL || !LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        return;
    if (SetFilePointer(hFile, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(hFile, pszLines, static_cast<DWORD>(cbLines), &cbWritten, NULL);
    UnlockFileEx(hFile, 0, MAXDWORD, MAXDWORD, &whole);
}

void LogEvent(LPCSTR lpszEvent, LPCSTR lpszFormat, ...)
{
    if (g_szLogFile[0] == '\0')
        return;
    char szDetails[2048];
    va_list args;
    va_start(args, lpszFormat);
    vsnprintf(szDetails, sizeof(szDetails), lpszFormat, args);
    va_end(args);

    SYSTEMTIME st;
    GetLocalTime(&st);
    const CLogTime time = {st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                           st.wMinute, st.wSecond, st.wMilliseconds};
    char szLine[4096];
    const size_t cbLine =
        FormatLogLine(szLine, sizeof(szLine), time, GetCurrentProcessId(), lpszEvent, szDetails);
    if (cbLine == 0)
        return;
    if (!g_bHeld) {
        AppendToLog(szLine, cbLine);
    } else if (cbLine <= sizeof(g_szHeld) - g_cbHeld) {
        memcpy(g_szHeld + g_cbHeld, szLine, cbLine);
        g_cbHeld += cbLine;
    }
}

void LogHold(BOOL bHold)
{
    g_bHeld = bHold;
    if (!bHold && g_cbHeld != 0)
        AppendToLog(g_szHeld, g_cbHeld);
    g_cbHeld = 0;
}
