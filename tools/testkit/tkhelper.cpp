// tkhelper: the test kit as a separate process, for scripts and for tests that need another
// process.
//   tkhelper launch <words...>     start tarnskov.exe (beside tkhelper) with the words joined by
//                                  single blanks as its tail; wait for it, end with its code
//   tkhelper run <exe> <words...>  the same with another tarnskov.exe (an installed one)
//   tkhelper show                  the show window's client area and its buttons in screen
//                                  coordinates, a line each: "window|button <left> <top> <right>
//                                  <bottom> <title or label>"; ends with 1 when no show is up
//   tkhelper count <image>         print how many processes of that image name run
#include <stdio.h>

#include <string>

#include "testkit.h"

static void PrintRect(const char* kind, const RECT& rc, const char* text)
{
    printf("%s %ld %ld %ld %ld %s\n", kind, static_cast<long>(rc.left), static_cast<long>(rc.top),
           static_cast<long>(rc.right), static_cast<long>(rc.bottom), text);
}

static BOOL CALLBACK PrintButton(HWND hChild, LPARAM)
{
    char className[32], label[256];
    RECT rc;
    GetClassNameA(hChild, className, sizeof(className));
    if (lstrcmpiA(className, "Button") == 0 && IsWindowVisible(hChild) &&
        GetWindowTextA(hChild, label, sizeof(label)) >= 0 && GetWindowRect(hChild, &rc))
        PrintRect("button", rc, label);
    return TRUE;
}

// Read from the window tree: a button has no X window of its own for a script to find.
static int PrintShow()
{
    HWND show = FindWindowA(kShowWindowClass, NULL);
    char title[MAX_PATH] = "";
    RECT rc;
    if (show == NULL || !GetClientRect(show, &rc))
        return 1;
    MapWindowPoints(show, NULL, reinterpret_cast<POINT*>(&rc), 2);
    GetWindowTextA(show, title, sizeof(title));
    PrintRect("window", rc, title);
    EnumChildWindows(show, PrintButton, 0);
    return 0;
}

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
    if (verb == "show" && argc == 2)
        return PrintShow();
    if (verb == "count" && argc == 3) {
        printf("%u\n", static_cast<unsigned>(testkit::CountProcesses(argv[2])));
        return 0;
    }
    fprintf(stderr, "usage: tkhelper launch <tail> | run <exe> <tail> | show | count <image>\n");
    return 2;
}
