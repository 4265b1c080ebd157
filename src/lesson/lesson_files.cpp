// Lesson parameter and result files, through the platform's own INI functions.
#include "lesson/lesson_files.h"

#include <stdio.h>

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

void WriteLessonResult(LPCSTR lpszResultFile, LPCSTR lpszStatus, LPCSTR lpszScore)
{
    if (*lpszStatus != '\0')
        WritePrivateProfileStringA("core", "lesson_status", lpszStatus, lpszResultFile);
    if (*lpszScore != '\0')
        WritePrivateProfileStringA("core", "score", lpszScore, lpszResultFile);
}
