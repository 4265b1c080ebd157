// Tests when the current drive is put before the tail.
#include "frame/show_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(ShowPath, DriveOnlyBeforeOneBackslash)
{
    const struct {
        const char* name;
        const char* tail;
        const char* cwd;
        const char* path;
    } rows[] = {
        {"rooted", "\\lessons\\intro.ppt", "D:\\cbt", "D:\\lessons\\intro.ppt"},
        {"network cwd", "\\x.ppt", "\\\\srv\\x", "\\:\\x.ppt"},
        {"no cwd", "\\x.ppt", "", "\\x.ppt"},
        {"UNC", "\\\\srv\\x.ppt", "D:\\cbt", "\\\\srv\\x.ppt"},
        {"relative", "x.ppt", "D:\\cbt", "x.ppt"},
        {"with drive", "C:\\x.ppt", "D:\\cbt", "C:\\x.ppt"},
        {"quoted", "\"\\a b.ppt\"", "D:\\cbt", "\"\\a b.ppt\""},
        {"lone backslash", "\\", "D:\\", "D:\\"},
        {"empty", "", "D:\\", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Exactly the room promised, so the sanitizer build reports any write past it.
        std::vector<char> out(ShowPathSize(std::strlen(row.tail)));
        FormShowPath(row.tail, row.cwd, out.data());
        EXPECT_STREQ(out.data(), row.path);
    }
}
