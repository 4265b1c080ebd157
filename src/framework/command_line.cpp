// Finds the command-line tail: everything after the program's own name.
#include "framework/command_line.h"

const char* SkipProgramName(const char* pszCommandLine)
{
    // Unsigned, so that bytes 0x80-0xFF stay part of an unquoted name.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pszCommandLine);
    if (*p == '"') {
        // A quoted name may hold blanks; it ends at the closing quote, or at the end.
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p != '\0' && *p <= ' ')
        ++p;
    return reinterpret_cast<const char*>(p);
}
