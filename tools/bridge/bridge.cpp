// The launcher's calls, mapped onto PowerPoint's object model by name.
#include "bridge.h"

#include "ansi_text.h"
#include "automation_object.h"
#include "late_call.h"
#include "owners.h"
#include "viewer/powerpoint_contract.h"
#include "viewer/viewer_contract.h"

#include <stdio.h>

#include <iterator>
#include <string>
#include <vector>

// What the bridge holds of PowerPoint for its one lesson (single use: one client, one lesson).
struct CSession {
    CComOwner<IDispatch> m_pApp, m_pPresentation, m_pShowWindow;
    BOOL m_bStartedHere = FALSE;
    std::vector<std::string> m_openBefore;
    std::string m_strOpened;
    // Once PowerPoint is gone every later call answers so, without trying it.
    HRESULT m_hrGone = S_OK;
};

static CSession g_session;

static VARIANT LongArg(LONG nValue)
{
    VARIANT var = {};
    var.vt = VT_I4;
    var.lVal = nValue;
    return var;
}

// The member's object, or NULL on a failure.
static IDispatch* GetMember(IDispatch* pObject, LPCWSTR lpszMember, CLateFailure* pFailure,
                            const VARIANT* pArgs = NULL, UINT nArgs = 0,
                            WORD wFlags = DISPATCH_PROPERTYGET)
{
    VARIANT result = {};
    if (!CallByName(pObject, lpszMember, wFlags, pArgs, nArgs, &result, pFailure))
        return NULL;
    if (result.vt == VT_DISPATCH && result.pdispVal != NULL)
        return result.pdispVal;
    VariantClear(&result);
    pFailure->m_hr = DISP_E_TYPEMISMATCH;
    pFailure->m_strReason =
        "PowerPoint's " + ToAnsi(lpszMember, lstrlenW(lpszMember)) + " answered no object";
    return NULL;
}

static BOOL GetLong(IDispatch* pObject, LPCWSTR lpszMember, LONG* pnValue, CLateFailure* pFailure)
{
    VARIANT result = {};
    if (!CallByName(pObject, lpszMember, DISPATCH_PROPERTYGET, NULL, 0, &result, pFailure))
        return FALSE;
    HRESULT hr = VariantChangeType(&result, &result, 0, VT_I4);
    *pnValue = SUCCEEDED(hr) ? result.lVal : 0;
    VariantClear(&result);
    return SUCCEEDED(hr);
}

static BOOL GetText(IDispatch* pObject, LPCWSTR lpszMember, std::string* pstrValue,
                    CLateFailure* pFailure)
{
    VARIANT result = {};
    if (!CallByName(pObject, lpszMember, DISPATCH_PROPERTYGET, NULL, 0, &result, pFailure))
        return FALSE;
    BOOL bText = result.vt == VT_BSTR;
    if (bText)
        *pstrValue = ToAnsi(result.bstrVal);
    VariantClear(&result);
    return bText;
}

// The answer for a failed call on PowerPoint; a gone PowerPoint is remembered.
// Raises as the plumbing does, naming the bridge as the exception's source.
static HRESULT RaiseFromBridge(EXCEPINFO* pExcepInfo, const std::string& strDescription)
{
    HRESULT hr = Raise(pExcepInfo, strDescription);
    if (pExcepInfo != NULL) {
        SysFreeString(pExcepInfo->bstrSource);
        pExcepInfo->bstrSource = SysAllocString(L"tarnskov-powerpoint");
    }
    return hr;
}

static HRESULT AnswerLauncher(const CLateFailure& failure, EXCEPINFO* pExcepInfo)
{
    CBridgeAnswer answer = AnswerFailure(failure.m_hr, failure.m_scode);
    if (IsPowerPointGone(answer.m_hr))
        g_session.m_hrGone = answer.m_hr;
    return answer.m_bRaise ? RaiseFromBridge(pExcepInfo, failure.m_strReason) : answer.m_hr;
}

// The full names of the presentations open in PowerPoint.
static BOOL ListPresentations(IDispatch* pPresentations, std::vector<std::string>* pNames,
                              CLateFailure* pFailure)
{
    LONG nCount = 0;
    if (!GetLong(pPresentations, L"Count", &nCount, pFailure))
        return FALSE;
    for (LONG i = 1; i <= nCount; ++i) {
        VARIANT index = LongArg(i);
        CComOwner<IDispatch> pPresentation(
            GetMember(pPresentations, L"Item", pFailure, &index, 1, DISPATCH_METHOD));
        std::string strName;
        if (pPresentation.Get() == NULL ||
            !GetText(pPresentation.Get(), L"FullName", &strName, pFailure))
            return FALSE;
        pNames->push_back(strName);
    }
    return TRUE;
}

// PowerPoint is running before the bridge creates it: after CreateObject it can no longer tell.
static BOOL IsPowerPointRunning(REFCLSID clsid)
{
    if (FindWindowA(kPowerPointFrameClass, NULL) != NULL)
        return TRUE;
    IUnknown* pRunning = NULL;
    if (FAILED(GetActiveObject(clsid, NULL, &pRunning)))
        return FALSE;
    pRunning->Release();
    return TRUE;
}

// Opens the lesson read-only, with no document window, and runs it as a speaker's show; answers
// the show window. Untitled stays msoFalse: the presentation keeps its path, so that its links
// and programs resolve from its own folder as in the viewer, and ReadOnly already keeps it from
// being saved over.
static IDispatch* OpenAndRun(BSTR bstrPath, CLateFailure* pFailure)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"PowerPoint.Application", &clsid);
    IDispatch* pApp = NULL;
    if (SUCCEEDED(hr)) {
        g_session.m_bStartedHere = !IsPowerPointRunning(clsid);
        hr = CoCreateInstance(clsid, NULL, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&pApp));
    }
    if (FAILED(hr)) {
        pFailure->m_hr = hr;
        char szCode[16];
        snprintf(szCode, sizeof szCode, "0x%08lX", static_cast<unsigned long>(hr));
        pFailure->m_strReason = std::string("Cannot start ") + kPowerPointProgId + ": " + szCode;
        return NULL;
    }
    g_session.m_pApp.Attach(pApp);
    CComOwner<IDispatch> pPresentations(GetMember(pApp, L"Presentations", pFailure));
    if (pPresentations.Get() == NULL ||
        !ListPresentations(pPresentations.Get(), &g_session.m_openBefore, pFailure))
        return NULL;
    VARIANT openArgs[] = {{}, LongArg(kMsoTrue), LongArg(kMsoFalse), LongArg(kMsoFalse)};
    openArgs[0].vt = VT_BSTR;
    openArgs[0].bstrVal = bstrPath;
    g_session.m_pPresentation.Attach(GetMember(pPresentations.Get(), L"Open", pFailure, openArgs,
                                               std::size(openArgs), DISPATCH_METHOD));
    IDispatch* pPresentation = g_session.m_pPresentation.Get();
    if (pPresentation == NULL ||
        !GetText(pPresentation, L"FullName", &g_session.m_strOpened, pFailure))
        return NULL;
    // A speaker's show pages on at a click, as the viewer's; no presenter view, since the
    // launcher watches the one "screenClass" window it finds.
    CComOwner<IDispatch> pSettings(GetMember(pPresentation, L"SlideShowSettings", pFailure));
    VARIANT showType = LongArg(kPpShowTypeSpeaker), presenterView = LongArg(kMsoFalse);
    if (pSettings.Get() == NULL ||
        !CallByName(pSettings.Get(), L"ShowType", DISPATCH_PROPERTYPUT, &showType, 1, NULL,
                    pFailure) ||
        !CallByName(pSettings.Get(), L"ShowPresenterView", DISPATCH_PROPERTYPUT, &presenterView, 1,
                    NULL, pFailure))
        return NULL;
    // The launcher let this process take the foreground; the show's window is PowerPoint's.
    CoAllowSetForegroundWindow(pApp, NULL);
    return GetMember(pSettings.Get(), L"Run", pFailure, NULL, 0, DISPATCH_METHOD);
}

// Closes the bridge's presentation, and PowerPoint when the bridge started it and nothing else
// is open; everything held of PowerPoint is let go.
static BOOL EndSession(CLateFailure* pFailure)
{
    IDispatch* pApp = g_session.m_pApp.Get();
    BOOL bOk = TRUE;
    g_session.m_pShowWindow.Release();
    if (g_session.m_pPresentation.Get() != NULL &&
        ShouldClosePresentation(g_session.m_openBefore, g_session.m_strOpened))
        bOk = CallByName(g_session.m_pPresentation.Get(), L"Close", DISPATCH_METHOD, NULL, 0, NULL,
                         pFailure);
    g_session.m_pPresentation.Release();
    if (bOk && pApp != NULL) {
        CComOwner<IDispatch> pPresentations(GetMember(pApp, L"Presentations", pFailure));
        LONG nOpen = 0;
        bOk = pPresentations.Get() != NULL &&
              GetLong(pPresentations.Get(), L"Count", &nOpen, pFailure);
        if (bOk && ShouldQuitPowerPoint(g_session.m_bStartedHere, nOpen))
            bOk = CallByName(pApp, L"Quit", DISPATCH_METHOD, NULL, 0, NULL, pFailure);
    }
    g_session.m_pApp.Release();
    return bOk;
}

void EndPowerPointSession()
{
    // The client has gone: the quit's own limit alone bounds the retries now.
    WatchClientForRetries(NULL);
    BeginBridgeCall(kBridgeQuit);
    CLateFailure failure;
    if (g_session.m_pApp.Get() != NULL && g_session.m_hrGone == S_OK)
        EndSession(&failure);
}

// The show object: the R command's two calls, in the same show window.
static const CMethod kShowMethods[] = {{DISPID_SHOW_END, NULL, 0}, {DISPID_SHOW_RUN, NULL, 0}};

class CBridgeShow : public CDispatcher {
public:
    CBridgeShow() : CDispatcher("show", kShowMethods, static_cast<UINT>(std::size(kShowMethods))) {}

private:
    // The launcher watches the window it found, and a new one reads as the student ending the
    // show: the stop leaves the show running (no View.Exit) and only checks that it is there;
    // the run goes back to the first slide in the same window.
    HRESULT Call(DISPID dispid, VARIANT*, EXCEPINFO* pExcepInfo) override
    {
        if (g_session.m_hrGone != S_OK)
            return g_session.m_hrGone;
        BeginBridgeCall(kBridgeRestart);
        CLateFailure failure;
        IDispatch* pWindow = g_session.m_pShowWindow.Get();
        CComOwner<IDispatch> pView(pWindow != NULL ? GetMember(pWindow, L"View", &failure) : NULL);
        VARIANT first = LongArg(1);
        if (pView.Get() == NULL ||
            (dispid == DISPID_SHOW_RUN &&
             !CallByName(pView.Get(), L"GotoSlide", DISPATCH_METHOD, &first, 1, NULL, &failure)))
            return AnswerLauncher(failure, pExcepInfo);
        return S_OK;
    }
};

// The open call and the quit, with exactly the arguments the viewer's callers pass.
static const CParameter kOpenShowParameters[] = {
    {VT_BSTR, kUncheckedValue}, {VT_I4, kOpenShowFirst}, {VT_I4, kOpenShowSecond}};
static const CMethod kAppMethods[] = {
    {DISPID_APP_OPEN_SHOW, kOpenShowParameters, static_cast<UINT>(std::size(kOpenShowParameters))},
    {DISPID_APP_QUIT, NULL, 0}};

class CBridgeApplication : public CDispatcher {
public:
    CBridgeApplication()
        : CDispatcher("app", kAppMethods, static_cast<UINT>(std::size(kAppMethods)))
    {
    }

    // The path is taken here: the plumbing checks the call and hands on no arguments.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        m_bstrPath = dispid == DISPID_APP_OPEN_SHOW && pDispParams != NULL &&
                             pDispParams->cArgs == std::size(kOpenShowParameters) &&
                             pDispParams->rgvarg[2].vt == VT_BSTR
                         ? pDispParams->rgvarg[2].bstrVal
                         : NULL;
        return CDispatcher::Invoke(dispid, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                                   puArgErr);
    }

private:
    HRESULT Call(DISPID dispid, VARIANT* pVarResult, EXCEPINFO* pExcepInfo) override
    {
        if (dispid == DISPID_APP_QUIT) {
            // The bridge ends after this answer, whatever it is.
            QuitServer();
            if (g_session.m_hrGone != S_OK)
                return g_session.m_hrGone;
            BeginBridgeCall(kBridgeQuit);
            CLateFailure failure;
            return EndSession(&failure) ? S_OK : AnswerLauncher(failure, pExcepInfo);
        }
        if (g_session.m_hrGone != S_OK)
            return g_session.m_hrGone;
        // One lesson per bridge: a second open would lose the first's presentation.
        if (g_session.m_pApp.Get() != NULL)
            return RaiseFromBridge(pExcepInfo, "A presentation is already open");
        BeginBridgeCall(kBridgeOpen);
        CLateFailure failure;
        g_session.m_pShowWindow.Attach(OpenAndRun(m_bstrPath, &failure));
        if (g_session.m_pShowWindow.Get() == NULL)
            return AnswerLauncher(failure, pExcepInfo);
        if (pVarResult != NULL) {
            pVarResult->vt = VT_DISPATCH;
            pVarResult->pdispVal = new CBridgeShow;
        }
        return S_OK;
    }

    BSTR m_bstrPath = NULL;
};

static CClassFactory g_bridgeFactory(CreateInstanceOf<CBridgeApplication>);

IClassFactory* GetBridgeFactory()
{
    return &g_bridgeFactory;
}
