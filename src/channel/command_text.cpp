// The command buffer and the small operations on command texts.
#include "channel/command_text.h"

char g_szCommandBuffer[kCommandBlockSize] = {};

bool IsCommandText(const char* text)
{
    return text[0] == '-';
}

bool FitsCommandBlock(const char* text)
{
    for (size_t length = 0; length <= kCommandTextMax; ++length) {
        if (text[length] == '\0')
            return true;
    }
    return false;
}

size_t CopyCommandText(char* dst, size_t dstSize, const char* src, size_t srcSize)
{
    if (dstSize == 0)
        return 0;
    size_t length = 0;
    while (length < dstSize - 1 && length < srcSize && src[length] != '\0') {
        dst[length] = src[length];
        ++length;
    }
    dst[length] = '\0';
    return length;
}

char UpcaseCommandLetter(char* text)
{
    text[1] = static_cast<char>(text[1] & ~0x20);
    return text[1];
}
