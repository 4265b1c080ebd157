// The application-framework subset the program is written against: run-time class
// information, message maps, CWnd, CFrameWnd, CWinApp, CMenu and AfxMessageBox.
#pragma once

#include <windows.h>

#include "framework/afxstr.h"

#ifndef AFX_IDS_APP_TITLE
#define AFX_IDS_APP_TITLE 0xE000
#endif

class CObject;
class CWnd;

// The framework's failures: thrown by value, caught by reference.
class CException {
public:
    virtual ~CException() = default;
    // The failure's own description; FALSE when it has none.
    virtual BOOL GetErrorMessage(CString& strMessage) const = 0;
    // Shows the description (or a generic text) in a message box.
    int ReportError(UINT nType = MB_OK) const;

protected:
    // Windows' own description of an error code; FALSE when it has none.
    static BOOL GetSystemMessage(DWORD dwError, CString& strMessage);
};

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : NULL; }
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNCREATE(class_name)                                                              \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    static CObject* CreateObject();                                                                \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    const CRuntimeClass class_name::class##class_name = {#class_name, NULL,                        \
                                                         RUNTIME_CLASS(base_class_name)};          \
    const CRuntimeClass* class_name::GetRuntimeClass() const                                       \
    {                                                                                              \
        return RUNTIME_CLASS(class_name);                                                          \
    }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                           \
    CObject* class_name::CreateObject()                                                            \
    {                                                                                              \
        return new class_name;                                                                     \
    }                                                                                              \
    const CRuntimeClass class_name::class##class_name = {#class_name, &class_name::CreateObject,   \
                                                         RUNTIME_CLASS(base_class_name)};          \
    const CRuntimeClass* class_name::GetRuntimeClass() const                                       \
    {                                                                                              \
        return RUNTIME_CLASS(class_name);                                                          \
    }

// Message maps: static tables chained to the base class's table. Each entry
// fills the one handler slot of its signature, so no cast is needed.
enum AfxSig { AfxSig_end = 0, AfxSig_v_v, AfxSig_v_u, AfxSig_l_wl, AfxSig_b_v, AfxSig_v_b };

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    AfxSig nSig;
    void (CWnd::*pfn_v_v)();
    void (CWnd::*pfn_v_u)(UINT_PTR);
    LRESULT (CWnd::*pfn_l_wl)(WPARAM, LPARAM);
    BOOL (CWnd::*pfn_b_v)();
    void (CWnd::*pfn_v_b)(BOOL);
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                              \
    {                                                                                              \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        typedef theClass ThisClass;                                                                \
        typedef baseClass TheBaseClass;                                                            \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    {                                                                                              \
        0, AfxSig_end, NULL, NULL, NULL, NULL, NULL                                                \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, _messageEntries};      \
    return &messageMap;                                                                            \
    }

#define ON_MESSAGE(message, memberFxn)                                                             \
    {message,                                                                                      \
     AfxSig_l_wl,                                                                                  \
     NULL,                                                                                         \
     NULL,                                                                                         \
     static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn),                        \
     NULL,                                                                                         \
     NULL},
#define ON_WM_CLOSE()                                                                              \
    {WM_CLOSE, AfxSig_v_v, static_cast<void (CWnd::*)()>(&ThisClass::OnClose), NULL, NULL,         \
     NULL,     NULL},
#define ON_WM_DESTROY()                                                                            \
    {WM_DESTROY, AfxSig_v_v, static_cast<void (CWnd::*)()>(&ThisClass::OnDestroy), NULL, NULL,     \
     NULL,       NULL},
#define ON_WM_QUERYENDSESSION()                                                                    \
    {WM_QUERYENDSESSION,                                                                           \
     AfxSig_b_v,                                                                                   \
     NULL,                                                                                         \
     NULL,                                                                                         \
     NULL,                                                                                         \
     static_cast<BOOL (CWnd::*)()>(&ThisClass::OnQueryEndSession),                                 \
     NULL},
#define ON_WM_ENDSESSION()                                                                         \
    {WM_ENDSESSION,                                                                                \
     AfxSig_v_b,                                                                                   \
     NULL,                                                                                         \
     NULL,                                                                                         \
     NULL,                                                                                         \
     NULL,                                                                                         \
     static_cast<void (CWnd::*)(BOOL)>(&ThisClass::OnEndSession)},
#define ON_WM_TIMER()                                                                              \
    {WM_TIMER, AfxSig_v_u, NULL, static_cast<void (CWnd::*)(UINT_PTR)>(&ThisClass::OnTimer),       \
     NULL,     NULL,       NULL},

class CMenu {
public:
    explicit CMenu(HMENU hMenu) : m_hMenu(hMenu) {}
    BOOL DestroyMenu();
    HMENU m_hMenu;
};

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    HWND m_hWnd = NULL;

    virtual ~CWnd();
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL DestroyWindow();
    CMenu GetMenu() const { return CMenu(::GetMenu(m_hWnd)); }

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The platform's handling of the message being handled.
    LRESULT Default();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy() {}

    void OnClose() { Default(); }
    void OnDestroy() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);

private:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Frame-window style bit of the framework's own, not a window style.
#define FWS_ADDTOTITLE 0x00008000L
// The class the framework registers its frame windows under. The program finds
// its running frame by it, and names it too: the two must agree.
#define AFX_FRAME_CLASS "TarnskovFrame"

struct CCreateContext;

class CFrameWnd : public CWnd {
    DECLARE_DYNAMIC(CFrameWnd)
public:
    CString m_strTitle;

    // Creates the window from one resource id: its icon, its menu and the first
    // line of its title string. The window is not made visible.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                           CCreateContext* pContext);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

    void OnClose();
    void OnDestroy();
    // The session is ending and nothing after this message will run: the main
    // frame runs the application's exit now.
    void OnEndSession(BOOL bEnding);
    // A frame deletes itself once its window is gone.
    void PostNcDestroy() override { delete this; }
};

class CWinApp : public CObject {
public:
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    ~CWinApp() override;

    HINSTANCE m_hInstance = NULL;
    LPCSTR m_lpCmdLine = "";
    CWnd* m_pMainWnd = NULL;
    LPCSTR m_pszAppName = NULL;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    // The whole life of the application, called once by the program's entry point.
    int WinMainBody(HINSTANCE hInstance);

protected:
    // What ExitInstance returns: the message loop's WM_QUIT code, or what
    // start-up set when it returned FALSE.
    int m_nExitCode = 0;

private:
    CString m_strAppName;
};

CWinApp* AfxGetApp();
LPCSTR AfxGetAppName();

// A modal box titled with the application name, in front of every window; MB_OK gets the
// warning icon.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
