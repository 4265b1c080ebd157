// Tests the diagnostic log's line: its time stamp, one line per event whatever the details, and its
// bound.
#include "log/log_line.h"

#include <gtest/gtest.h>

#include <string>

TEST(LogLine, OneLineWhateverTheDetails)
{
    const CLogTime t = {2026, 3, 7, 9, 5, 4, 12};
    const struct {
        const char* name;
        std::string details;
        std::string expected;
    } rows[] = {
        {"plain", "-Q=Q7 B 1", "2026-03-07 09:05:04.012 42 launch -Q=Q7 B 1\r\n"},
        {"line breaks shown, not made", "-S=P\r\n[evil]",
         "2026-03-07 09:05:04.012 42 launch -S=P\\r\\n[evil]\r\n"},
        {"other control bytes", std::string("a\tb\x01\x7f\xe9", 6),
         "2026-03-07 09:05:04.012 42 launch a\\tb\\x01\\x7F\xe9\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        char line[128];
        EXPECT_EQ(FormatLogLine(line, sizeof line, t, 42, "launch", row.details.c_str()),
                  row.expected.size());
        EXPECT_EQ(std::string(line), row.expected);
    }
}

TEST(LogLine, DetailsTooLongAreCutAndMarked)
{
    const CLogTime t = {2026, 12, 31, 23, 59, 59, 999};
    char line[64];
    const std::string details(200, 'x');
    const size_t length = FormatLogLine(line, sizeof line, t, 7, "record", details.c_str());
    EXPECT_EQ(length, std::string(line).size());
    EXPECT_LT(length, sizeof line);
    EXPECT_EQ(std::string(line).substr(0, 33), "2026-12-31 23:59:59.999 7 record ");
    EXPECT_EQ(std::string(line).substr(length - 5), "...\r\n");
    // Not even the head fits: nothing at all.
    EXPECT_EQ(FormatLogLine(line, 20, t, 7, "record", "x"), 0u);
    EXPECT_STREQ(line, "");
}
