// Formats a diagnostic log line: time, process, event and the details on one line.
#include "log/log_line.h"

#include <cstdio>

static const char kCut[] = "...\r\n";

// The bytes that stand for c in the details; at most 4 and a NUL.
static void Escape(unsigned char c, char* out)
{
    const char* named = c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : nullptr;
    if (named != nullptr)
        std::snprintf(out, 5, "%s", named);
    else if (c < 0x20 || c == 0x7F)
        std::snprintf(out, 5, "\\x%02X", c);
    else
        std::snprintf(out, 5, "%c", c);
}

size_t FormatLogLine(char* out, size_t outSize, const LogTime& time, unsigned long pid,
                     const char* event, const char* details)
{
    const int head = std::snprintf(out, outSize, "%04u-%02u-%02u %02u:%02u:%02u.%03u %lu %s ",
                                   time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                                   time.wSecond, time.wMilliseconds, pid, event);
    if (head < 0 || static_cast<size_t>(head) + sizeof(kCut) > outSize) {
        if (outSize != 0)
            out[0] = '\0';
        return 0;
    }
    size_t length = static_cast<size_t>(head);
    // Room is kept for the cut mark, or for CR LF and the NUL.
    const size_t room = outSize - sizeof(kCut);
    for (const char* p = details; *p != '\0'; ++p) {
        char piece[5];
        Escape(static_cast<unsigned char>(*p), piece);
        size_t pieceLength = 0;
        while (piece[pieceLength] != '\0')
            ++pieceLength;
        if (length + pieceLength > room) {
            std::snprintf(out + length, outSize - length, "%s", kCut);
            return length + sizeof(kCut) - 1;
        }
        for (size_t i = 0; i < pieceLength; ++i)
            out[length++] = piece[i];
    }
    std::snprintf(out + length, outSize - length, "\r\n");
    return length + 2;
}
