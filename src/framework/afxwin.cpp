// The window, frame and application classes of the framework subset, and its message box.
#include "framework/afxwin.h"

#include "framework/command_line.h"
#include "framework/system_message.h"

#include <string.h>

const CRuntimeClass CObject::classCObject = {"CObject", NULL, NULL};

static CWinApp* g_pApp = NULL;

CWinApp* AfxGetApp()
{
    return g_pApp;
}
LPCSTR AfxGetAppName()
{
    return g_pApp && g_pApp->m_pszAppName ? g_pApp->m_pszAppName : "";
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT)
{
    if ((nType & MB_ICONMASK) == 0 && (nType & MB_TYPEMASK) <= MB_OKCANCEL)
        nType |= MB_ICONEXCLAMATION;
    // The program runs in the background, behind a full-screen show, and Windows refuses a
    // background process the foreground: a system-modal box is topmost all the same (Wine
    // honours it too, where it ignores MB_TOPMOST), so the student sees every box.
    return MessageBoxA(NULL, lpszText, AfxGetAppName(), nType | MB_SETFOREGROUND | MB_SYSTEMMODAL);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT)
{
    CString strText;
    strText.LoadString(nIDPrompt);
    return AfxMessageBox(strText, nType);
}

BOOL CException::GetSystemMessage(DWORD dwError, CString& strMessage)
{
    char szSystem[512];
    if (FormatSystemMessage(dwError, szSystem, sizeof(szSystem)) == 0)
        return FALSE;
    strMessage = szSystem;
    return TRUE;
}

int CException::ReportError(UINT nType) const
{
    CString strMessage;
    if (!GetErrorMessage(strMessage) || strMessage.IsEmpty())
        strMessage = "An unexpected error occurred.";
    return AfxMessageBox(strMessage, nType);
}

BOOL CMenu::DestroyMenu()
{
    if (m_hMenu == NULL)
        return FALSE;
    BOOL bDone = ::DestroyMenu(m_hMenu);
    m_hMenu = NULL;
    return bDone;
}

// ---- CWnd ----

IMPLEMENT_DYNAMIC(CWnd, CObject)

CWnd::~CWnd()
{
    if (m_hWnd != NULL) {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd != NULL && ::DestroyWindow(m_hWnd);
}

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, AfxSig_end, NULL, NULL, NULL, NULL, NULL}};
    static const AFX_MSGMAP messageMap = {NULL, entries};
    return &messageMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

// The message being handled; one thread, so one slot. Kept outside the object
// because a handler may destroy (and so delete) its own window.
static const MSG* g_pCurrentMsg = NULL;

LRESULT CWnd::Default()
{
    const MSG* pMsg = g_pCurrentMsg;
    return pMsg ? DefWindowProcA(pMsg->hwnd, pMsg->message, pMsg->wParam, pMsg->lParam) : 0;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != NULL;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : NULL) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->nSig != AfxSig_end;
             ++pEntry) {
            if (pEntry->nMessage != message)
                continue;
            switch (pEntry->nSig) {
            case AfxSig_v_v:
                (this->*pEntry->pfn_v_v)();
                *pResult = 0;
                break;
            case AfxSig_v_u:
                (this->*pEntry->pfn_v_u)(static_cast<UINT_PTR>(wParam));
                *pResult = 0;
                break;
            case AfxSig_l_wl:
                *pResult = (this->*pEntry->pfn_l_wl)(wParam, lParam);
                break;
            case AfxSig_b_v:
                *pResult = (this->*pEntry->pfn_b_v)();
                break;
            case AfxSig_v_b:
                (this->*pEntry->pfn_v_b)(static_cast<BOOL>(wParam));
                *pResult = 0;
                break;
            default:
                return FALSE;
            }
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProcA(m_hWnd, message, wParam, lParam);
    return lResult;
}

// Binds the C++ object to its window on WM_NCCREATE (the object comes as the
// create parameter) and routes every later message through its message map.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = reinterpret_cast<CWnd*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        pWnd = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        pWnd->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pWnd));
    }
    if (pWnd == NULL)
        return DefWindowProcA(hWnd, message, wParam, lParam);

    MSG msg = {hWnd, message, wParam, lParam, 0, {0, 0}};
    const MSG* pOldMsg = g_pCurrentMsg;
    g_pCurrentMsg = &msg;
    LRESULT lResult = 0;
    try {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    } catch (const CException& e) {
        // A failure leaving a handler is reported and the message loop goes on.
        e.ReportError(MB_ICONSTOP);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        pWnd->m_hWnd = NULL;
        CWinApp* pApp = AfxGetApp();
        if (pApp != NULL && pApp->m_pMainWnd == pWnd) {
            pApp->m_pMainWnd = NULL;
            PostQuitMessage(0);
        }
        pWnd->PostNcDestroy();
    }
    g_pCurrentMsg = pOldMsg;
    return lResult;
}

// ---- CFrameWnd ----

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CLOSE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    HINSTANCE hInstance = GetModuleHandleA(NULL);
    WNDCLASSA wc;
    if (!GetClassInfoA(hInstance, AFX_FRAME_CLASS, &wc)) {
        ZeroMemory(&wc, sizeof(wc));
        wc.lpfnWndProc = AfxWndProc;
        wc.hInstance = hInstance;
        wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = AFX_FRAME_CLASS;
        if (!RegisterClassA(&wc))
            return FALSE;
    }
    cs.lpszClass = AFX_FRAME_CLASS;
    // The framework's own style bits are not window styles.
    cs.style &= ~FWS_ADDTOTITLE;
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext*)
{
    HINSTANCE hInstance = GetModuleHandleA(NULL);
    // The title is the string's first segment, up to its first line feed.
    m_strTitle.LoadString(nIDResource);
    char* pszTitle = m_strTitle.GetBuffer(m_strTitle.GetLength());
    if (pszTitle != NULL) {
        char* pszEnd = strchr(pszTitle, '\n');
        if (pszEnd != NULL)
            *pszEnd = '\0';
        m_strTitle.ReleaseBuffer();
    }

    HMENU hMenu = LoadMenuA(hInstance, MAKEINTRESOURCEA(nIDResource));
    CREATESTRUCTA cs = {};
    cs.lpCreateParams = this;
    cs.hInstance = hInstance;
    cs.hMenu = hMenu;
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : NULL;
    cs.x = cs.y = cs.cx = cs.cy = static_cast<int>(CW_USEDEFAULT);
    cs.style = dwDefaultStyle;
    cs.lpszName = m_strTitle;
    if (!PreCreateWindow(cs)) {
        if (hMenu != NULL)
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    HWND hWnd =
        CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                        cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (hWnd == NULL) {
        if (hMenu != NULL)
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    HICON hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(nIDResource));
    if (hIcon != NULL)
        SendMessageA(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    return TRUE;
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

void CFrameWnd::OnDestroy()
{
    Default();
}

void CFrameWnd::OnEndSession(BOOL bEnding)
{
    CWinApp* pApp = AfxGetApp();
    if (bEnding && pApp != NULL && pApp->m_pMainWnd == this)
        pApp->ExitInstance();
}

// ---- CWinApp ----

CWinApp::CWinApp(LPCSTR lpszAppName)
{
    g_pApp = this;
    m_pszAppName = lpszAppName;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
}

int CWinApp::Run()
{
    MSG msg;
    BOOL bRet;
    while ((bRet = GetMessageA(&msg, NULL, 0, 0)) != 0 && bRet != -1) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (bRet == 0)
        m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::WinMainBody(HINSTANCE hInstance)
{
    m_hInstance = hInstance;
    m_lpCmdLine = SkipProgramName(GetCommandLineA());
    if (m_pszAppName == NULL) {
        // No name given: the application's title from the string table.
        m_strAppName.LoadString(AFX_IDS_APP_TITLE);
        m_pszAppName = m_strAppName;
    }
    if (!InitInstance()) {
        if (m_pMainWnd != NULL)
            m_pMainWnd->DestroyWindow();
        return ExitInstance();
    }
    return Run();
}
