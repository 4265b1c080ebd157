// tkhelper: the test kit as a separate process, for scripts and for tests that need another
// process.
//   tkhelper launch <words...>  start tarnskov.exe (beside tkhelper) with the words joined by
//                               single blanks as its tail; wait for it
//   tkhelper run <exe> <words...>  the same with another tarnskov.exe (an installed one)
//   tkhelper box [ms]           read the "TARNSKOV" message box, press OK, print its text
//   tkhelper hold <file> [ms]   keep <file> open exclusively until killed (or ms pass)
#include <stdio.h>

#include <string>

#include "testkit.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: tkhelper launch <tail> | run <exe> <tail> | box [ms] | "
                        "hold <file> [ms]\n");
        return 2;
    }
    std::string verb = argv[1];
    if (verb == "launch" || (verb == "run" && argc > 2)) {
        int first = verb == "run" ? 3 : 2;
        std::string program = verb == "run" ? argv[2] : testkit::BinPath("tarnskov.exe");
        // Wine quotes arguments that hold blanks, so the tail is rebuilt from the words.
        std::string tail;
        for (int i = first; i < argc; ++i)
            tail += (i > first ? " " : "") + std::string(argv[i]);
        testkit::Child child = testkit::LaunchRaw("\"" + program + "\" " + tail);
        DWORD code = child.Wait(60000);
        return code == STILL_ACTIVE ? 3 : static_cast<int>(code);
    }
    if (verb == "box") {
        DWORD ms = argc > 2 ? strtoul(argv[2], NULL, 10) : 10000;
        testkit::Box box = testkit::DismissBox(ms);
        if (!box.found)
            return 1;
        printf("%s\n", box.text.c_str());
        return 0;
    }
    if (verb == "hold" && argc > 2) {
        HANDLE h =
            CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (h == INVALID_HANDLE_VALUE)
            return 1;
        printf("held\n");
        fflush(stdout);
        Sleep(argc > 3 ? strtoul(argv[3], NULL, 10) : INFINITE);
        CloseHandle(h);
        return 0;
    }
    fprintf(stderr, "tkhelper: unknown verb %s\n", argv[1]);
    return 2;
}
