// The documents, which the build copies beside the tests, say what the program does: their
// PARAM.CMI examples run as written, and their tables of exit codes, messages and settings, the
// UpgradeCode, install folder and version they name are the program's and its package's own.
#include <set>

#include "frame/interaction.h"
#include "lesson_fixture.h"
#include "tarnskov_version.h"

namespace {

using namespace lessonkit;

// The groups of each match of the pattern in the text, a blank between two.
std::set<std::string> Captures(const std::string& text, const char* pattern)
{
    std::set<std::string> found;
    const std::regex re(pattern);
    for (std::sregex_iterator m(text.begin(), text.end(), re), end; m != end; ++m)
        found.insert(m->size() > 2 ? m->str(1) + " " + m->str(2) : m->str(1));
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

INSTANTIATE_TEST_SUITE_P(Docs, DocExamples,
                         testing::Values("README.md", "ADMINISTRATORS.txt", "CMI-INTEGRATION.txt"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::regex_replace(info.param, std::regex("\\W"), "");
                         });

// A document's section of that title, up to the next heading's rule (the whole text for none), as
// a reader takes it: a box's lines after the first indented by six, each %s shown as <what>.
std::string Section(const char* pszDoc, const char* pszTitle)
{
    std::string doc = FileText(BinPath(pszDoc));
    doc = std::regex_replace(doc, std::regex("\n {6}(?! )"), "\n");
    doc = std::regex_replace(doc, std::regex("<[^>\n]+>"), "%s");
    if (pszTitle == nullptr)
        return doc;
    const size_t at = doc.find(std::string(". ") + pszTitle + "\n-");
    return doc.substr(at, doc.find("\n---", doc.find('\n', at) + 2) - at);
}

// Each row's table lists exactly what the program holds: the exit codes channel.h's, each with the
// meaning its comment gives up to a colon, the id's limit the recorder's, the boxes
// (each 'Box: "<text>"') the string table's messages, the settings the contracts' values and
// keys, the UpgradeCode and the install folder the MSI's; the notes' title and CHANGELOG's latest
// heading, released or not, the program's version.
TEST(Docs, TheTablesListTheProgramsOwn)
{
    const auto codes =
        Captures(FileText(BinPath("channel.h")), "EXIT_\\w+ = (\\d+), +// ([^:\n]+):");
    const std::string wxs = FileText(BinPath("tarnskov.wxs"));
    const std::string rc =
        std::regex_replace(FileText(BinPath("tarnskov.rc")), std::regex("\\\\n"), "\n");
    const auto folder = Captures(wxs, "Id=\"INSTALLDIR\" Name=\"([^\"]+)\"");
    const char* const installed = "Program Files[^\\\\]*\\\\(\\w+)\\\\tarnskov\\.exe";
    const std::string notes = "ADMINISTRATORS.txt", cmi = "CMI-INTEGRATION.txt";
    const std::set<std::string> settings = {std::string(kMacroProtectionValue) + " " + kOptionsKey,
                                            std::string(kLogFileValue) + " " + kLauncherKey,
                                            std::string(kCrashRecordValue) + " " + kLauncherKey};
    const std::tuple<std::string, const char*, const char*, std::set<std::string>> rows[] = {
        {notes, "Exit codes", "\n  (\\d) +([^:\n]+):", codes},
        {cmi, "The exit codes a CMI system sees", "\n  (\\d) +([^:\n]+):", codes},
        {cmi, "The commands", "\\(at most (\\d+)\\)", {std::to_string(kInteractionIdMax)}},
        {notes, "Messages", "\nBox: \"([^\"]*)\"",
         Captures(rc, "\n +IDS_(?!\\w*FORMAT|INTERACTION)\\w+ \"([^\"]*)\"")},
        {notes, "Settings", "\n  (\\w+) +REG_\\w+ +(\\S+)", settings},
        {notes, "Run the lessons in PowerPoint (Microsoft 365)", "\n([A-Z]+)=0 ",
         Captures(wxs, "<Property Id=\"((?!ARP)[A-Z]+)\" Value=\"1\"")},
        {notes, nullptr, "\\{([0-9A-F-]{36})\\}", Captures(wxs, "UpgradeCode=\"([^\"]+)\"")},
        {notes, nullptr, installed, folder},
        {cmi, nullptr, installed, folder},
        {notes, nullptr, "^TARNSKOV lesson launcher (\\S+) ", {TARNSKOV_VERSION_STRING}},
        {"CHANGELOG.md", nullptr, "^[\\s\\S]*?\n## (\\S+) ", {TARNSKOV_VERSION_STRING}},
    };
    for (const auto& [doc, section, pattern, expected] : rows)
        EXPECT_EQ(Captures(Section(doc.c_str(), section), pattern), expected)
            << doc << ", " << (section ? section : "the whole text");
}

// Each claim the notes mark "not checked on Windows" has its row in HACKING's table of Microsoft
// sources, marked alike: a mark comes and goes only with its row.
TEST(Docs, EachUncheckedClaimHasItsSourcesRow)
{
    const auto count = [](const std::string& text, const std::string& pattern) {
        const std::regex re(pattern);
        return std::distance(std::sregex_iterator(text.begin(), text.end(), re), {});
    };
    for (const std::string doc :
         {"ADMINISTRATORS.txt", "CMI-INTEGRATION.txt", "README.md", "CHANGELOG.md"})
        EXPECT_EQ(count(FileText(BinPath(doc.c_str())), "not\\s+checked\\s+on\\s+Windows"),
                  count(FileText(BinPath("HACKING.md")),
                        "\\| " + doc + "[^|\n]* \\| not checked on Windows \\|"))
            << doc;
}

} // namespace
