// One line of the diagnostic log, formatted. No Windows header.
#pragma once

#include <stddef.h>

struct CLogTime {
    unsigned short m_wYear, m_wMonth, m_wDay, m_wHour, m_wMinute, m_wSecond, m_wMilliseconds;
};

// "YYYY-MM-DD hh:mm:ss.mmm <pid> <event> <details>" and CR LF into pszLine
// (cbLine bytes, NUL included). A control byte of the details (a line break,
// say) is written as \r, \n, \t or \xNN, so that every event stays on one line;
// details too long for the line are cut and end in "...". Returns the line's
// length, 0 when not even the time, process and event fit.
size_t FormatLogLine(char* pszLine, size_t cbLine, const CLogTime& time, unsigned long dwPid,
                     const char* pszEvent, const char* pszDetails);
