// Reads a presentation file: slides, and "#quelmar" directives.
#include "presentation.h"

#include "framework/handles.h"

#include <stdlib.h>

#include <vector>

namespace {

// The words of a line, split on blanks and tabs.
std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    size_t pos = 0;
    while ((pos = line.find_first_not_of(" \t", pos)) != std::string::npos) {
        size_t end = line.find_first_of(" \t", pos);
        words.push_back(line.substr(pos, end == std::string::npos ? end : end - pos));
        pos = end;
    }
    return words;
}

// Applies a "#quelmar" line: <name> [<ms>], or journal <path>. False when it names nothing
// known or its operand is wrong.
bool ApplyDirective(const std::string& line, const std::vector<std::string>& words, Presentation* p)
{
    if (words.size() < 2)
        return false;
    const std::string& name = words[1];
    if (name == "journal") {
        // The rest of the line, which may hold blanks; the line's end is trimmed already.
        size_t at = line.find_first_not_of(" \t", words[0].size());
        at = line.find_first_not_of(" \t", at + name.size());
        if (at == std::string::npos)
            return false;
        p->journal = line.substr(at);
        return true;
    }
    unsigned* delay = name == "window-after"  ? &p->windowAfterMs
                      : name == "close-after" ? &p->closeAfterMs
                      : name == "open-delay"  ? &p->openDelayMs
                                              : nullptr;
    if (delay) {
        // At least 1 ms (0 would mean nothing), at most what a timer takes.
        if (words.size() != 3)
            return false;
        char* end = nullptr;
        long long ms = strtoll(words[2].c_str(), &end, 10);
        if (*end != '\0' || ms < 1 || ms > USER_TIMER_MAXIMUM)
            return false;
        *delay = static_cast<unsigned>(ms);
        return true;
    }
    if (words.size() != 2)
        return false;
    if (name == "no-window")
        p->noWindow = true;
    else if (name == "null-show")
        p->nullShow = true;
    else if (name == "open-fails")
        p->openFails = true;
    else if (name == "quit-fails")
        p->quitFails = true;
    else if (name == "restart-fails")
        p->restartFails = true;
    else
        return false;
    return true;
}

// The whole file, through the ANSI file API (iostreams would triple the program's size).
bool ReadWhole(const std::string& path, std::string* text)
{
    CHandleOwner file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (file.Get() == NULL)
        return false;
    char buf[4096];
    DWORD n = 0;
    BOOL ok;
    while ((ok = ReadFile(file.Get(), buf, sizeof(buf), &n, NULL)) && n > 0)
        text->append(buf, n);
    return ok;
}

} // namespace

bool ReadPresentation(const std::string& path, Presentation* out, std::string* error)
{
    std::string text;
    if (!ReadWhole(path, &text)) {
        *error = "Cannot open presentation: " + path;
        return false;
    }
    // A wrong line does not end the reading: the journal directive counts wherever it stands.
    Presentation p;
    std::string wrong;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        // Trailing blanks (a CR among them) are nobody's slide text.
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (line.empty())
            continue;
        if (line[0] != '#') {
            p.slides.push_back(line);
            continue;
        }
        // Other '#' lines are comments; a mistyped directive must not pass unnoticed.
        std::vector<std::string> words = Words(line);
        if (words[0] == "#quelmar" && !ApplyDirective(line, words, &p) && wrong.empty())
            wrong = line;
    }
    if (!wrong.empty())
        *error = "Bad directive in " + path + ": " + wrong;
    else if (p.openFails)
        *error = "Presentation refused to open: " + path;
    *out = std::move(p);
    return wrong.empty() && !out->openFails;
}
