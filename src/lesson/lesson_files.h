// The lesson parameter file the CMI system leaves, and the result file the lesson writes.
#pragma once

#include <windows.h>

#include "framework/afxstr.h"

// Every value and path of these files fits the platform's MAX_PATH buffer.
const DWORD kLessonValueSize = MAX_PATH;

// "<Windows directory>\PARAM.CMI" into a MAX_PATH buffer.
void GetLessonParamFilePath(char* pszPath);

// Logs which file the profile functions read for that path, and when it was written (a
// VirtualStore copy shows as itself), or that there is none. FALSE when the file begins with a
// UTF-8 byte-order mark right before [core]: Windows' profile functions do not skip the mark,
// so they find no [core] section, and neither must the lesson, whichever system it runs on.
BOOL CheckLessonParamFile(LPCSTR lpszParamFile);

// One value of the lesson parameter file into a MAX_PATH buffer (cut to 259
// characters, enclosing quotes removed, empty when absent). Returns the number
// of characters read: 0 when the file, section or key is missing or the value empty.
DWORD ReadLessonValue(LPCSTR lpszSection, LPCSTR lpszKey, char* pszValue, LPCSTR lpszParamFile);

// [core] lesson_status and score into the result file, each only when not empty; with both
// empty the file is not touched. Each write waits out a moment's sharing or lock violation, as
// RetryWhileLocked does; a mark that hides [core] from Windows is logged after the writes.
// strUnwritten receives a "key=value" line for each value that could not be written, so that
// somebody can enter it by hand (lines joined by a line feed; empty when all were written).
void WriteLessonResult(LPCSTR lpszResultFile, LPCSTR lpszStatus, LPCSTR lpszScore,
                       CString& strUnwritten);
