// Fuzzes the command-line tail and the bounded command-text copy, by their properties.
#include "channel/command_text.h"
#include "framework/command_line.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

static bool IsSeparator(unsigned char ch)
{
    return ch >= 1 && ch <= ' ';
}

static void CheckTail(const char* pszLine)
{
    const char* pszTail = SkipProgramName(pszLine);
    const size_t cchLine = strlen(pszLine);
    // A suffix of the line that begins with no separator.
    if (pszTail < pszLine || pszTail > pszLine + cchLine || IsSeparator(*pszTail))
        abort();
    // The same tail after any other name, quoted or not, and any run of separators.
    for (const char* pszName : {"tarnskov.exe \t ", "\"C:\\my lessons\\tarnskov.exe\"\t"}) {
        const std::string line = pszName + std::string(pszTail);
        if (strcmp(SkipProgramName(line.c_str()), pszTail) != 0)
            abort();
    }
}

static void CheckCopy(const uint8_t* data, size_t size)
{
    // The source has no NUL added: the copy must respect cbSource alone.
    std::vector<char> source(data, data + size);
    const size_t cbDest = size != 0 ? data[0] : 0;
    std::vector<char> dest(cbDest);
    const size_t nLength = CopyCommandText(dest.data(), cbDest, source.data(), size);
    if (cbDest == 0) {
        if (nLength != 0)
            abort();
        return;
    }
    // A NUL-terminated prefix of the source, ended by the room, the source or its NUL.
    if (nLength >= cbDest || nLength > size || dest[nLength] != '\0' ||
        memcmp(dest.data(), source.data(), nLength) != 0 || memchr(source.data(), 0, nLength))
        abort();
    if (nLength < cbDest - 1 && nLength < size && source[nLength] != '\0')
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, so reading past the NUL is an overflow the sanitizer reports.
    std::vector<char> line(data, data + size);
    line.push_back('\0');
    CheckTail(line.data());
    CheckCopy(data, size);
    return 0;
}
