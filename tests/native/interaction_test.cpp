// Tests Q-operand parsing and the record line built from it.
#include "frame/interaction.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(Interaction, OperandsParseOrAreRefused)
{
    const std::string longId(250, 'x'), flaggedId(248, 'y');
    const struct {
        const char* name;
        std::string text;
        bool ok;
        std::string id;
        char response, correct;
    } rows[] = {
        {"lower response, flag", "-Q=Q7 b 1", true, "Q7", 'B', '1'},
        {"no flag", "-Q=Q7 B", true, "Q7", 'B', '0'},
        {"blanks everywhere", "-Q=   Q7   B\t1\r\n", true, "Q7", 'B', '1'},
        {"flag by first byte", "-Q=Q7 A 10", true, "Q7", 'A', '1'},
        {"flag 1x", "-Q=Q7 D 1x", true, "Q7", 'D', '1'},
        {"flag yes", "-Q=Q7 C yes", true, "Q7", 'C', '0'},
        {"flag 0", "-Q=Q7 C 0", true, "Q7", 'C', '0'},
        {"= inside id", "-Q=a=b C 1", true, "a=b", 'C', '1'},
        {"quotes and commas kept", "-Q=\"a\",b C", true, "\"a\",b", 'C', '0'},
        {"high byte is blank",
         "-Q=Q7\xE9"
         "a\xE9"
         "1",
         true, "Q7", 'A', '1'},
        {"255 chars", "-Q=" + longId + " C", true, longId, 'C', '0'},
        {"255 chars with flag", "-Q=" + flaggedId + " C 1", true, flaggedId, 'C', '1'},
        {"response E", "-Q=Q7 E 1", false, "", 0, 0},
        {"two-letter response", "-Q=Q7 BC 1", false, "", 0, 0},
        {"flag glued to response", "-Q=Q7 b1", false, "", 0, 0},
        {"id only", "-Q=Q7", false, "", 0, 0},
        {"id and blanks only", "-Q=Q7   ", false, "", 0, 0},
        {"empty operands", "-Q=", false, "", 0, 0},
        {"no =", "-Q", false, "", 0, 0},
        {"high byte splits id",
         "-Q=Q\xE9"
         "7",
         false, "", 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Exactly sized, NUL included, so the sanitizer build reports any read past it.
        std::vector<char> text(row.text.c_str(), row.text.c_str() + row.text.size() + 1);
        CInteraction got{"untouched", '?', '?'};
        ASSERT_EQ(ParseInteraction(text.data(), &got), row.ok);
        if (row.ok) {
            EXPECT_EQ(std::string(got.m_pszId), row.id);
            EXPECT_EQ(got.m_chResponse, row.response);
            EXPECT_EQ(got.m_chCorrect, row.correct);
        }
    }
}

TEST(Interaction, RecordLine)
{
    const CRecordFormats formats{"%.2d/%.2d/%.4d", "%.2d:%.2d:%.2d",
                                 "\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",%c,%c\r\n"};
    const std::string longName(600, 'n');
    const struct {
        const char* name;
        const char* course;
        std::string student;
        CRecordTime now;
        CInteraction ia;
        std::string line;
    } rows[] = {
        {"afternoon",
         "C101",
         "STUDENT ONE",
         {1998, 3, 7, 14, 5, 9},
         {"Q7", 'B', '1'},
         "\"C101\",\"STUDENT ONE\",\"03/07/1998\",\"14:05:09\",\"Q7\",B,1\r\n"},
        {"zero padding",
         "C101",
         "S",
         {2000, 1, 5, 9, 3, 7},
         {"Q1", 'A', '0'},
         "\"C101\",\"S\",\"01/05/2000\",\"09:03:07\",\"Q1\",A,0\r\n"},
        {"empty course, quote kept",
         "",
         "O\"Neil",
         {2000, 1, 5, 9, 3, 7},
         {"x", 'D', '0'},
         "\"\",\"O\"Neil\",\"01/05/2000\",\"09:03:07\",\"x\",D,0\r\n"},
        {"long name not cut",
         "C",
         longName,
         {2000, 1, 5, 9, 3, 7},
         {"x", 'D', '0'},
         "\"C\",\"" + longName + "\",\"01/05/2000\",\"09:03:07\",\"x\",D,0\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<char> out(row.line.size() + 1);
        const size_t n = FormatInteractionRecord(formats, row.course, row.student.c_str(), row.now,
                                                 row.ia, out.data(), out.size());
        EXPECT_EQ(std::string(out.data(), n), row.line);
        // One byte short: no record at all rather than a cut one.
        EXPECT_EQ(FormatInteractionRecord(formats, row.course, row.student.c_str(), row.now, row.ia,
                                          out.data(), out.size() - 1),
                  0u);
    }
}
