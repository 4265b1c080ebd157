// Takes the Q operands apart and formats the interaction record line.
#include "frame/interaction.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

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

bool ParseInteraction(char* text, Interaction* out)
{
    char* equals = std::strchr(text, '=');
    if (equals == nullptr)
        return false;

    char* id = const_cast<char*>(SkipBlanksIn(equals + 1));
    if (id == nullptr)
        return false;
    char* idEnd = id;
    while (*idEnd != '\0' && !IsBlank(*idEnd))
        ++idEnd;
    // The id must be followed by a response, so it cannot end the text.
    if (*idEnd == '\0')
        return false;
    *idEnd = '\0';

    const char* response = SkipBlanksIn(idEnd + 1);
    if (response == nullptr)
        return false;
    if (response[1] != '\0' && !IsBlank(response[1]))
        return false;
    const char letter = static_cast<char>(*response & ~0x20);
    if (letter < 'A' || letter > 'D')
        return false;

    // Only the flag's first byte counts: anything but '1' means not correct.
    const char* flag = SkipBlanksIn(response + 1);
    out->id.assign(id, idEnd);
    out->response = letter;
    out->correct = (flag != nullptr && *flag == '1') ? '1' : '0';
    return true;
}

// Formats into storage measured first, so nothing is cut and nothing overruns.
static std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measureArgs;
    va_copy(measureArgs, args);
    const int length = std::vsnprintf(nullptr, 0, format, measureArgs);
    va_end(measureArgs);
    std::string text;
    if (length > 0) {
        std::vector<char> storage(static_cast<size_t>(length) + 1);
        std::vsnprintf(storage.data(), storage.size(), format, args);
        text.assign(storage.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

std::string FormatInteractionRecord(const RecordFormats& formats, const char* courseId,
                                    const char* studentName, const LocalTimeFields& now,
                                    const Interaction& interaction)
{
    const std::string date = FormatText(formats.date, static_cast<int>(now.wMonth),
                                        static_cast<int>(now.wDay), static_cast<int>(now.wYear));
    const std::string time = FormatText(formats.time, static_cast<int>(now.wHour),
                                        static_cast<int>(now.wMinute),
                                        static_cast<int>(now.wSecond));
    return FormatText(formats.record, courseId, studentName, date.c_str(), time.c_str(),
                      interaction.id.c_str(), interaction.response, interaction.correct);
}
