// Q operands and the interaction record: parsing and formatting. No Windows header.
#pragma once

#include <stddef.h>

// A blank is any non-NUL byte below 0x21 read as signed: 0x01-0x20 and 0x80-0xFF.
bool IsBlank(char c);

// NULL for NULL; else the first non-blank byte from p, or NULL when the NUL comes first.
const char* SkipBlanksIn(const char* p);

struct Interaction {
    const char* id;     // bytes 0x21-0x7F only; inside the parsed text, NUL-terminated there
    char response;      // 'A'..'D'
    char correct;       // '1' or '0'
};

// Takes the operands after the first '=' apart, stepping over blanks with
// skipBlanks (SkipBlanksIn, or the recorder's own). Writes one NUL into text,
// right after the id, as the recorder does in the command buffer. false: the
// operands form no interaction (nothing is to be recorded).
typedef const char* (*SkipBlanksFn)(const char* p);
bool ParseInteraction(char* text, Interaction* out, SkipBlanksFn skipBlanks = SkipBlanksIn);

struct LocalTimeFields {
    unsigned short wYear, wMonth, wDay, wHour, wMinute, wSecond;
};

// The string-table formats, passed in so the texts stay in one place (the resources).
struct RecordFormats {
    const char* date;   // month, day, year
    const char* time;   // hour, minute, second
    const char* record; // course, student, date, time, id, response, flag
};

// One record line, its CR LF included, exactly as the formats give it, into out
// (outSize bytes, NUL included). Returns its length; 0 when it does not fit whole
// or a format fails: a record is never cut.
size_t FormatInteractionRecord(const RecordFormats& formats, const char* courseId,
                               const char* studentName, const LocalTimeFields& now,
                               const Interaction& interaction, char* out, size_t outSize);

// The 95-byte header line written when the file is created.
extern const char kInteractionHeader[];
const size_t kInteractionHeaderSize = 95;
