// The slide show: stopped and run by automation, paged and clicked by the student, drawn in its
// window.
#include "show.h"

#include "application.h"
#include "framework/handles.h"
#include "viewer/viewer_contract.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <utility>

static const UINT_PTR kCloseTimerId = 1;
// A slide's buttons stand one below the other, centred under its text; their ids count from
// the first.
static const int kButtonTop = 200, kButtonWidth = 360, kButtonHeight = 40, kButtonGap = 12;
static const int kFirstButtonId = 100;
static const CMethod kMethods[] = {{DISPID_SHOW_RUN, NULL, 0}, {DISPID_SHOW_END, NULL, 0}};

// Thread timers carry no pointer of their own, so a show waiting for its window is found here.
static std::map<UINT_PTR, CShow*> g_mapLateShows;

static std::string GetFileName(const std::string& strPath)
{
    size_t nSlash = strPath.find_last_of("\\/");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

// The folder the presentation is in, its last backslash kept ("C:\" for a root); "" for none.
static std::string GetFolder(const std::string& strPath)
{
    size_t nSlash = strPath.find_last_of("\\/");
    return nSlash == std::string::npos ? "" : strPath.substr(0, nSlash + 1);
}

// A length in slide units as pixels of a client area nTo pixels across the slide's nFrom units.
static int Scale(int32_t nValue, int nFrom, LONG nTo)
{
    return static_cast<int>(
        std::clamp<long long>(static_cast<long long>(nValue) * nTo / nFrom, -0x8000, 0x7FFF));
}

static HFONT CreateSlideFont(int nHeight)
{
    return CreateFontA(-nHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Arial");
}

// The launcher the presentation names, or else tarnskov.exe in quelmar's own folder.
static std::string GetLauncherPath(const CPresentation& presentation)
{
    if (!presentation.m_strLauncher.empty())
        return presentation.m_strLauncher;
    char szExe[MAX_PATH];
    std::string strExe(szExe, GetModuleFileNameA(NULL, szExe, sizeof szExe));
    return strExe.substr(0, strExe.find_last_of('\\') + 1) + "tarnskov.exe";
}

// Starts that command line in that folder ("": quelmar's own) and lets it run: its handles are
// closed at once, and nothing waits for it. FALSE, with the last error set, when it could not be
// started.
static BOOL StartDetached(std::string strLine, const std::string& strFolder)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // Under load Wine now and then fails a start with ERROR_INTERNAL_ERROR; a moment later the
    // same start succeeds.
    for (int nTry = 0; nTry < 5; Sleep(50), ++nTry) {
        if (CreateProcessA(NULL, &strLine[0], NULL, NULL, FALSE, 0, NULL,
                           strFolder.empty() ? NULL : strFolder.c_str(), &si, &pi)) {
            CHandleOwner process(pi.hProcess), thread(pi.hThread);
            return TRUE;
        }
        if (GetLastError() != ERROR_INTERNAL_ERROR)
            return FALSE;
    }
    return FALSE;
}

CShow::CShow(std::string strPath, CPresentation presentation)
    : CDispatcher("show", kMethods, static_cast<UINT>(std::size(kMethods))),
      m_strPath(std::move(strPath)), m_presentation(std::move(presentation)),
      m_arrAnswers(m_presentation.m_arrSlides.size(), CSlideButton::kPlain),
      m_hButtonFont(CreateSlideFont(20))
{
}

CShow::~CShow()
{
    End();
}

BOOL CShow::RegisterWindowClass(HINSTANCE hInstance)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kShowWindowClass;
    return RegisterClassA(&wc) != 0;
}

BOOL CShow::Begin()
{
    if (m_presentation.m_bNoWindow)
        return TRUE;
    if (m_presentation.m_nWindowAfterMs == 0)
        return OpenWindow();
    m_nLateTimer = SetTimer(NULL, 0, m_presentation.m_nWindowAfterMs, OnLateWindow);
    if (m_nLateTimer == 0)
        return FALSE;
    g_mapLateShows[m_nLateTimer] = this;
    return TRUE;
}

void CShow::End()
{
    if (m_nLateTimer != 0) {
        KillTimer(NULL, m_nLateTimer);
        g_mapLateShows.erase(m_nLateTimer);
        m_nLateTimer = 0;
    }
    if (m_hWnd != NULL)
        DestroyWindow(m_hWnd);
}

void CALLBACK CShow::OnLateWindow(HWND, UINT, UINT_PTR nIDEvent, DWORD)
{
    KillTimer(NULL, nIDEvent);
    auto it = g_mapLateShows.find(nIDEvent);
    if (it == g_mapLateShows.end())
        return;
    CShow* pShow = it->second;
    g_mapLateShows.erase(it);
    pShow->m_nLateTimer = 0;
    pShow->OpenWindow();
}

BOOL CShow::OpenWindow()
{
    // WM_NCCREATE ties the window to this show and sets m_hWnd.
    HWND hWnd = CreateWindowExA(0, kShowWindowClass, m_strPath.c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, CW_USEDEFAULT,
                                CW_USEDEFAULT, 800, 600, NULL, NULL, GetModuleHandleA(NULL), this);
    if (hWnd == NULL)
        return FALSE;
    SetForegroundWindow(hWnd);
    if (m_presentation.m_nCloseAfterMs != 0)
        SetTimer(hWnd, kCloseTimerId, m_presentation.m_nCloseAfterMs, NULL);
    return TRUE;
}

HRESULT CShow::Call(DISPID dispid, VARIANT*, EXCEPINFO* pExcepInfo)
{
    if (dispid == DISPID_SHOW_END && m_presentation.m_nRestartDelayMs != 0)
        WaitUnlessClientEnds(m_presentation.m_nRestartDelayMs);
    if (dispid == DISPID_SHOW_END && m_presentation.m_bRestartFails)
        return Raise(pExcepInfo, "Restart refused: " + m_strPath);
    // Stopping leaves the window up; either call starts the slides over. A show the student
    // has closed keeps answering; it just has nothing left to draw.
    m_nSlide = m_nLastViewed = 0;
    m_bRunning = dispid == DISPID_SHOW_RUN;
    if (m_hWnd != NULL) {
        ShowButtons();
        InvalidateRect(m_hWnd, NULL, TRUE);
    }
    return S_OK;
}

void CShow::Step(int nDelta)
{
    if (nDelta > 0 || m_nSlide > 0)
        GoTo(nDelta > 0 ? m_nSlide + 1 : m_nSlide - 1);
}

// Pages to that slide. A real lesson's show paged on from its last slide ends, as PowerPoint's
// does; a text-format show stays on its last.
void CShow::GoTo(size_t nSlide)
{
    if (!m_bRunning || nSlide == m_nSlide)
        return;
    if (nSlide >= m_presentation.m_arrSlides.size()) {
        if (m_presentation.m_bRealLesson)
            SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    m_nLastViewed = m_nSlide;
    m_nSlide = nSlide;
    ShowButtons();
    InvalidateRect(m_hWnd, NULL, TRUE);
}

void CShow::Jump(ELessonJump nJump)
{
    size_t nCount = m_presentation.m_arrSlides.size();
    if (nJump == kJumpNext || nJump == kJumpPrevious)
        Step(nJump == kJumpNext ? 1 : -1);
    else if (nJump == kJumpFirst || nJump == kJumpLast)
        GoTo(nJump == kJumpFirst || nCount == 0 ? 0 : nCount - 1);
    else if (nJump == kJumpLastViewed)
        GoTo(m_nLastViewed);
    else if (nJump == kJumpEndShow)
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

// The buttons of the slide on show, made anew whenever the slide or the window's size changes.
void CShow::ShowButtons()
{
    for (HWND hButton : m_arrButtons)
        DestroyWindow(hButton);
    m_arrButtons.clear();
    if (!m_bRunning || m_presentation.m_arrSlides.empty())
        return;
    RECT rcClient;
    GetClientRect(m_hWnd, &rcClient);
    for (size_t i = 0; i < m_presentation.CountButtons(m_nSlide); ++i) {
        const CSlideButton& button = m_presentation.GetButton(m_nSlide, i);
        RECT rc = GetButtonRect(button, i, rcClient);
        HWND hButton = CreateWindowExA(
            0, "Button", button.m_strLabel.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, rc.left,
            rc.top, rc.right - rc.left, rc.bottom - rc.top, m_hWnd,
            reinterpret_cast<HMENU>(kFirstButtonId + i), GetModuleHandleA(NULL), NULL);
        if (hButton == NULL)
            continue;
        SendMessageA(hButton, WM_SETFONT, reinterpret_cast<WPARAM>(m_hButtonFont.Get()), FALSE);
        m_arrButtons.push_back(hButton);
    }
}

// A real lesson's button at the shape's place, scaled to the window; a text-format one in the
// column under the slide's text.
RECT CShow::GetButtonRect(const CSlideButton& button, size_t nButton, const RECT& rcClient) const
{
    if (!m_presentation.m_bRealLesson) {
        int nLeft = (rcClient.right - kButtonWidth) / 2;
        int nTop = kButtonTop + static_cast<int>(nButton) * (kButtonHeight + kButtonGap);
        return {nLeft, nTop, nLeft + kButtonWidth, nTop + kButtonHeight};
    }
    const int cx = m_presentation.m_cxSlide, cy = m_presentation.m_cySlide;
    return {Scale(button.m_rect.m_nLeft, cx, rcClient.right),
            Scale(button.m_rect.m_nTop, cy, rcClient.bottom),
            Scale(button.m_rect.m_nRight, cx, rcClient.right),
            Scale(button.m_rect.m_nBottom, cy, rcClient.bottom)};
}

// A button does what a real show's action does: it runs its program and lets it run, or pages.
// An answer also counts for the score, before the tail is filled; a text-format one pages on.
void CShow::Click(size_t nButton)
{
    const CSlideButton& button = m_presentation.GetButton(m_nSlide, nButton);
    if (button.m_nKind != CSlideButton::kPlain)
        m_arrAnswers[m_nSlide] = button.m_nKind;
    if (button.m_nAction == kActionRunProgram)
        RunProgram(m_presentation.FillTail(button.m_strTail, GetScore()));
    if (button.m_nAction == kActionJump)
        Jump(button.m_nJump);
    else if (button.m_nKind != CSlideButton::kPlain && !m_presentation.m_bRealLesson)
        Step(1);
    // The paging keys go to the show again, not to the button the click focused.
    if (m_hWnd != NULL)
        SetFocus(m_hWnd);
}

// The share of the questions whose last answer clicked was correct, 0-100, rounded down.
UINT CShow::GetScore() const
{
    UINT nQuestions = 0, nCorrect = 0;
    for (size_t i = 0; i < m_arrAnswers.size(); ++i) {
        nQuestions += m_presentation.m_arrSlides[i].m_bQuestion ? 1 : 0;
        nCorrect += m_arrAnswers[i] == CSlideButton::kCorrect ? 1 : 0;
    }
    return nQuestions == 0 ? 0 : nCorrect * 100 / nQuestions;
}

// A real lesson's command line as it stands, in the presentation's folder; a text-format tail
// after the launcher's path.
void CShow::RunProgram(const std::string& strTail)
{
    const std::string strLine = m_presentation.m_bRealLesson
                                    ? strTail
                                    : "\"" + GetLauncherPath(m_presentation) + "\" " + strTail;
    if (StartDetached(strLine, m_presentation.m_bRealLesson ? GetFolder(m_strPath) : ""))
        return;
    std::string strText =
        "Cannot start " + strLine + " (error " + std::to_string(GetLastError()) + ")";
    MessageBoxA(m_hWnd, strText.c_str(), "quelmar", MB_OK | MB_ICONSTOP);
}

void CShow::Paint(HDC hDC, const RECT& rcClient) const
{
    size_t nCount = m_presentation.m_arrSlides.size();
    std::string strPlace =
        nCount == 0 ? "No slides"
                    : "Slide " + std::to_string(m_nSlide + 1) + " of " + std::to_string(nCount);
    std::string strName = GetFileName(m_strPath);
    LPCSTR lpszText = !m_bRunning ? "(stopped)"
                      : nCount    ? m_presentation.m_arrSlides[m_nSlide].m_strText.c_str()
                                  : "";

    SetBkMode(hDC, TRANSPARENT);
    CSelectedObject labelFont(hDC, GetStockObject(DEFAULT_GUI_FONT));
    TextOutA(hDC, 16, 12, strName.c_str(), static_cast<int>(strName.size()));
    TextOutA(hDC, 16, 32, strPlace.c_str(), static_cast<int>(strPlace.size()));

    CGdiObjectOwner font(CreateSlideFont(32));
    CSelectedObject slideFont(hDC, font.Get());
    RECT rcBody = {rcClient.left + 32, rcClient.top + 80, rcClient.right - 32,
                   m_arrButtons.empty() || m_presentation.m_bRealLesson ? rcClient.bottom - 32
                                                                        : kButtonTop - 16};
    DrawTextA(hDC, lpszText, -1, &rcBody, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

// The class's window procedure: the show the window belongs to handles what it can.
LRESULT CALLBACK CShow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        CREATESTRUCTA* pcs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        static_cast<CShow*>(pcs->lpCreateParams)->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pcs->lpCreateParams));
    }
    // Messages that come before WM_NCCREATE, or after WM_NCDESTROY, find no show.
    CShow* pShow = reinterpret_cast<CShow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (pShow != NULL && pShow->OnMessage(message, wParam))
        return 0;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

// TRUE when the show has handled the message; FALSE leaves it to DefWindowProc.
BOOL CShow::OnMessage(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return TRUE;
    case WM_LBUTTONDOWN:
        Step(1);
        return TRUE;
    case WM_COMMAND:
        OnCommand(wParam);
        return TRUE;
    case WM_SIZE:
        // Also sent while the window is made: the first slide's buttons come from here.
        ShowButtons();
        return TRUE;
    case WM_TIMER:
        return OnTimer(wParam);
    case WM_NCDESTROY:
        OnNcDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

// A click on one of the slide's buttons, which exist only while a slide with buttons is on show.
void CShow::OnCommand(WPARAM wParam)
{
    size_t nButton = static_cast<size_t>(LOWORD(wParam)) - kFirstButtonId;
    if (HIWORD(wParam) == BN_CLICKED && !m_arrButtons.empty() && LOWORD(wParam) >= kFirstButtonId &&
        nButton < m_presentation.CountButtons(m_nSlide))
        Click(nButton);
}

void CShow::OnPaint()
{
    CPaintScope paint(m_hWnd);
    RECT rcClient;
    GetClientRect(m_hWnd, &rcClient);
    Paint(paint.Get(), rcClient);
}

// The keys a slide-show viewer pages with; Escape closes the show as a student would.
void CShow::OnKeyDown(WPARAM nChar)
{
    if (nChar == VK_RIGHT || nChar == VK_SPACE || nChar == VK_NEXT)
        Step(1);
    else if (nChar == VK_LEFT || nChar == VK_PRIOR)
        Step(-1);
    else if (nChar == VK_ESCAPE)
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

// close-after: the show closes itself the way a student would.
BOOL CShow::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kCloseTimerId)
        return FALSE;
    KillTimer(m_hWnd, kCloseTimerId);
    SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

void CShow::OnNcDestroy()
{
    // The buttons went with their window.
    m_arrButtons.clear();
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = NULL;
}
