// tkhelper: the test kit as a separate process, for scripts and for tests that need another
// process.
//   tkhelper launch <words...>     start tarnskov.exe (beside tkhelper) with the words joined by
//                                  single blanks as its tail; wait for it, end with its code
//   tkhelper run <exe> <words...>  the same with another tarnskov.exe (an installed one)
#include <stdio.h>

#include <string>

#include "testkit.h"

int main(int argc, char** argv)
{
    const std::string verb = argc > 1 ? argv[1] : "";
    if ((verb == "launch" || verb == "run") && argc > 2) {
        const int first = verb == "run" ? 3 : 2;
        std::string line =
            "\"" + (verb == "run" ? argv[2] : testkit::BinPath("tarnskov.exe")) + "\"";
        // Wine quotes arguments that hold blanks, so the tail is rebuilt from the words.
        for (int i = first; i < argc; ++i)
            line += std::string(" ") + argv[i];
        const DWORD code = testkit::LaunchRaw(line).Wait(60000);
        return code == STILL_ACTIVE ? 3 : static_cast<int>(code);
    }
    fprintf(stderr, "usage: tkhelper launch <tail> | run <exe> <tail>\n");
    return 2;
}
