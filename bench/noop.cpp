// noop.exe: starts and ends at once; the yardstick for what one process start costs.
#include <windows.h>

// The same entry point and runtime start-up as tarnskov.exe, so only the work differs.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
