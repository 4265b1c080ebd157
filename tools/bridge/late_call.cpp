// The late-bound calls on PowerPoint and their retries: in the bridge's own loop, since Wine
// never calls a message filter's RetryRejectedCall, and through the filter where Windows does.
#include "late_call.h"

#include "ansi_text.h"
#include "automation_object.h"

#include <algorithm>
#include <vector>

static DWORD g_dwCallStart;
static uint32_t g_nLimitMs;
static HANDLE g_hClient;

void WatchClientForRetries(HANDLE hClient)
{
    g_hClient = hClient;
}

static BOOL HasClientEnded(DWORD dwWaitMs)
{
    if (g_hClient == NULL) {
        Sleep(dwWaitMs);
        return FALSE;
    }
    return WaitForSingleObject(g_hClient, dwWaitMs) == WAIT_OBJECT_0;
}

void BeginBridgeCall(BridgeCall call)
{
    g_dwCallStart = GetTickCount();
    g_nLimitMs = RetryLimitMs(call);
}

// The wait before trying hr again, or -1 to give up.
static int32_t NextRetry(HRESULT hr)
{
    return HasClientEnded(0) ? -1 : RetryDelayMs(hr, GetTickCount() - g_dwCallStart, g_nLimitMs);
}

static void TakeException(EXCEPINFO* pExcepInfo, CLateFailure* pFailure)
{
    if (pExcepInfo->pfnDeferredFillIn != NULL)
        pExcepInfo->pfnDeferredFillIn(pExcepInfo);
    pFailure->m_scode = pExcepInfo->scode != 0
                            ? pExcepInfo->scode
                            : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, pExcepInfo->wCode);
    if (pExcepInfo->bstrDescription != NULL)
        pFailure->m_strReason = ToAnsi(pExcepInfo->bstrDescription);
    SysFreeString(pExcepInfo->bstrSource);
    SysFreeString(pExcepInfo->bstrDescription);
    SysFreeString(pExcepInfo->bstrHelpFile);
    *pExcepInfo = EXCEPINFO{};
}

BOOL CallByName(IDispatch* pObject, LPCWSTR lpszMember, WORD wFlags, const VARIANT* pArgs,
                UINT nArgs, VARIANT* pResult, CLateFailure* pFailure)
{
    // rgvarg holds the arguments last first; a property's new value is its named argument.
    std::vector<VARIANT> args(pArgs, pArgs + nArgs);
    std::reverse(args.begin(), args.end());
    DISPID dispidPut = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args.data(), NULL, nArgs, 0};
    if (wFlags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &dispidPut;
        params.cNamedArgs = 1;
    }
    *pFailure = CLateFailure{};
    HRESULT hr;
    for (;;) {
        LPOLESTR lpszName = const_cast<LPOLESTR>(lpszMember);
        DISPID dispid = DISPID_UNKNOWN;
        EXCEPINFO excepInfo = {};
        hr = pObject->GetIDsOfNames(IID_NULL, &lpszName, 1, LOCALE_USER_DEFAULT, &dispid);
        if (SUCCEEDED(hr)) {
            if (pResult != NULL)
                VariantClear(pResult);
            hr = pObject->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, pResult,
                                 &excepInfo, NULL);
        }
        if (hr == DISP_E_EXCEPTION)
            TakeException(&excepInfo, pFailure);
        int32_t nDelay = NextRetry(hr);
        if (nDelay < 0 || HasClientEnded(static_cast<DWORD>(nDelay)))
            break;
    }
    if (SUCCEEDED(hr))
        return TRUE;
    pFailure->m_hr = hr;
    if (pFailure->m_strReason.empty())
        pFailure->m_strReason =
            "PowerPoint's " + ToAnsi(lpszMember, lstrlenW(lpszMember)) + " failed";
    return FALSE;
}

// A static object, as COM keeps it for the apartment's life.
class CRetryFilter : public CStaticObject<IMessageFilter, IID_IMessageFilter> {
public:
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override
    {
        return static_cast<DWORD>(NextRetry(RPC_E_CALL_REJECTED));
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override
    {
        return PENDINGMSG_WAITDEFPROCESS;
    }
};

static CRetryFilter g_retryFilter;

IMessageFilter* GetRetryFilter()
{
    return &g_retryFilter;
}
