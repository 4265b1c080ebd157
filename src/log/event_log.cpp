// The diagnostic log: one locked append per line, to a file each process opens once, or gives up.
#include "log/event_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "framework/deadline.h"
#include "framework/handles.h"
#include "log/log_line.h"

static char g_szLogFile[MAX_PATH];
// How long a line waits for another writer's lock on the file, and how often it tries.
static const DWORD kLockWaitMs = 200;
static const DWORD kLockRetryMs = 50;
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

// The line for the event, stamped now and with this process's id; its length, 0 when it cannot be
// formed.
static size_t FormatEventLine(char* pszLine, size_t cbLine, LPCSTR lpszEvent, LPCSTR lpszDetails)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    const CLogTime time = {st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                           st.wMinute, st.wSecond, st.wMilliseconds};
    return FormatLogLine(pszLine, cbLine, time, GetCurrentProcessId(), lpszEvent, lpszDetails);
}

// The log file, opened at the first line. One that cannot be opened (a share that does not
// answer, a folder that is missing) is given up for the rest of the process, since every new
// try could wait for the network's time-out, and the lesson with it. The line saying so cannot
// go into the file: a debugger (DebugView, say) shows it.
static HANDLE OpenLogFile()
{
    if (g_logFile.Get() == NULL)
        g_logFile.Attach(CreateFileA(g_szLogFile, GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (g_logFile.Get() != NULL)
        return g_logFile.Get();
    char szDetails[MAX_PATH + 96], szLine[MAX_PATH + 160];
    snprintf(szDetails, sizeof(szDetails), "%s cannot be opened (error %lu): given up", g_szLogFile,
             GetLastError());
    g_szLogFile[0] = '\0';
    if (FormatEventLine(szLine, sizeof(szLine), "log", szDetails) != 0)
        OutputDebugStringA(szLine);
    return NULL;
}

// Writers of every process take the whole file in turn (Wine's append-only access seeks and
// writes in two steps, so lines of two processes could meet). A writer holds it for one line; a
// lock held longer (a share that stalls, a process stopped in a debugger) costs this line, never
// the lesson.
static BOOL LockWholeFile(HANDLE hFile, OVERLAPPED* pWhole)
{
    const CDeadline deadline(kLockWaitMs);
    while (!LockFileEx(hFile, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, pWhole)) {
        if (GetLastError() != ERROR_LOCK_VIOLATION || deadline.IsPast())
            return FALSE;
        Sleep(kLockRetryMs);
    }
    return TRUE;
}

// One locked append of whole lines.
static void AppendToLog(const char* pszLines, size_t cbLines)
{
    HANDLE hFile = OpenLogFile();
    OVERLAPPED whole = {};
    DWORD cbWritten;
    if (hFile == NULL || !LockWholeFile(hFile, &whole))
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

    char szLine[4096];
    const size_t cbLine = FormatEventLine(szLine, sizeof(szLine), lpszEvent, szDetails);
    if (cbLine == 0)
        return;
    if (!g_bHeld) {
        AppendToLog(szLine, cbLine);
    } else if (cbLine <= sizeof(g_szHeld) - g_cbHeld) {
        memcpy(g_szHeld + g_cbHeld, szLine, cbLine);
        g_cbHeld += cbLine;
    }
}

// A hold begun while one runs goes on with the lines it keeps.
void LogHold(BOOL bHold)
{
    g_bHeld = bHold;
    if (bHold)
        return;
    if (g_cbHeld != 0 && g_szLogFile[0] != '\0')
        AppendToLog(g_szHeld, g_cbHeld);
    g_cbHeld = 0;
}
