// One line of the diagnostic log, formatted. No Windows header.
#pragma once

#include <stddef.h>

struct LogTime {
    unsigned short wYear, wMonth, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

// "YYYY-MM-DD hh:mm:ss.mmm <pid> <event> <details>" and CR LF into out (outSize
// bytes, NUL included). A control byte of the details (a line break, say) is
// written as \r, \n, \t or \xNN, so that every event stays on one line; details
// too long for out are cut and end in "...". Returns the line's length, 0 when
// not even the time, process and event fit.
size_t FormatLogLine(char* out, size_t outSize, const LogTime& time, unsigned long pid,
                     const char* event, const char* details);
