// The presentation file: one slide per non-empty line, and the directives that steer a test.
#pragma once

#include <string>
#include <vector>

struct Presentation {
    std::vector<std::string> slides;
    bool noWindow = false; // open succeeds, but no show window is made
    bool nullShow = false; // open succeeds, but hands back no show object
    bool openFails = false;
    bool quitFails = false;
    bool restartFails = false;
    unsigned windowAfterMs = 0; // when not 0, the show window appears this late
    unsigned closeAfterMs = 0;  // when not 0, the window closes itself this long after appearing
    unsigned openDelayMs = 0;   // when not 0, the open call answers this late
    std::string journal;        // when not empty, the file every call is journalled in
};

// Reads the file at path (ANSI). On failure returns false and says why in *error; when the
// file could be read, out->journal is then still set from its journal directive.
bool ReadPresentation(const std::string& path, Presentation* out, std::string* error);
