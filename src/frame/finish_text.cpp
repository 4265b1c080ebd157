// Reads the status and score out of an S or G command text.
#include "frame/finish_text.h"

#include <cstring>

// The value starts at the token's third byte; a lone letter has none, so it gives "".
static void TakeValue(const char* token, char* value)
{
    const char* start = token[1] != '\0' ? token + 2 : "";
    CopyCommandText(value, kFinishCopySize, start, kFinishTextMax);
}

void ReadFinishValues(const char* commandText, FinishValues* out)
{
    char copy[kFinishCopySize];
    CopyCommandText(copy, sizeof copy, commandText, kFinishTextMax);
    out->szStatus[0] = '\0';
    out->szScore[0] = '\0';
    for (char* token = std::strtok(copy, " -"); token != nullptr;
         token = std::strtok(nullptr, " -")) {
        if (token[0] == 'S')
            TakeValue(token, out->szStatus);
        else if (token[0] == 'G')
            TakeValue(token, out->szScore);
    }
}
