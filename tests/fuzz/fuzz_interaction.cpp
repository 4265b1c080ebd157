// Fuzzes Q-operand parsing and the record line formatted from its result, by their properties.
#include "frame/interaction.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

static const CRecordFormats kFormats = {"%.2d/%.2d/%.4d", "%.2d:%.2d:%.2d",
                                        "\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",%c,%c\r\n"};

// The parser may write one NUL into the text and nothing else; returns where.
static size_t CheckWrites(const std::vector<char>& before, const std::vector<char>& after)
{
    size_t nChanged = 0, nCut = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i] == before[i])
            continue;
        if (after[i] != '\0' || ++nChanged > 1)
            abort();
        nCut = i;
    }
    return nCut;
}

static void CheckRecord(const CInteraction& interaction, const char* pszStudent)
{
    const CRecordTime now = {1998, 3, 7, 14, 5, 9};
    std::vector<char> record(64 + strlen(pszStudent) + strlen(interaction.m_pszId));
    const size_t cch = FormatInteractionRecord(kFormats, "C101", pszStudent, now, interaction,
                                               record.data(), record.size());
    const std::string line(record.data());
    if (cch == 0 || cch != line.size() || line.compare(cch - 2, 2, "\r\n") != 0 ||
        line.find(std::string("\",\"") + interaction.m_pszId + "\",") == std::string::npos)
        abort();
    // One byte short: no record at all rather than a cut one.
    if (FormatInteractionRecord(kFormats, "C101", pszStudent, now, interaction, record.data(),
                                cch) != 0)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, so reading past the NUL is an overflow the sanitizer reports.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const std::vector<char> original = text;
    CInteraction interaction = {NULL, '?', '?'};
    const bool bParsed = ParseInteraction(text.data(), &interaction);
    const size_t nCut = CheckWrites(original, text);
    if (!bParsed)
        return 0;

    // The id is the text's own bytes, after an '=', ending where the NUL went, and
    // holds no blank; the response is a letter A-D, the flag 0 or 1.
    const std::string id(interaction.m_pszId);
    if (interaction.m_pszId < text.data() || id.empty() ||
        interaction.m_pszId + id.size() != &text[nCut] ||
        memchr(original.data(), '=', static_cast<size_t>(interaction.m_pszId - text.data())) ==
            NULL)
        abort();
    for (char ch : id)
        if (IsBlank(ch))
            abort();
    if (interaction.m_chResponse < 'A' || interaction.m_chResponse > 'D' ||
        (interaction.m_chCorrect != '0' && interaction.m_chCorrect != '1'))
        abort();

    // What was read is what a well-formed text says again.
    std::string again = "-Q=" + id + " " + interaction.m_chResponse + " " + interaction.m_chCorrect;
    CInteraction reread = {NULL, '?', '?'};
    if (!ParseInteraction(&again[0], &reread) || id != reread.m_pszId ||
        reread.m_chResponse != interaction.m_chResponse ||
        reread.m_chCorrect != interaction.m_chCorrect)
        abort();
    CheckRecord(interaction, original.data());
    return 0;
}
