// lessoncheck.exe on folders of the lessons Apache POI made: its exit code, its refusals on
// standard error naming the file, its summary and its CSV.
#include "lesson_fixture.h"

namespace {

using namespace lessonkit;

struct CheckRow {
    const char* name;
    std::vector<std::string> files; // from bin\lessons, each as "<lesson>" or "<lesson>:<as>"
    const char* args;               // before the folder
    DWORD exitCode;
    std::vector<std::string> said; // each in standard output or standard error, a line end "|"
};

// lessoncheck's exit code, and what it wrote to standard output then standard error.
DWORD RunCheck(const std::string& args, const std::string& base, std::string* said)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, TRUE};
    CHandleOwner out(CreateFileA((base + ".out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                 CREATE_ALWAYS, 0, NULL));
    CHandleOwner err(CreateFileA((base + ".err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                 CREATE_ALWAYS, 0, NULL));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.Get();
    si.hStdError = err.Get();
    std::string line = "\"" + BinPath("lessoncheck.exe") + "\" " + args;
    PROCESS_INFORMATION pi = {};
    EXPECT_TRUE(CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi));
    CHandleOwner process(pi.hProcess), thread(pi.hThread);
    DWORD dwExit = STILL_ACTIVE;
    if (WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &dwExit);
    out.Close();
    err.Close();
    *said = FileText(base + ".out") + FileText(base + ".err");
    return dwExit;
}

class LessonCheck : public testing::TestWithParam<CheckRow> {};

// clang-format off
const CheckRow kChecks[] = {
    // A subfolder is read, a file of another kind is not; a refusal outranks an error.
    {"RefusalsNameTheFile", {"good.ppt", "faults.ppt:sub\\faults.pps", "cut-short.ppt:sub\\cut-short.ppt",
                             "workbook.xls.ppt", "good.ppt:notes.txt"}, "", 2,
     {"\\sub\\cut-short.ppt refused: sector 33 lies past the end of the file",
      "\\workbook.xls.ppt refused: no stream \"PowerPoint Document\"",
      "2 lessons read, 1 with errors; 2 files refused"}},
    {"FaultyLessons", {"faults.ppt", "faults-master.ppt"}, "", 1,
     {"2 lessons read, 2 with errors; 0 files refused"}},
    {"TheGoodLesson", {"good.ppt"}, "", 0, {"17 buttons, 0 errors"}},
    // One row a button, jumps included; the master's button last.
    {"TheGoodLessonAsCsv", {"good.ppt"}, "/CSV", 0,
     {"file,slide,button,program,tail,severity,finding|",
      ",4,B) Blue,C:\\Program Files (x86)\\Tarnskov\\tarnskov.exe,-Q=Q2 B 1,",
      ",master,Next,,,,|"}},
};
// clang-format on

TEST_P(LessonCheck, ExitsWithItsCodeAndSaysWhy)
{
    const CheckRow& row = GetParam();
    const std::string dir = FreshDir(std::string("LessonCheck-") + row.name);
    CreateDirectoryA((dir + "\\sub").c_str(), NULL);
    for (const std::string& file : row.files) {
        const size_t at = file.find(':');
        const std::string as = at == std::string::npos ? file : file.substr(at + 1);
        ASSERT_TRUE(CopyFileA(BinPath(("lessons\\" + file.substr(0, at)).c_str()).c_str(),
                              (dir + "\\" + as).c_str(), FALSE));
    }
    std::string said;
    EXPECT_EQ(RunCheck(std::string(row.args) + " \"" + dir + "\"", dir, &said), row.exitCode);
    said.erase(std::remove(said.begin(), said.end(), '\r'), said.end());
    std::replace(said.begin(), said.end(), '\n', '|');
    for (const std::string& part : row.said)
        EXPECT_NE(said.find(part), std::string::npos) << part << "\nin\n" << said;
    if (*row.args != '\0') {
        EXPECT_EQ(Lines(FileText(dir + ".out")).size(), 18u); // the header and 17 buttons
    }
}

INSTANTIATE_TEST_SUITE_P(Lessons, LessonCheck, testing::ValuesIn(kChecks),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
