// Q operands and the interaction record: parsing and formatting. No Windows header.
#pragma once

#include <stddef.h>

#include "channel/channel.h"

// A blank is any non-NUL byte below 0x21 read as signed: 0x01-0x20 and 0x80-0xFF.
bool IsBlank(char ch);

// NULL for NULL; else the first non-blank byte from p, or NULL when the NUL comes first.
const char* SkipBlanksIn(const char* p);

// The longest id an answer can carry: "-Q=", the id, a blank and the letter fill the 255
// characters a command may have.
const size_t kInteractionIdMax = kCommandTextMax - 5;

struct CInteraction {
    const char* m_pszId; // bytes 0x21-0x7F only; inside the parsed text, NUL-terminated there
    char m_chResponse;   // 'A'..'D'
    char m_chCorrect;    // '1' or '0'
};

// Takes the operands after the first '=' apart, stepping over blanks with
// pfnSkipBlanks (the recorder passes CMainFrame::SkipBlanks, which steps as SkipBlanksIn does).
// Writes one NUL into the text, right after the id, as the recorder does in the command buffer.
// false: the operands form no interaction (nothing is to be recorded).
typedef const char* (*SKIPBLANKSPROC)(const char* p);
bool ParseInteraction(char* pszText, CInteraction* pInteraction,
                      SKIPBLANKSPROC pfnSkipBlanks = SkipBlanksIn);

struct CRecordTime {
    unsigned short m_wYear, m_wMonth, m_wDay, m_wHour, m_wMinute, m_wSecond;
};

// The string-table formats, passed in so the texts stay in one place (the resources).
struct CRecordFormats {
    const char* m_pszDate;   // month, day, year
    const char* m_pszTime;   // hour, minute, second
    const char* m_pszRecord; // course, student, date, time, id, response, flag
};

// One record line, its CR LF included, exactly as the formats give it, into
// pszRecord (cbRecord bytes, NUL included). Returns its length; 0 when it does
// not fit whole or a format fails: a record is never cut.
size_t FormatInteractionRecord(const CRecordFormats& formats, const char* pszCourseId,
                               const char* pszStudentName, const CRecordTime& now,
                               const CInteraction& interaction, char* pszRecord, size_t cbRecord);

// The 95-byte header line written when the file is created.
extern const char kInteractionHeader[];
const size_t kInteractionHeaderSize = 95;
