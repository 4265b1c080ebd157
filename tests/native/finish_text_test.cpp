// Tests how the finish takes status and score out of its command text.
#include "frame/finish_text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(FinishText, StatusAndScore)
{
    const std::string a124(124, 'a');
    const struct {
        const char* name;
        std::string text;
        std::string status, score;
    } rows[] = {
        {"default", "-S=I,S", "I,S", ""},
        {"score", "-G=85", "", "85"},
        {"both", "-S=P -G=85", "P", "85"},
        {"later wins", "-S=F -S=P", "P", ""},
        {"empty score", "-G=", "", ""},
        {"split at space", "-S=not attempted", "not", ""},
        {"split at hyphen", "-G=-5", "", ""},
        {"any second byte", "-SX5", "5", ""},
        {"letter alone", "-S", "", ""},
        {"letter alone after value", "-S=P -S", "", ""},
        {"lower case passed over", "-s=P -g=1", "", ""},
        {"empty text", "", "", ""},
        {"a value the limit would cut is passed over", "-S=" + std::string(197, 'a'), "", ""},
        {"whole tokens before a cut one count", "-S=P -G=" + std::string(200, '9'), "P", ""},
        {"a value ending at the limit is whole", "-S=" + a124 + " -G=9", a124, ""},
        {"a value ending at the limit before a hyphen", "-S=" + a124 + "-G=9", a124, ""},
        {"a status with CR LF is passed over, the score beside it is not",
         "-S=P\r\ncredit=N\r\n[evil]\r\nx=1 -G=77", "", "77"},
        {"a status with LF alone is passed over", "-S=P\nx=1", "", ""},
        {"as if absent: an earlier status stands", "-S=F -S=P\r", "F", ""},
        {"a score with CR is passed over", "-S=P -G=7\r7", "P", ""},
        {"TAB is written whole", "-S=a\tb", "a\tb", ""},
        {"DEL is written whole", "-S=a\x7f", "a\x7f", ""},
        {"a byte above 0x7F is written whole", "-S=\xe9t\xe9", "\xe9t\xe9", ""},
        {"'=', ';', '[' and quotes are written whole", "-S=a=b;c[d]\"e'", "a=b;c[d]\"e'", ""},
        {"nothing read past 127", "-S=P " + std::string(122, 'x') + " -G=9", "P", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CFinishValues got;
        std::memset(&got, 'z', sizeof got);
        ReadFinishValues(row.text.c_str(), &got);
        EXPECT_EQ(got.m_szStatus, row.status);
        EXPECT_EQ(got.m_szScore, row.score);
    }
}
