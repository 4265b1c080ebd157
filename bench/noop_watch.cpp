// noop_watch.exe: does what the lesson's watch must and nothing else: a hidden window whose 50 ms
// timer asks whether the show's window still exists. The yardstick for an idle lesson's CPU.
#include <windows.h>

#include "channel/channel.h"
#include "viewer/viewer_contract.h"

namespace {

HWND g_hShowWnd = NULL;

// The watch's whole work at each tick. Like the lesson, it ends once the show's window is gone,
// so that its exit code tells the driver it asked about the right window.
LRESULT CALLBACK WatchWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_TIMER && !IsWindow(g_hShowWnd))
        PostQuitMessage(0);
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

} // namespace

// The same entry point and runtime start-up as tarnskov.exe, and the same message loop as its
// frame. Exit codes: 0 the show ended, 1 no show running, 2 no window or timer.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // The running lesson's show window, looked up as the lesson looks it up: it belongs to the
    // viewer's process, so each IsWindow costs the same wineserver round trip as the lesson's.
    g_hShowWnd = FindWindowA(kShowWindowClass, NULL);
    if (g_hShowWnd == NULL)
        return 1;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WatchWndProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = "TarnskovWatchFloor";
    if (!RegisterClassA(&wc))
        return 2;
    HWND hWnd =
        CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
    if (hWnd == NULL || SetTimer(hWnd, 1, kWatchPeriodMs, NULL) == 0)
        return 2;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
