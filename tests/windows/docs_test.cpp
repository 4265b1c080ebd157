// The documents, which the build copies beside the tests, say what the program does: their
// PARAM.CMI examples run as written, and the messages, exit codes, UpgradeCode, install folder and
// version they name are the program's and its package's own.
#include <set>

#include "lesson_fixture.h"
#include "res/resource.h"
#include "tarnskov_version.h"

namespace {

using namespace lessonkit;

// The first group of each match of the pattern in the text.
std::set<std::string> Captures(const std::string& text, const char* pattern)
{
    std::set<std::string> found;
    const std::regex re(pattern);
    for (std::sregex_iterator m(text.begin(), text.end(), re), end; m != end; ++m)
        found.insert(m->str(1));
    return found;
}

// A document's first PARAM.CMI example as a reader copies it: from its "[core]" line to the first
// blank line or code fence, each line without its indentation.
std::string ParamExample(const std::string& doc)
{
    std::string example;
    size_t at = doc.find("[core]\n");
    at = doc.rfind('\n', at) + 1;
    for (size_t end; (end = doc.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = doc.substr(at, end - at);
        const size_t text = line.find_first_not_of(' ');
        if (text == std::string::npos || line.compare(text, 3, "```") == 0)
            break;
        example += line.substr(text) + "\r\n";
    }
    return example;
}

class DocExamples : public Lesson, public testing::WithParamInterface<const char*> {};

// Its result lands where the example says, as a reader takes it (a comment after the value is
// not the file's name), its folders made first as a CMI system would.
TEST_P(DocExamples, RunALesson)
{
    const std::string example = ParamExample(FileText(BinPath(GetParam())));
    WriteParamFile(example);
    for (std::string* path : {&m_result, &m_quiz}) {
        const std::string key = path == &m_result ? "output_file=" : "interaction_file=";
        const size_t at = example.find(key) + key.size();
        *path = example.substr(at, example.find_first_of(";\r", at) - at);
        path->erase(path->find_last_not_of(' ') + 1);
        CreateDirectoryA(path->substr(0, path->rfind('\\')).c_str(), NULL);
        DeleteFileA(path->c_str());
    }
    Child lesson = Start();
    Send("-Q=Q1 a 1");
    Send("-S=P -G=85");
    ExpectEnded(lesson);
    ExpectResult("P", "85");
    EXPECT_EQ(Records(), std::vector<std::string>{"Q1,A,1"});
}

INSTANTIATE_TEST_SUITE_P(Docs, DocExamples, testing::Values("README.md", "ADMINISTRATORS.txt"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return *info.param == 'R' ? "Readme" : "AdministratorsNotes";
                         });

// Each 'Box: "<text>"' of the notes is a message's whole text, its lines after the first indented
// under the first and each %s shown as <what it stands for>; every message the program shows is
// listed.
TEST(Docs, TheMessagesListedAreTheProgramsOwn)
{
    HMODULE program =
        LoadLibraryExA(BinPath("tarnskov.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    std::set<std::string> messages;
    for (UINT id :
         {IDS_POWERPOINT_RUNNING, IDS_VIEWER_RUNNING, IDS_VIEWER_FAILURE, IDS_VIEWER_NOT_FOUND,
          IDS_RESULT_FILE_NOT_FOUND, IDS_CANT_LAUNCH_VIEWER, IDS_VIEWER_NOT_CREATED,
          IDS_CANT_LOAD_FILE, IDS_CANT_START_WINDOWING, IDS_STUDENT_NAME_MISSING,
          IDS_CANT_CREATE_QUIZ_FILE, IDS_CANT_UPDATE_QUIZ_FILE, IDS_CANT_WRITE_RESULT_FILE}) {
        char text[512];
        messages.insert(std::string(text, LoadStringA(program, id, text, sizeof(text))));
    }
    FreeLibrary(program);
    std::string notes = FileText(BinPath("ADMINISTRATORS.txt"));
    notes = std::regex_replace(notes, std::regex("\n {6}"), "\n");
    notes = std::regex_replace(notes, std::regex("<[^>\n]+>"), "%s");
    EXPECT_EQ(Captures(notes, "\nBox: \"([^\"]*)\""), messages);
}

// The exit codes section 7 lists are channel.h's; the UpgradeCode and the install folder the notes
// name are the MSI's.
TEST(Docs, TheExitCodesAndThePackageListedAreTheProgramsOwn)
{
    const std::string notes = FileText(BinPath("ADMINISTRATORS.txt"));
    const std::string codes =
        notes.substr(notes.find("\n7. "), notes.find("\n8. ") - notes.find("\n7. "));
    EXPECT_EQ(Captures(codes, "\n  (\\d)  "),
              Captures(FileText(BinPath("channel.h")), "EXIT_\\w+ = (\\d+)"));
    const std::string wxs = FileText(BinPath("tarnskov.wxs"));
    EXPECT_EQ(Captures(notes, "\\{([0-9A-F-]{36})\\}"), Captures(wxs, "UpgradeCode=\"([^\"]+)\""));
    EXPECT_EQ(Captures(notes, "Program Files[^\\\\]*\\\\(\\w+)\\\\tarnskov\\.exe"),
              Captures(wxs, "Id=\"INSTALLDIR\" Name=\"([^\"]+)\""));
}

// The notes' title and CHANGELOG's latest heading, released or not, name the program's version.
TEST(Docs, TheVersionNamedIsTheProgramsOwn)
{
    const std::string version = TARNSKOV_VERSION_STRING " ";
    const std::string changes = FileText(BinPath("CHANGELOG.md"));
    EXPECT_EQ(changes.substr(changes.find("\n## ") + 4, version.size()), version);
    EXPECT_EQ(FileText(BinPath("ADMINISTRATORS.txt")).find("TARNSKOV lesson launcher " + version),
              0u);
}

} // namespace
