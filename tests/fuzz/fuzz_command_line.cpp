// Fuzzes the command-line tail and the bounded command-text copy.
#include "channel/command_text.h"
#include "framework/command_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

static bool IsSeparator(unsigned char c)
{
    return c >= 1 && c <= ' ';
}

static void CheckTail(const char* line)
{
    const char* tail = SkipProgramName(line);
    const size_t length = std::strlen(line);
    if (tail < line || tail > line + length)
        std::abort();

    // Rebuild where the name ends, then only separators may lie before the tail.
    size_t nameEnd = 0;
    if (line[0] == '"') {
        const char* close = std::strchr(line + 1, '"');
        nameEnd = close != nullptr ? static_cast<size_t>(close - line) + 1 : length;
    } else {
        while (static_cast<unsigned char>(line[nameEnd]) > ' ')
            ++nameEnd;
    }
    const size_t tailStart = static_cast<size_t>(tail - line);
    if (tailStart < nameEnd)
        std::abort();
    for (size_t i = nameEnd; i < tailStart; ++i)
        if (!IsSeparator(static_cast<unsigned char>(line[i])))
            std::abort();
    if (IsSeparator(static_cast<unsigned char>(*tail)))
        std::abort();
}

static void CheckCopy(const uint8_t* data, size_t size)
{
    // The source has no NUL added: the copy must respect srcSize alone.
    std::vector<char> src(data, data + size);
    const size_t dstSize = size != 0 ? data[0] : 0;
    std::vector<char> dst(dstSize);
    const size_t length = CopyCommandText(dst.data(), dstSize, src.data(), size);
    if (dstSize == 0) {
        if (length != 0)
            std::abort();
        return;
    }
    if (length >= dstSize || length > size || dst[length] != '\0')
        std::abort();
    if (std::memcmp(dst.data(), src.data(), length) != 0 || std::memchr(src.data(), 0, length))
        std::abort();
    if (length < dstSize - 1 && length < size && src[length] != '\0')
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, so reading past the NUL is an overflow the sanitizer reports.
    std::vector<char> line(size + 1, '\0');
    std::copy(data, data + size, line.begin());
    CheckTail(line.data());
    CheckCopy(data, size);
    return 0;
}
