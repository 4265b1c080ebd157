// lessoncheck.exe on folders of the lessons Apache POI made: its exit code, its refusals on
// standard error naming the file, its summary and its CSV.
#include "lesson_fixture.h"
#include "viewer/powerpoint_contract.h"

#include <memory>

namespace {

using namespace lessonkit;

struct CheckRow {
    const char* name;
    std::vector<std::string> files; // from bin\lessons, each as "<lesson>" or "<lesson>:<as>"
    const char* args;               // before the folder
    DWORD exitCode;
    std::vector<std::string> said; // each in standard output or standard error, a line end "|"
    bool pc = false;               // the bridge and the stand-in registered, this Run Programs:
    DWORD policy = kNoValue;
};

// The bridge under the viewer's ProgID and the stand-in under PowerPoint's, in this build's own
// view, both served by a program that is there; quelmar's registration is put back afterwards.
class PcRegistered {
public:
    explicit PcRegistered(DWORD policy) : m_hadViewer(ViewerRegistered())
    {
        UnregisterViewer();
        const std::string server = "\"" + BinPath("lessoncheck.exe") + "\"";
        for (const auto& [progId, clsid] : kClasses) {
            for (const auto& [key, value] :
                 {std::pair(std::string(progId) + "\\CLSID", std::string(clsid)),
                  {std::string("CLSID\\") + clsid + "\\LocalServer32", server}})
                SetValue(key.c_str(), NULL, REG_SZ, value.c_str(), DWORD(value.size() + 1),
                         HKEY_CLASSES_ROOT);
        }
        SetMacroProtection(1);
        if (policy != kNoValue)
            SetDword(kRunProgramsPolicyKey, kRunProgramsValue, policy);
    }
    ~PcRegistered()
    {
        for (const auto& [progId, clsid] : kClasses) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, progId);
            RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + clsid).c_str());
        }
        DeleteValue(kRunProgramsPolicyKey, kRunProgramsValue);
        if (m_hadViewer)
            RegisterViewer();
    }

private:
    static constexpr std::pair<const char*, const char*> kClasses[] = {
        {kViewerProgId, kBridgeClsidText}, {kPowerPointProgId, kStandinClsidText}};
    bool m_hadViewer;
};

// lessoncheck's exit code, and what it wrote to standard output and error, which cmd puts into
// base.out.
DWORD RunCheck(const std::string& args, const std::string& base, std::string* said)
{
    const std::string check = "\"" + BinPath("lessoncheck.exe") + "\" " + args;
    const DWORD dwExit =
        LaunchRaw("cmd /c \"" + check + " >\"" + base + ".out\" 2>&1\"").Wait(30000);
    *said = FileText(base + ".out");
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
    {"AFolderWithNoLessonIsRefused", {"good.ppt:sub\\notes.txt"}, "", 2,
     {"refused: no .ppt or .pps file in it or its subfolders", "0 lessons read, 0 with errors; 1 files"}},
    // One row a button, jumps included; the master's button last.
    {"TheGoodLessonAsCsv", {"good.ppt"}, "/CSV", 0,
     {"file,slide,button,program,tail,severity,finding|",
      ",4,B) Blue,C:\\Program Files (x86)\\Tarnskov\\tarnskov.exe,-Q=Q2 B 1,",
      ",master,Next,,,,|"}},
    // The PC's rows first, then the lessons', in one run; the policy decides the exit code.
    {"ThisPcAndAFolderAsCsv", {"good.ppt"}, "/pc /csv", 0,
     {"|(this PC),,HKCU\\Software\\Policies\\Microsoft\\Office\\16.0\\PowerPoint\\Security\\"
      "RunPrograms,,,warning,1: the student is asked", "the bridge to PowerPoint; the launcher reads",
      "the test stand-in of PowerPoint", "MacroVirusProtection,,,,\"a REG_DWORD, as the launcher needs\""},
     true, 1},
    {"ThisPcWithoutThePolicy", {"good.ppt"}, "/PC", 1,
     {"RunPrograms|      error: absent: the lessons' buttons do nothing in PowerPoint|",
      "|  1 error, 1 warning|", "17 buttons, 0 errors"},
     true},
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
    std::unique_ptr<PcRegistered> registered(row.pc ? new PcRegistered(row.policy) : nullptr);
    EXPECT_EQ(RunCheck(std::string(row.args) + " \"" + dir + "\"", dir, &said), row.exitCode);
    said.erase(std::remove(said.begin(), said.end(), '\r'), said.end());
    std::replace(said.begin(), said.end(), '\n', '|');
    for (const std::string& part : row.said)
        EXPECT_NE(said.find(part), std::string::npos) << part << "\nin\n" << said;
    if (strstr(row.args, "/csv") || strstr(row.args, "/CSV")) {
        EXPECT_EQ(Lines(FileText(dir + ".out")).size(),
                  18u + (row.pc ? 6 : 0)); // the header, 17 buttons, the PC's rows
    }
}

INSTANTIATE_TEST_SUITE_P(Lessons, LessonCheck, testing::ValuesIn(kChecks),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
