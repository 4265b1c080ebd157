// The diagnostic log: one open-append-close per line, so that no handle outlives a line.
#include "log/event_log.h"

#include <stdarg.h>
#include <stdio.h>

#include "framework/handles.h"
#include "log/log_line.h"

static char g_szLogFile[MAX_PATH];

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
    return MoveFileExA(g_szLogFile, szOld, MOVEFILE_REPLACE_EXISTING);
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
    // Writers of every process take the whole file in turn (Wine's append-only
    // access seeks and writes in two steps, so lines of two processes could meet).
    CHandleOwner file(CreateFileA(g_szLogFile, GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    OVERLAPPED whole = {};
    DWORD cbWritten;
    if (file.Get() == NULL || cbLine == 0 ||
        !LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        return;
    if (SetFilePointer(file.Get(), 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(file.Get(), szLine, static_cast<DWORD>(cbLine), &cbWritten, NULL);
    UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
}
