// Takes the Q operands apart and formats the interaction record line.
#include "frame/interaction.h"

#include <cstdio>
#include <cstring>

const char kInteractionHeader[] =
    "\"course_id\",\"student_id\",\"date\",\"time\",\"interaction_id\","
    "\"student_response\",\"correct_response\"\r\n";
static_assert(sizeof(kInteractionHeader) == kInteractionHeaderSize + 1,
              "the header line is 95 bytes plus its NUL");

bool IsBlank(char c)
{
    return c != '\0' && static_cast<signed char>(c) < 0x21;
}

const char* SkipBlanksIn(const char* p)
{
    if (p == nullptr)
        return nullptr;
    while (IsBlank(*p))
        ++p;
    return *p != '\0' ? p : nullptr;
}

bool ParseInteraction(char* text, Interaction* out, SkipBlanksFn skipBlanks)
{
    char* equals = std::strchr(text, '=');
    if (equals == nullptr)
        return false;

    char* id = const_cast<char*>(skipBlanks(equals + 1));
    if (id == nullptr)
        return false;
    char* idEnd = id;
    while (*idEnd != '\0' && !IsBlank(*idEnd))
        ++idEnd;
    // The id must be followed by a response, so it cannot end the text.
    if (*idEnd == '\0')
        return false;
    *idEnd = '\0';

    const char* response = skipBlanks(idEnd + 1);
    if (response == nullptr)
        return false;
    if (response[1] != '\0' && !IsBlank(response[1]))
        return false;
    const char letter = static_cast<char>(*response & ~0x20);
    if (letter < 'A' || letter > 'D')
        return false;

    // Only the flag's first byte counts: anything but '1' means not correct.
    const char* flag = skipBlanks(response + 1);
    out->id = id;
    out->response = letter;
    out->correct = (flag != nullptr && *flag == '1') ? '1' : '0';
    return true;
}

size_t FormatInteractionRecord(const RecordFormats& formats, const char* courseId,
                               const char* studentName, const LocalTimeFields& now,
                               const Interaction& interaction, char* out, size_t outSize)
{
    // Ample for the real formats; a format that wants more fails the record.
    char date[32], time[32];
    const int dateLength = std::snprintf(date, sizeof(date), formats.date,
                                         static_cast<int>(now.wMonth), static_cast<int>(now.wDay),
                                         static_cast<int>(now.wYear));
    const int timeLength = std::snprintf(time, sizeof(time), formats.time,
                                         static_cast<int>(now.wHour),
                                         static_cast<int>(now.wMinute),
                                         static_cast<int>(now.wSecond));
    if (dateLength < 0 || static_cast<size_t>(dateLength) >= sizeof(date) || timeLength < 0 ||
        static_cast<size_t>(timeLength) >= sizeof(time) || outSize == 0)
        return 0;
    const int length = std::snprintf(out, outSize, formats.record, courseId, studentName, date,
                                     time, interaction.id, interaction.response,
                                     interaction.correct);
    if (length < 0 || static_cast<size_t>(length) >= outSize) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(length);
}
