// Lesson parameter and result files, through the platform's own INI functions.
#include "lesson/lesson_files.h"

#include <stdio.h>
#include <string.h>

#include "framework/handles.h"
#include "lesson/file_retry.h"
#include "lesson/param_mark.h"
#include "log/event_log.h"

void GetLessonParamFilePath(char* pszPath)
{
    char szWindows[MAX_PATH] = "";
    UINT cch = GetWindowsDirectoryA(szWindows, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        szWindows[0] = '\0';
    // Bounded: a directory too long for the path leaves a name that is not found.
    snprintf(pszPath, MAX_PATH, "%s\\PARAM.CMI", szWindows);
}

// The file the handle reads, as Windows resolved it, without the "\\?\" that marks a long path.
static void GetOpenedPath(HANDLE hFile, char* pszPath)
{
    DWORD cch = GetFinalPathNameByHandleA(hFile, pszPath, MAX_PATH, FILE_NAME_NORMALIZED);
    if (cch == 0 || cch >= MAX_PATH)
        lstrcpynA(pszPath, "(its path cannot be told)", MAX_PATH);
    else if (strncmp(pszPath, "\\\\?\\", 4) == 0 && pszPath[5] == ':')
        memmove(pszPath, pszPath + 4, cch - 4 + 1);
}

// The file's last-write time, local, as "YYYY-MM-DD hh:mm:ss".
static void GetWrittenTime(HANDLE hFile, char* pszTime, size_t cbTime)
{
    FILETIME ftWritten, ftLocal;
    SYSTEMTIME st;
    if (!GetFileTime(hFile, NULL, NULL, &ftWritten) ||
        !FileTimeToLocalFileTime(&ftWritten, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st)) {
        snprintf(pszTime, cbTime, "at an unknown time");
        return;
    }
    snprintf(pszTime, cbTime, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
             st.wHour, st.wMinute, st.wSecond);
}

// What a byte-order mark at the start of the open file hides from Windows' profile functions.
static ParamFileMark ReadFileMark(HANDLE hFile)
{
    char szHead[64];
    DWORD cbHead = 0;
    if (!ReadFile(hFile, szHead, sizeof(szHead), &cbHead, NULL))
        cbHead = 0;
    return FindParamFileMark(szHead, cbHead);
}

BOOL CheckLessonParamFile(LPCSTR lpszParamFile)
{
    // Opened as the profile functions open it, so that Windows redirects it the same way.
    CHandleOwner file(CreateFileA(lpszParamFile, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (file.Get() == NULL) {
        LogEvent("params", "no %s (error %lu)", lpszParamFile, GetLastError());
        return TRUE;
    }
    char szPath[MAX_PATH], szTime[32];
    GetOpenedPath(file.Get(), szPath);
    GetWrittenTime(file.Get(), szTime, sizeof(szTime));
    const ParamFileMark mark = ReadFileMark(file.Get());
    LogEvent("params", "%s read, written %s%s", szPath, szTime,
             mark == PARAM_NO_MARK ? ""
             : mark == PARAM_MARK_ELSEWHERE
                 ? "; it begins with a UTF-8 byte-order mark, which spoils its first line"
                 : "; it begins with a UTF-8 byte-order mark right before [core], so Windows "
                   "finds no [core] section: save the file as ANSI");
    return mark != PARAM_MARK_HIDES_CORE;
}

DWORD ReadLessonValue(LPCSTR lpszSection, LPCSTR lpszKey, char* pszValue, LPCSTR lpszParamFile)
{
    return GetPrivateProfileStringA(lpszSection, lpszKey, "", pszValue, kLessonValueSize,
                                    lpszParamFile);
}

// One key of [core]; a value that could not be written joins the unwritten lines. A scanner,
// indexer, sync client or backup that holds the file for a moment is waited out.
static void WriteResultKey(LPCSTR lpszResultFile, LPCSTR lpszKey, LPCSTR lpszValue,
                           CString& strUnwritten)
{
    if (*lpszValue == '\0')
        return;
    try {
        RetryWhileLocked("finish", lpszResultFile, [&] {
            if (!WritePrivateProfileStringA("core", lpszKey, lpszValue, lpszResultFile))
                throw CFileException(static_cast<LONG>(GetLastError()));
        });
        LogEvent("finish", "%s=%s written to %s", lpszKey, lpszValue, lpszResultFile);
        return;
    } catch (const CFileException& e) {
        LogEvent("finish", "%s=%s not written to %s (error %ld)", lpszKey, lpszValue,
                 lpszResultFile, e.m_lOsError);
    }
    CString strLine;
    strLine.Format("%s%s%s=%s", static_cast<LPCSTR>(strUnwritten),
                   strUnwritten.IsEmpty() ? "" : "\n", lpszKey, lpszValue);
    strUnwritten = strLine;
}

// A result file the CMI system wrote as UTF-8 with a mark right before [core]: Windows' profile
// functions do not see that section and add a second [core], which the CMI system may never
// read. The file is written as Windows writes it all the same; the log tells why.
static void LogResultFileMark(LPCSTR lpszResultFile)
{
    CHandleOwner file(CreateFileA(lpszResultFile, GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (file.Get() != NULL && ReadFileMark(file.Get()) == PARAM_MARK_HIDES_CORE)
        LogEvent("finish",
                 "%s begins with a UTF-8 byte-order mark right before [core], so Windows finds "
                 "no [core] section and adds one: the CMI system must write it as ANSI",
                 lpszResultFile);
}

void WriteLessonResult(LPCSTR lpszResultFile, LPCSTR lpszStatus, LPCSTR lpszScore,
                       CString& strUnwritten)
{
    strUnwritten = "";
    if (*lpszStatus == '\0' && *lpszScore == '\0') {
        LogEvent("finish", "no status and no score: %s not touched", lpszResultFile);
        return;
    }
    WriteResultKey(lpszResultFile, "lesson_status", lpszStatus, strUnwritten);
    WriteResultKey(lpszResultFile, "score", lpszScore, strUnwritten);
    // Only after the writes: at a logoff the result comes before anything else.
    LogResultFileMark(lpszResultFile);
}
