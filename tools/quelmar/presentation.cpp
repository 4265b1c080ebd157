// Reads a presentation file: slides, and "#quelmar" directives.
#include "presentation.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

// Applies the words after "#quelmar": <name> [<ms>]. False when they name nothing known.
bool ApplyDirective(std::istringstream& words, Presentation* p)
{
    std::string name, extra;
    words >> name;
    unsigned* delay = name == "window-after" ? &p->windowAfterMs
                    : name == "close-after"  ? &p->closeAfterMs
                    : nullptr;
    if (delay) {
        // At least 1 ms (0 would mean nothing), at most what a timer takes.
        long long ms = 0;
        if (!(words >> ms) || ms < 1 || ms > USER_TIMER_MAXIMUM)
            return false;
        *delay = static_cast<unsigned>(ms);
    } else if (name == "no-window") {
        p->noWindow = true;
    } else if (name == "null-show") {
        p->nullShow = true;
    } else if (name == "open-fails") {
        p->openFails = true;
    } else if (name == "quit-fails") {
        p->quitFails = true;
    } else if (name == "restart-fails") {
        p->restartFails = true;
    } else {
        return false;
    }
    return !(words >> extra);
}

} // namespace

bool ReadPresentation(const std::string& path, Presentation* out, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "Cannot open presentation: " + path;
        return false;
    }
    Presentation p;
    for (std::string line; std::getline(file, line);) {
        // Trailing blanks (a CR among them) are nobody's slide text.
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (line.empty())
            continue;
        if (line[0] != '#') {
            p.slides.push_back(line);
            continue;
        }
        // Other '#' lines are comments; a mistyped directive must not pass unnoticed.
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        if (tag == "#quelmar" && !ApplyDirective(words, &p)) {
            *error = "Bad directive in " + path + ": " + line;
            return false;
        }
    }
    if (file.bad()) {
        *error = "Cannot read presentation: " + path;
        return false;
    }
    if (p.openFails) {
        *error = "Presentation refused to open: " + path;
        return false;
    }
    *out = std::move(p);
    return true;
}
