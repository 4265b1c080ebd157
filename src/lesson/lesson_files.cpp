// Lesson parameter and result files, through the platform's own INI functions.
#include "lesson/lesson_files.h"

#include <stdio.h>

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

DWORD ReadLessonValue(LPCSTR lpszSection, LPCSTR lpszKey, char* pszValue, LPCSTR lpszParamFile)
{
    return GetPrivateProfileStringA(lpszSection, lpszKey, "", pszValue, kLessonValueSize,
                                    lpszParamFile);
}

// One key of [core]; a value that could not be written joins the unwritten lines.
static void WriteResultKey(LPCSTR lpszResultFile, LPCSTR lpszKey, LPCSTR lpszValue,
                           CString& strUnwritten)
{
    if (*lpszValue == '\0')
        return;
    if (WritePrivateProfileStringA("core", lpszKey, lpszValue, lpszResultFile)) {
        LogEvent("finish", "%s=%s written to %s", lpszKey, lpszValue, lpszResultFile);
        return;
    }
    LogEvent("finish", "%s=%s not written to %s (error %lu)", lpszKey, lpszValue, lpszResultFile,
             GetLastError());
    CString strLine;
    strLine.Format("%s%s%s=%s", static_cast<LPCSTR>(strUnwritten),
                   strUnwritten.IsEmpty() ? "" : "\n", lpszKey, lpszValue);
    strUnwritten = strLine;
}

void WriteLessonResult(LPCSTR lpszResultFile, LPCSTR lpszStatus, LPCSTR lpszScore,
                       CString& strUnwritten)
{
    strUnwritten = "";
    if (*lpszStatus == '\0' && *lpszScore == '\0')
        LogEvent("finish", "no status and no score: %s not touched", lpszResultFile);
    WriteResultKey(lpszResultFile, "lesson_status", lpszStatus, strUnwritten);
    WriteResultKey(lpszResultFile, "score", lpszScore, strUnwritten);
}
