// The slide show: stopped and run by automation, paged by the student, drawn in its window.
#include "show.h"

#include "owners.h"
#include "viewer/viewer_contract.h"

#include <iterator>
#include <map>
#include <string>
#include <utility>

namespace {

const UINT_PTR kCloseTimer = 1;
const CMethod kMethods[] = {{DISPID_SHOW_RUN, nullptr, 0}, {DISPID_SHOW_END, nullptr, 0}};

// Thread timers carry no pointer of their own, so a show waiting for its window is found here.
std::map<UINT_PTR, Show*> g_lateShows;

std::string FileName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

Show::Show(std::string path, CPresentation presentation)
    : CDispatcher("show", kMethods, static_cast<UINT>(std::size(kMethods))), path_(std::move(path)),
      presentation_(std::move(presentation))
{
}

Show::~Show()
{
    End();
}

bool Show::RegisterWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kShowWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

bool Show::Begin()
{
    if (presentation_.m_bNoWindow)
        return true;
    if (presentation_.m_nWindowAfterMs == 0)
        return OpenWindow();
    lateTimer_ = SetTimer(nullptr, 0, presentation_.m_nWindowAfterMs, OnLateWindow);
    if (lateTimer_ == 0)
        return false;
    g_lateShows[lateTimer_] = this;
    return true;
}

void Show::End()
{
    if (lateTimer_) {
        KillTimer(nullptr, lateTimer_);
        g_lateShows.erase(lateTimer_);
        lateTimer_ = 0;
    }
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void CALLBACK Show::OnLateWindow(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    auto found = g_lateShows.find(timer);
    if (found == g_lateShows.end())
        return;
    Show* show = found->second;
    g_lateShows.erase(found);
    show->lateTimer_ = 0;
    show->OpenWindow();
}

bool Show::OpenWindow()
{
    // WM_NCCREATE ties the window to this show and sets hwnd_.
    HWND hwnd = CreateWindowExA(0, kShowWindowClass, path_.c_str(),
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                                600, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!hwnd)
        return false;
    SetForegroundWindow(hwnd);
    if (presentation_.m_nCloseAfterMs)
        SetTimer(hwnd, kCloseTimer, presentation_.m_nCloseAfterMs, nullptr);
    return true;
}

HRESULT Show::Call(DISPID id, VARIANT*, EXCEPINFO* exception)
{
    if (id == DISPID_SHOW_END && presentation_.m_bRestartFails)
        return Raise(exception, "Restart refused: " + path_);
    // Stopping leaves the window up; either call starts the slides over. A show the student
    // has closed keeps answering; it just has nothing left to draw.
    slide_ = 0;
    running_ = id == DISPID_SHOW_RUN;
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, TRUE);
    return S_OK;
}

void Show::Step(int delta)
{
    size_t count = presentation_.m_arrSlides.size();
    if (!running_ || (delta > 0 && slide_ + 1 >= count) || (delta < 0 && slide_ == 0))
        return;
    slide_ = delta > 0 ? slide_ + 1 : slide_ - 1;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Show::Paint(HDC dc, const RECT& area) const
{
    size_t count = presentation_.m_arrSlides.size();
    std::string place =
        count == 0 ? "No slides"
                   : "Slide " + std::to_string(slide_ + 1) + " of " + std::to_string(count);
    std::string name = FileName(path_);
    const char* text = !running_ ? "(stopped)"
                       : count   ? presentation_.m_arrSlides[slide_].c_str()
                                 : "";

    SetBkMode(dc, TRANSPARENT);
    CSelectedObject labelFont(dc, GetStockObject(DEFAULT_GUI_FONT));
    TextOutA(dc, 16, 12, name.c_str(), static_cast<int>(name.size()));
    TextOutA(dc, 16, 32, place.c_str(), static_cast<int>(place.size()));

    CGdiObjectOwner font(CreateFontA(-32, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, "Arial"));
    CSelectedObject slideFont(dc, font.Get());
    RECT body = {area.left + 32, area.top + 80, area.right - 32, area.bottom - 32};
    DrawTextA(dc, text, -1, &body, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CALLBACK Show::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTA*>(lParam);
        static_cast<Show*>(created->lpCreateParams)->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
    }
    auto* show = reinterpret_cast<Show*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!show)
        return DefWindowProcA(hwnd, message, wParam, lParam);

    switch (message) {
    case WM_PAINT: {
        CPaintScope paint(hwnd);
        RECT area;
        GetClientRect(hwnd, &area);
        show->Paint(paint.Get(), area);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RIGHT || wParam == VK_SPACE || wParam == VK_NEXT)
            show->Step(1);
        else if (wParam == VK_LEFT || wParam == VK_PRIOR)
            show->Step(-1);
        else if (wParam == VK_ESCAPE)
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_LBUTTONDOWN:
        show->Step(1);
        return 0;
    case WM_TIMER:
        // close-after: the show closes itself the way a student would.
        if (wParam != kCloseTimer)
            break;
        KillTimer(hwnd, kCloseTimer);
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_NCDESTROY:
        show->hwnd_ = nullptr;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
