// The object model: the application, its presentations, their show settings, show windows and
// views, the instance's state, its main window and its class factory.
#include "ansi_text.h"
#include "automation_object.h"
#include "named_dispatch.h"
#include "owners.h"
#include "standin.h"
#include "standin_show.h"
#include "viewer/powerpoint_contract.h"

#include <algorithm>
#include <utility>
#include <vector>

class CPresentationObject;

// The instance: what is open, whether it is visible, its main window and its Application.
static std::vector<CPresentationObject*> g_arrOpen; // each holds a reference
static BOOL g_bVisible = FALSE;
static BOOL g_bQuitting = FALSE;
static HWND g_hFrame = NULL;
static IDispatch* g_pApplication = NULL; // no reference: it goes when its clients let it go
static IDispatch* g_pUserHold = NULL;    // a reference while the user started and holds it
static UINT g_nUntitled = 0;

static void UpdateFrame();

// Result helpers: each fills pVarResult when the caller gave one.
static HRESULT AnswerObject(VARIANT* pVarResult, IDispatch* pObject)
{
    if (pVarResult != NULL) {
        pVarResult->vt = VT_DISPATCH;
        pVarResult->pdispVal = pObject;
    } else {
        pObject->Release();
    }
    return S_OK;
}

static HRESULT AnswerLong(VARIANT* pVarResult, LONG nValue)
{
    if (pVarResult != NULL) {
        pVarResult->vt = VT_I4;
        pVarResult->lVal = nValue;
    }
    return S_OK;
}

static HRESULT AnswerText(VARIANT* pVarResult, const std::string& strText)
{
    if (pVarResult != NULL) {
        pVarResult->vt = VT_BSTR;
        pVarResult->bstrVal = MakeBstr(strText);
    }
    return S_OK;
}

static LONG TriState(BOOL bValue)
{
    return bValue ? kMsoTrue : kMsoFalse;
}

static const std::vector<CMember> kPresentationMembers = {{"FullName", kReadOnly, {}, 0},
                                                          {"Saved", kReadWrite, {kArgTriState}, 0},
                                                          {"Close", kMethod, {}, 0},
                                                          {"SlideShowSettings", kReadOnly, {}, 0},
                                                          {"SlideShowWindow", kReadOnly, {}, 0}};

class CPresentationObject : public CNamedDispatcher {
public:
    CPresentationObject(std::string strFullName, CPresentation presentation, BOOL bWithWindow)
        : CNamedDispatcher("Presentation", kPresentationMembers),
          m_strFullName(std::move(strFullName)), m_presentation(std::move(presentation)),
          m_bWithWindow(bWithWindow)
    {
    }

    BOOL HasWindow() const { return !m_bClosed && m_bWithWindow; }
    BOOL IsShowRunning() const
    {
        return m_pShow.Get() != NULL && m_pShow.Get()->GetWindow() != NULL;
    }
    CStandinShow* GetShow() const { return m_pShow.Get(); }
    const std::string& GetFullName() const { return m_strFullName; }
    // Called when a call finds the object unusable: closed, or its show over.
    HRESULT Refuse(EXCEPINFO* pExcepInfo, const std::string& strMember) const
    {
        return RaiseError(pExcepInfo, strMember + (m_bClosed ? ": the presentation is closed"
                                                             : ": no slide show is running"));
    }
    BOOL IsClosed() const { return m_bClosed; }

    LONG m_nShowType = kPpShowTypeSpeaker;
    BOOL m_bPresenterView = g_directives.m_bPresenterView;

    HRESULT RunShow(VARIANT* pVarResult, EXCEPINFO* pExcepInfo);
    // Ends its show and takes it off the instance's list; the object stays for its clients.
    void Close();

private:
    HRESULT Call(size_t nMember, BOOL bPut, const std::vector<CArgument>& arrArgs,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo) override;

    std::string m_strFullName;
    CPresentation m_presentation;
    BOOL m_bWithWindow;
    BOOL m_bSaved = TRUE;
    BOOL m_bClosed = FALSE;
    CComOwner<CStandinShow> m_pShow;
};

// The objects below a presentation hold it, so that it outlives them.
class CPresentationPart : public CNamedDispatcher {
protected:
    CPresentationPart(LPCSTR lpszName, const std::vector<CMember>& arrMembers,
                      CPresentationObject* pPresentation)
        : CNamedDispatcher(lpszName, arrMembers), m_pPresentation(pPresentation)
    {
        m_pPresentation->AddRef();
    }
    ~CPresentationPart() override { m_pPresentation->Release(); }

    CPresentationObject* m_pPresentation;
};

static const std::vector<CMember> kViewMembers = {
    {"GotoSlide", kMethod, {kArgInteger, kArgTriState}, 1},
    {"First", kMethod, {}, 0},
    {"Exit", kMethod, {}, 0},
    {"CurrentShowPosition", kReadOnly, {}, 0}};
enum { kViewGotoSlide, kViewFirst, kViewExit, kViewPosition };

class CViewObject : public CPresentationPart {
public:
    explicit CViewObject(CPresentationObject* pPresentation)
        : CPresentationPart("SlideShowView", kViewMembers, pPresentation)
    {
    }

private:
    HRESULT Call(size_t nMember, BOOL, const std::vector<CArgument>& arrArgs, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo) override
    {
        if (!m_pPresentation->IsShowRunning())
            return m_pPresentation->Refuse(pExcepInfo, std::string("SlideShowView.") +
                                                           kViewMembers[nMember].m_lpszName);
        CStandinShow* pShow = m_pPresentation->GetShow();
        const LONG nCount = static_cast<LONG>(pShow->GetPresentation().m_arrSlides.size());
        switch (nMember) {
        case kViewGotoSlide:
            if (arrArgs[0].m_nValue < 1 || arrArgs[0].m_nValue > nCount)
                return RaiseError(pExcepInfo, "SlideShowView.GotoSlide: Index out of range: " +
                                                  std::to_string(arrArgs[0].m_nValue));
            pShow->GoTo(static_cast<size_t>(arrArgs[0].m_nValue - 1));
            return S_OK;
        case kViewFirst:
            pShow->GoTo(0);
            return S_OK;
        case kViewExit:
            pShow->End();
            return S_OK;
        default:
            return AnswerLong(pVarResult, static_cast<LONG>(pShow->GetSlide() + 1));
        }
    }
};

static const std::vector<CMember> kWindowMembers = {{"HWND", kReadOnly, {}, 0},
                                                    {"View", kReadOnly, {}, 0}};

class CWindowObject : public CPresentationPart {
public:
    explicit CWindowObject(CPresentationObject* pPresentation)
        : CPresentationPart("SlideShowWindow", kWindowMembers, pPresentation)
    {
    }

private:
    HRESULT Call(size_t nMember, BOOL, const std::vector<CArgument>&, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo) override
    {
        if (!m_pPresentation->IsShowRunning())
            return m_pPresentation->Refuse(pExcepInfo, std::string("SlideShowWindow.") +
                                                           kWindowMembers[nMember].m_lpszName);
        if (nMember == 0)
            return AnswerLong(pVarResult, HandleToLong(m_pPresentation->GetShow()->GetWindow()));
        return AnswerObject(pVarResult, new CViewObject(m_pPresentation));
    }
};

static const std::vector<CMember> kSettingsMembers = {
    {"ShowType", kReadWrite, {kArgInteger}, 0},
    {"ShowPresenterView", kReadWrite, {kArgTriState}, 0},
    {"Run", kMethod, {}, 0}};
enum { kSettingsShowType, kSettingsPresenterView, kSettingsRun };

class CSettingsObject : public CPresentationPart {
public:
    explicit CSettingsObject(CPresentationObject* pPresentation)
        : CPresentationPart("SlideShowSettings", kSettingsMembers, pPresentation)
    {
    }

private:
    HRESULT Call(size_t nMember, BOOL bPut, const std::vector<CArgument>& arrArgs,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo) override
    {
        if (m_pPresentation->IsClosed())
            return m_pPresentation->Refuse(pExcepInfo, std::string("SlideShowSettings.") +
                                                           kSettingsMembers[nMember].m_lpszName);
        if (nMember == kSettingsRun)
            return m_pPresentation->RunShow(pVarResult, pExcepInfo);
        if (nMember == kSettingsPresenterView && bPut)
            m_pPresentation->m_bPresenterView = arrArgs[0].m_nValue == kMsoTrue;
        if (nMember == kSettingsPresenterView)
            return AnswerLong(pVarResult, TriState(m_pPresentation->m_bPresenterView));
        if (!bPut)
            return AnswerLong(pVarResult, m_pPresentation->m_nShowType);
        if (arrArgs[0].m_nValue < kPpShowTypeSpeaker || arrArgs[0].m_nValue > kPpShowTypeKiosk)
            return RaiseError(pExcepInfo, "SlideShowSettings.ShowType: the value is out of range");
        m_pPresentation->m_nShowType = arrArgs[0].m_nValue;
        return S_OK;
    }
};

enum { kPresentationFullName, kPresentationSaved, kPresentationClose, kPresentationSettings };

HRESULT CPresentationObject::Call(size_t nMember, BOOL bPut, const std::vector<CArgument>& arrArgs,
                                  VARIANT* pVarResult, EXCEPINFO* pExcepInfo)
{
    if (m_bClosed)
        return Refuse(pExcepInfo,
                      std::string("Presentation.") + kPresentationMembers[nMember].m_lpszName);
    switch (nMember) {
    case kPresentationFullName:
        return AnswerText(pVarResult, m_strFullName);
    case kPresentationSaved:
        if (bPut)
            m_bSaved = arrArgs[0].m_nValue == kMsoTrue;
        return AnswerLong(pVarResult, TriState(m_bSaved));
    case kPresentationClose:
        Close();
        return S_OK;
    case kPresentationSettings:
        return AnswerObject(pVarResult, new CSettingsObject(this));
    default:
        if (!IsShowRunning())
            return Refuse(pExcepInfo, "Presentation.SlideShowWindow");
        return AnswerObject(pVarResult, new CWindowObject(this));
    }
}

// A new show takes the place of one still running.
HRESULT CPresentationObject::RunShow(VARIANT* pVarResult, EXCEPINFO* pExcepInfo)
{
    if (m_pShow.Get() != NULL)
        m_pShow.Get()->End();
    m_pShow.Attach(new CStandinShow(m_strFullName, m_presentation, m_nShowType, m_bPresenterView));
    if (!m_pShow.Get()->Start()) {
        m_pShow.Release();
        return RaiseError(pExcepInfo, "SlideShowSettings.Run: cannot show " + m_strFullName);
    }
    return AnswerObject(pVarResult, new CWindowObject(this));
}

void CPresentationObject::Close()
{
    m_bClosed = TRUE;
    m_pShow.Release();
    auto it = std::find(g_arrOpen.begin(), g_arrOpen.end(), this);
    if (it != g_arrOpen.end()) {
        g_arrOpen.erase(it);
        UpdateFrame();
        Release();
    }
}

// Reads the lesson and adds it to the instance's list; FALSE, saying why, when it cannot.
static BOOL OpenPresentation(const std::string& strPath, BOOL bUntitled, BOOL bWithWindow,
                             CPresentationObject** ppPresentation, std::string* pstrError)
{
    char szFull[MAX_PATH];
    DWORD cch = GetFullPathNameA(strPath.c_str(), MAX_PATH, szFull, NULL);
    std::string strFull = cch != 0 && cch < MAX_PATH ? szFull : strPath;
    CPresentation presentation;
    if (!presentation.Read(strFull, pstrError))
        return FALSE;
    if (!presentation.m_bRealLesson) {
        *pstrError = "Not a PowerPoint presentation: " + strFull;
        return FALSE;
    }
    std::string strFullName = bUntitled ? "Presentation" + std::to_string(++g_nUntitled) : strFull;
    *ppPresentation =
        new CPresentationObject(std::move(strFullName), std::move(presentation), bWithWindow);
    (*ppPresentation)->AddRef();
    g_arrOpen.push_back(*ppPresentation);
    UpdateFrame();
    return TRUE;
}

static const std::vector<CMember> kPresentationsMembers = {
    {"Count", kReadOnly, {}, 0},
    {"Item", kMethod, {kArgIndex}, 1},
    {"Open", kMethod, {kArgString, kArgTriState, kArgTriState, kArgTriState}, 1}};
enum { kPresentationsCount, kPresentationsItem, kPresentationsOpen };

class CPresentationsObject : public CNamedDispatcher {
public:
    CPresentationsObject() : CNamedDispatcher("Presentations", kPresentationsMembers) {}

private:
    HRESULT Call(size_t nMember, BOOL, const std::vector<CArgument>& arrArgs, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo) override
    {
        if (nMember == kPresentationsCount)
            return AnswerLong(pVarResult, static_cast<LONG>(g_arrOpen.size()));
        if (nMember == kPresentationsItem)
            return Item(arrArgs[0], pVarResult, pExcepInfo);
        // ReadOnly changes nothing here: the stand-in never writes a presentation.
        std::string strError;
        CPresentationObject* pPresentation = NULL;
        if (!OpenPresentation(ToAnsi(arrArgs[0].m_bstrText),
                              arrArgs[2].m_bGiven && arrArgs[2].m_nValue == kMsoTrue,
                              !arrArgs[3].m_bGiven || arrArgs[3].m_nValue == kMsoTrue,
                              &pPresentation, &strError))
            return RaiseError(pExcepInfo, "Presentations.Open: " + strError);
        pPresentation->AddRef();
        return AnswerObject(pVarResult, pPresentation);
    }

    // By its number from 1, or by its full name or file name.
    HRESULT Item(const CArgument& index, VARIANT* pVarResult, EXCEPINFO* pExcepInfo)
    {
        for (size_t i = 0; i < g_arrOpen.size(); ++i) {
            const std::string& strFull = g_arrOpen[i]->GetFullName();
            const std::string strName = strFull.substr(strFull.find_last_of("\\/") + 1);
            const BOOL bFound =
                index.m_bstrText == NULL
                    ? index.m_nValue == static_cast<LONG>(i + 1)
                    : lstrcmpiA(ToAnsi(index.m_bstrText).c_str(), strFull.c_str()) == 0 ||
                          lstrcmpiA(ToAnsi(index.m_bstrText).c_str(), strName.c_str()) == 0;
            if (bFound) {
                g_arrOpen[i]->AddRef();
                return AnswerObject(pVarResult, g_arrOpen[i]);
            }
        }
        return RaiseError(pExcepInfo, "Presentations.Item: no such presentation");
    }
};

static const std::vector<CMember> kApplicationMembers = {{"Presentations", kReadOnly, {}, 0},
                                                         {"Visible", kReadWrite, {kArgTriState}, 0},
                                                         {"Version", kReadOnly, {}, 0},
                                                         {"Quit", kMethod, {}, 0}};
enum { kApplicationPresentations, kApplicationVisible, kApplicationVersion, kApplicationQuit };

static void CloseAll()
{
    while (!g_arrOpen.empty())
        g_arrOpen.back()->Close();
}

class CApplicationObject : public CNamedDispatcher {
public:
    // In the running object table as PowerPoint's is, for GetObject and a bridge's look.
    CApplicationObject() : CNamedDispatcher("Application", kApplicationMembers)
    {
        g_pApplication = this;
        RegisterActiveObject(static_cast<IUnknown*>(this), kStandinClsid, ACTIVEOBJECT_WEAK,
                             &m_dwRotCookie);
    }

    void Revoke()
    {
        if (m_dwRotCookie != 0)
            RevokeActiveObject(m_dwRotCookie, NULL);
        m_dwRotCookie = 0;
    }

private:
    ~CApplicationObject() override
    {
        Revoke();
        g_pApplication = NULL;
    }

    HRESULT Call(size_t nMember, BOOL bPut, const std::vector<CArgument>& arrArgs,
                 VARIANT* pVarResult, EXCEPINFO*) override
    {
        switch (nMember) {
        case kApplicationPresentations:
            return AnswerObject(pVarResult, new CPresentationsObject);
        case kApplicationVisible:
            if (bPut) {
                g_bVisible = arrArgs[0].m_nValue == kMsoTrue;
                UpdateFrame();
            }
            return AnswerLong(pVarResult, TriState(g_bVisible));
        case kApplicationVersion:
            return AnswerText(pVarResult, "16.0");
        default:
            Quit();
            return S_OK;
        }
    }

    // Whatever references remain: their later calls find the server gone.
    void Quit()
    {
        g_bQuitting = TRUE;
        Revoke();
        CloseAll();
        UpdateFrame();
        if (g_pUserHold != NULL)
            g_pUserHold->Release();
        g_pUserHold = NULL;
        QuitServer();
    }

    DWORD m_dwRotCookie = 0;
};

// Shown while the application is visible or a presentation has a window.
static void UpdateFrame()
{
    BOOL bWanted =
        !g_bQuitting && (g_bVisible || std::any_of(g_arrOpen.begin(), g_arrOpen.end(),
                                                   [](auto* p) { return p->HasWindow(); }));
    if (bWanted && g_hFrame == NULL)
        g_hFrame = CreateWindowExA(0, kPowerPointFrameClass, "PowerPoint",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                   800, 600, NULL, NULL, GetModuleHandleA(NULL), NULL);
    else if (!bWanted && g_hFrame != NULL)
        DestroyWindow(g_hFrame);
}

// The user closing PowerPoint's main window closes what it shows and gives the instance up;
// automation's clients keep theirs.
static LRESULT CALLBACK FrameProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        g_bVisible = FALSE;
        CloseAll();
        UpdateFrame();
        if (g_pUserHold != NULL)
            g_pUserHold->Release();
        g_pUserHold = NULL;
        return 0;
    }
    if (message == WM_NCDESTROY)
        g_hFrame = NULL;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

BOOL RegisterFrameClass(HINSTANCE hInstance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kPowerPointFrameClass;
    return RegisterClassA(&wc) != 0;
}

BOOL StartAsUser(const std::string& strPath)
{
    g_pUserHold = new CApplicationObject;
    g_bVisible = TRUE;
    UpdateFrame();
    std::string strError;
    CPresentationObject* pPresentation = NULL;
    if (strPath.empty() || OpenPresentation(strPath, FALSE, TRUE, &pPresentation, &strError))
        return TRUE;
    MessageBoxA(g_hFrame, strError.c_str(), "PowerPoint stand-in", MB_OK | MB_ICONSTOP);
    return FALSE;
}

// Every CreateObject gets the one Application, and none once it is quitting.
static HRESULT CreateApplication(REFIID riid, void** ppvObject)
{
    if (g_bQuitting)
        return CO_E_SERVER_STOPPING;
    if (g_pApplication != NULL)
        return g_pApplication->QueryInterface(riid, ppvObject);
    return CreateInstanceOf<CApplicationObject>(riid, ppvObject);
}

static CClassFactory g_factory(CreateApplication);

IClassFactory* GetStandinFactory()
{
    return &g_factory;
}
