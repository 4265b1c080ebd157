// Unit tests of the platform-free logic: finish tokens, Q operands and records, log lines, the
// parameter file's mark.
#include "channel/command_text.h"
#include "frame/finish_text.h"
#include "frame/interaction.h"
#include "frame/show_path.h"
#include "lesson/param_mark.h"
#include "log/log_line.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

TEST(FinishText, StatusAndScoreWholeOrNotAtAll)
{
    const std::string a124(124, 'a');
    const struct {
        std::string text, status, score;
    } rows[] = {
        {"-S=P -G=85", "P", "85"},
        {"-S=F -S=P", "P", ""},                  // a later token wins
        {"-S=not attempted", "not", ""},         // split at a blank
        {"-G=-5", "", ""},                       // and at a hyphen
        {"-SX5", "5", ""},                       // the second byte is not looked at
        {"-S=P -S", "", ""},                     // a letter alone gives nothing
        {"-s=P -g=1", "", ""},                   // lower-case tokens are passed over
        {"-S=" + std::string(197, 'a'), "", ""}, // a value the 127-byte copy would cut
        {"-S=P -G=" + std::string(200, '9'), "P", ""},
        {"-S=" + a124 + "-G=9", a124, ""},                    // ending at the limit: whole
        {"-S=P " + std::string(122, 'x') + " -G=9", "P", ""}, // nothing read past 127
        {"-S=P\r\ncredit=N\r\n[evil] -G=77", "", "77"},       // a line break: passed over
        {"-S=F -S=P\n", "F", ""},                             // as if absent
        {"-S=a\tb\x7f\xe9=;[\"", "a\tb\x7f\xe9=;[\"", ""},    // every other byte as it is
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 40));
        CFinishValues got;
        memset(&got, 'z', sizeof got);
        ReadFinishValues(row.text.c_str(), &got);
        EXPECT_EQ(got.m_szStatus, row.status);
        EXPECT_EQ(got.m_szScore, row.score);
    }
}

TEST(Interaction, OperandsParseOrAreRefused)
{
    const std::string idMax(kInteractionIdMax, 'x');
    const struct {
        std::string text, parsed; // "id,response,flag", or "" for no interaction
    } rows[] = {
        {"-Q=Q7 b 1", "Q7,B,1"},
        {"-Q=   Q7   B\t1\r\n", "Q7,B,1"},
        {"-Q=Q7 D 1x", "Q7,D,1"}, // the flag's first byte counts
        {"-Q=Q7 C yes", "Q7,C,0"},
        {"-Q=a=b C", "a=b,C,0"},
        {"-Q=Q7\351a\3511", "Q7,A,1"}, // a high byte is a blank
        {"-Q=" + idMax + " C", idMax + ",C,0"},
        {"-Q=Q7 E 1", ""},
        {"-Q=Q7 BC 1", ""},
        {"-Q=Q7 b1", ""},
        {"-Q=Q7   ", ""},
        {"-Q", ""},
    };
    EXPECT_TRUE(FitsCommandBlock(("-Q=" + idMax + " C").c_str()));
    EXPECT_FALSE(FitsCommandBlock(("-Q=x" + idMax + " C").c_str())); // the longest id fits
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 40));
        // Exactly sized, NUL included, so the sanitizer build reports any read past it.
        std::vector<char> text(row.text.begin(), row.text.end());
        text.push_back('\0');
        CInteraction got = {"untouched", '?', '?'};
        const bool ok = ParseInteraction(text.data(), &got);
        EXPECT_EQ(ok ? std::string(got.m_pszId) + "," + got.m_chResponse + "," + got.m_chCorrect
                     : "",
                  row.parsed);
    }
}

TEST(LogLine, OneLineWhateverTheDetailsAndNeverPastItsRoom)
{
    const CLogTime t = {2026, 3, 7, 9, 5, 4, 12};
    char line[64];
    const char expected[] = "2026-03-07 09:05:04.012 42 launch -S=P\\r\\n\\t\\x01\\x7F\xe9\r\n";
    EXPECT_EQ(FormatLogLine(line, sizeof line, t, 42, "launch", "-S=P\r\n\t\x01\x7f\xe9"),
              strlen(expected));
    EXPECT_STREQ(line, expected);
    const size_t cut =
        FormatLogLine(line, sizeof line, t, 42, "launch", std::string(99, 'x').c_str());
    EXPECT_EQ(std::string(line).substr(cut - 5), "...\r\n");
    EXPECT_EQ(cut, strlen(line));
    EXPECT_EQ(FormatLogLine(line, 20, t, 42, "launch", "x"), 0u); // not even the head fits
}

TEST(ParamFileMark, HidesCoreOnlyRightBeforeIt)
{
    const struct {
        std::string head;
        ParamFileMark mark;
    } rows[] = {
        {"[core]\r\n", PARAM_NO_MARK},
        {"\xEF\xBB[core]", PARAM_NO_MARK}, // not the whole mark
        {"\xEF\xBB\xBF[core]\r\noutput_file=r", PARAM_MARK_HIDES_CORE},
        {"\xEF\xBB\xBF \t[ CoRe ]", PARAM_MARK_HIDES_CORE},
        {"\xEF\xBB\xBF[core", PARAM_MARK_ELSEWHERE}, // the head ends inside the name
        {"\xEF\xBB\xBF[cores]", PARAM_MARK_ELSEWHERE},
        {"\xEF\xBB\xBF; saved as UTF-8\r\n[core]", PARAM_MARK_ELSEWHERE},
        {"\xEF\xBB\xBF[Evaluation]\r\n[core]", PARAM_MARK_ELSEWHERE},
        {"\xEF\xBB\xBF", PARAM_MARK_ELSEWHERE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.head);
        EXPECT_EQ(FindParamFileMark(row.head.data(), row.head.size()), row.mark);
    }
}

TEST(ShowPath, TheTailAfterTheCurrentDriveOrDirectoryOrAsItStands)
{
    const struct {
        const char *tail, *directory, *path;
    } rows[] = {
        {".\\-lesson.ppt", "C:\\cbt", "C:\\cbt\\.\\-lesson.ppt"},
        {"lesson.ppt", "C:\\", "C:\\lesson.ppt"},
        {"\\cbt\\x.ppt", "D:\\y", "D:\\cbt\\x.ppt"},
        {"E:x.ppt", "C:\\cbt", "E:x.ppt"},
        {"\\\\srv\\x.ppt", "C:\\cbt", "\\\\srv\\x.ppt"},
        {"\"a b.ppt\"", "C:\\cbt", "\"a b.ppt\""},
        {"lesson.ppt", "", "lesson.ppt"}, // no current directory: nothing before the tail
    };
    for (const auto& row : rows) {
        char path[64];
        FormShowPath(row.tail, row.directory, path);
        EXPECT_STREQ(path, row.path);
    }
}
