// Fuzzes the finish's reading of status and score.
#include "frame/finish_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static void CheckValue(const char* value, const char* window)
{
    const size_t length = strnlen(value, kFinishCopySize);
    // Never longer than the copy, and never a delimiter or a line break inside.
    if (length > kFinishTextMax || std::strpbrk(value, " -\r\n") != nullptr)
        std::abort();
    // A value is always a piece of the bytes that were read.
    if (length != 0 && std::strstr(window, value) == nullptr)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, so reading past the NUL is an overflow the sanitizer reports.
    std::vector<char> text(size + 1, '\0');
    std::copy(data, data + size, text.begin());
    CFinishValues values;
    std::memset(&values, 'z', sizeof values);
    ReadFinishValues(text.data(), &values);

    const std::string window(text.data(), strnlen(text.data(), kFinishTextMax));
    CheckValue(values.m_szStatus, window.c_str());
    CheckValue(values.m_szScore, window.c_str());
    return 0;
}
