// Fuzzes Q-operand parsing and the record line formatted from its result.
#include "frame/interaction.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static bool Blank(char c)
{
    return c != '\0' && static_cast<signed char>(c) < 0x21;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, so reading past the NUL is an overflow the sanitizer reports.
    std::vector<char> text(size + 1, '\0');
    std::copy(data, data + size, text.begin());
    const std::vector<char> original = text;

    CInteraction ia{nullptr, '?', '?'};
    const bool ok = ParseInteraction(text.data(), &ia);

    // The parser may write one NUL into the text and nothing else.
    size_t changed = 0, cut = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != original[i]) {
            if (text[i] != '\0')
                std::abort();
            ++changed;
            cut = i;
        }
    }
    if (changed > 1)
        std::abort();
    if (!ok)
        return 0;

    // The id lives in the parsed text itself.
    if (ia.m_pszId < text.data() || ia.m_pszId >= text.data() + text.size())
        std::abort();
    const std::string id(ia.m_pszId);
    if (id.empty() || changed != 1)
        std::abort();
    for (unsigned char c : id)
        if (c < 0x21 || c > 0x7F)
            std::abort();
    if (ia.m_chResponse < 'A' || ia.m_chResponse > 'D' || (ia.m_chCorrect != '0' && ia.m_chCorrect != '1'))
        std::abort();
    // The id is the text's own bytes, after the first '=' and ending where the NUL went.
    const char* equals = std::strchr(original.data(), '=');
    if (equals == nullptr || cut < id.size() ||
        static_cast<size_t>(equals - original.data()) >= cut - id.size() ||
        std::memcmp(original.data() + cut - id.size(), id.data(), id.size()) != 0)
        std::abort();

    // After the id: blanks, the response alone, then a flag that is '1' only if it starts so.
    size_t at = cut + 1;
    while (Blank(original[at]))
        ++at;
    const char after = original[at + 1];
    if ((original[at] & ~0x20) != ia.m_chResponse || (after != '\0' && !Blank(after)))
        std::abort();
    char flag = '0';
    if (after != '\0') {
        at += 2;
        while (Blank(original[at]))
            ++at;
        flag = original[at] == '1' ? '1' : '0';
    }
    if (ia.m_chCorrect != flag)
        std::abort();

    const CRecordFormats formats{"%.2d/%.2d/%.4d", "%.2d:%.2d:%.2d",
                                "\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",%c,%c\r\n"};
    const CRecordTime now{1998, 3, 7, 14, 5, 9};
    // The original text as student name makes lines of any length.
    const std::string expected = "\"C101\",\"" + std::string(original.data()) +
                                 "\",\"03/07/1998\",\"14:05:09\",\"" + id + "\"," +
                                 ia.m_chResponse + "," + ia.m_chCorrect + "\r\n";
    // Exactly the room the line needs: written whole. One byte less: not written at all.
    std::vector<char> out(expected.size() + 1);
    size_t n = FormatInteractionRecord(formats, "C101", original.data(), now, ia, out.data(),
                                       out.size());
    if (std::string(out.data(), n) != expected)
        std::abort();
    n = FormatInteractionRecord(formats, "C101", original.data(), now, ia, out.data(),
                                out.size() - 1);
    if (n != 0)
        std::abort();
    return 0;
}
