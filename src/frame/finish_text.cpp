// Reads the status and score out of an S or G command text.
#include "frame/finish_text.h"

#include <cstring>

static const char kTokenDelimiters[] = " -";

static bool IsTokenDelimiter(char c) { return c == ' ' || c == '-'; }

// The value starts at the token's third byte; a lone letter has none, so it gives "".
static void TakeValue(const char* token, char* value)
{
    const char* start = token[1] != '\0' ? token + 2 : "";
    CopyCommandText(value, kFinishCopySize, start, kFinishTextMax);
}

void ReadFinishValues(const char* commandText, FinishValues* out)
{
    char copy[kFinishCopySize];
    size_t length = CopyCommandText(copy, sizeof copy, commandText, kFinishTextMax);
    // A token that runs on past the working copy would give a shorter, different
    // value: it is passed over, as if absent, and the whole tokens before it count.
    if (commandText[length] != '\0' && !IsTokenDelimiter(commandText[length])) {
        while (length > 0 && !IsTokenDelimiter(copy[length - 1]))
            --length;
        copy[length] = '\0';
    }
    out->szStatus[0] = '\0';
    out->szScore[0] = '\0';
    for (char* token = std::strtok(copy, kTokenDelimiters); token != nullptr;
         token = std::strtok(nullptr, kTokenDelimiters)) {
        // A line break would end the result file's line inside the value, and the
        // rest would become lines and sections of its own: no such value is written.
        if (std::strpbrk(token, "\r\n") != nullptr)
            continue;
        if (token[0] == 'S')
            TakeValue(token, out->szStatus);
        else if (token[0] == 'G')
            TakeValue(token, out->szScore);
    }
}
