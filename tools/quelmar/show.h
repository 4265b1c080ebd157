// The slide show: its automation object and the window the launcher looks for.
#pragma once

#include "dispatcher.h"
#include "presentation.h"

#include <string>

class Show : public CDispatcher {
public:
    // path is the presentation path exactly as received; it becomes the window title.
    Show(std::string path, CPresentation presentation);

    // Registers the window class the launcher looks for, once, before any show begins.
    static bool RegisterWindowClass(HINSTANCE instance);

    // Puts the show on screen, now or as late as the presentation asks; false if it cannot.
    bool Begin();
    // Takes it off screen for good: the window goes, a late one never comes.
    void End();

    const CPresentation& presentation() const { return presentation_; }

private:
    ~Show() override;
    HRESULT Call(DISPID id, VARIANT* result, EXCEPINFO* exception) override;

    bool OpenWindow();
    void Step(int delta);
    void Paint(HDC dc, const RECT& area) const;
    static void CALLBACK OnLateWindow(HWND, UINT, UINT_PTR timer, DWORD);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::string path_;
    CPresentation presentation_;
    size_t slide_ = 0;
    bool running_ = true; // false between a stop and the next run
    HWND hwnd_ = nullptr;
    UINT_PTR lateTimer_ = 0; // pending window-after timer
};
