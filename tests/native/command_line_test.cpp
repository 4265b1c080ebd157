// Tests that the tail skips exactly the program name and the blanks after it.
#include "framework/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, TailFollowsProgramName)
{
    const struct {
        const char* name;
        const char* line;
        const char* tail;
    } rows[] = {
        {"unquoted", "prog.exe  -Q=a b", "-Q=a b"},
        {"quoted with tab", "\"C:\\a b\\prog.exe\"\t \"x y\"", "\"x y\""},
        {"name only", "prog", ""},
        {"unterminated quote", "\"unterminated", ""},
        {"text right after quote", "\"p q\"-S", "-S"},
        {"high bytes in name", "pr\xE9g.exe \xE9x", "\xE9x"},
        {"control bytes skipped", "p\x01\x1F x", "x"},
        {"trailing blanks", "p   ", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(SkipProgramName(row.line), row.tail);
    }
}
