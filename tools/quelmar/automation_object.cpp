// The server's lifetime count, its class factory and the IDispatch plumbing its objects share.
#include "automation_object.h"

#include "journal.h"

static ULONG g_nHolds = 0;
static BOOL g_bQuitAsked = FALSE;
static const UINT kQuitGraceMs = 250;

static void CALLBACK OnQuitGraceOver(HWND, UINT, UINT_PTR nIDEvent, DWORD)
{
    KillTimer(NULL, nIDEvent);
    // A client may have taken a new hold meanwhile; only an asked quit ignores it.
    if (g_bQuitAsked || g_nHolds == 0)
        PostQuitMessage(0);
}

static void EndAfterGrace()
{
    if (SetTimer(NULL, 0, kQuitGraceMs, OnQuitGraceOver) == 0)
        PostQuitMessage(0);
}

static HANDLE g_hClient;

void SetClientProcess(HANDLE hClient)
{
    g_hClient = hClient;
}

void WaitUnlessClientEnds(DWORD dwMs)
{
    if (g_hClient == NULL)
        Sleep(dwMs);
    else
        WaitForSingleObject(g_hClient, dwMs);
}

void HoldServer()
{
    ++g_nHolds;
}

void ReleaseServer()
{
    if (--g_nHolds == 0)
        EndAfterGrace();
}

void QuitServer()
{
    g_bQuitAsked = TRUE;
    EndAfterGrace();
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject)
{
    if (ppvObject == NULL)
        return E_POINTER;
    *ppvObject = NULL;
    if (pUnkOuter != NULL)
        return CLASS_E_NOAGGREGATION;
    return m_pfnCreate(riid, ppvObject);
}

HRESULT CClassFactory::LockServer(BOOL fLock)
{
    if (fLock)
        HoldServer();
    else
        ReleaseServer();
    return S_OK;
}

CAutomationObject::CAutomationObject()
{
    HoldServer();
}

CAutomationObject::~CAutomationObject()
{
    ReleaseServer();
}

HRESULT CAutomationObject::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == NULL)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IDispatch) {
        *ppvObject = NULL;
        return E_NOINTERFACE;
    }
    *ppvObject = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG CAutomationObject::AddRef()
{
    return ++m_dwRef;
}

ULONG CAutomationObject::Release()
{
    ULONG dwRef = --m_dwRef;
    if (dwRef == 0)
        delete this;
    return dwRef;
}

HRESULT CAutomationObject::GetTypeInfoCount(UINT* pctinfo)
{
    if (pctinfo == NULL)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT CAutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo != NULL)
        *ppTInfo = NULL;
    return DISP_E_BADINDEX;
}

CDispatcher::CDispatcher(LPCSTR lpszName, const CMethod* pMethods, UINT nMethods)
    : m_lpszName(lpszName), m_pMethods(pMethods), m_nMethods(nMethods)
{
}

HRESULT CDispatcher::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId)
{
    for (UINT i = 0; rgDispId != NULL && i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CDispatcher::Invoke(DISPID dispid, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                            VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    HRESULT hr = Answer(dispid, riid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    g_journal.WriteCall(m_lpszName, dispid, pDispParams, hr);
    return hr;
}

// Every type first, then the values, so that a wrong type is reported before any wrong value.
// rgvarg holds the arguments last first; *puArgErr names the first wrong one in rgvarg.
static HRESULT CheckArguments(const CMethod& method, const DISPPARAMS& params, UINT* puArgErr)
{
    for (UINT i = 0; i < method.m_nParams; ++i) {
        UINT nAt = method.m_nParams - 1 - i;
        if (params.rgvarg[nAt].vt != method.m_pParams[i].m_vt) {
            if (puArgErr != NULL)
                *puArgErr = nAt;
            return DISP_E_TYPEMISMATCH;
        }
    }
    for (UINT i = 0; i < method.m_nParams; ++i) {
        const VARIANT& var = params.rgvarg[method.m_nParams - 1 - i];
        if (var.vt == VT_I4 && var.lVal != method.m_pParams[i].m_nValue)
            return E_INVALIDARG;
    }
    return S_OK;
}

// A mismatch is refused by the first rule that applies, and never with an EXCEPINFO: only a
// method that ran and failed raises.
HRESULT CDispatcher::Answer(DISPID dispid, REFIID riid, WORD wFlags, const DISPPARAMS* pDispParams,
                            VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == NULL)
        return E_INVALIDARG;
    const CMethod* pMethod = FindMethod(dispid);
    // Every member here is a method; no property can be read or set.
    if (pMethod == NULL || !(wFlags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (pDispParams->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (pDispParams->cArgs != pMethod->m_nParams)
        return DISP_E_BADPARAMCOUNT;
    HRESULT hr = CheckArguments(*pMethod, *pDispParams, puArgErr);
    if (FAILED(hr))
        return hr;
    if (pVarResult != NULL)
        VariantInit(pVarResult);
    return Call(dispid, pVarResult, pExcepInfo);
}

const CMethod* CDispatcher::FindMethod(DISPID dispid) const
{
    for (UINT i = 0; i < m_nMethods; ++i) {
        if (m_pMethods[i].m_dispid == dispid)
            return &m_pMethods[i];
    }
    return NULL;
}

HRESULT Raise(EXCEPINFO* pExcepInfo, const std::string& strDescription)
{
    if (pExcepInfo == NULL)
        return DISP_E_EXCEPTION;
    *pExcepInfo = EXCEPINFO{};
    int cch = MultiByteToWideChar(CP_ACP, 0, strDescription.data(),
                                  static_cast<int>(strDescription.size()), NULL, 0);
    pExcepInfo->bstrDescription = SysAllocStringLen(NULL, cch);
    if (pExcepInfo->bstrDescription != NULL)
        MultiByteToWideChar(CP_ACP, 0, strDescription.data(),
                            static_cast<int>(strDescription.size()), pExcepInfo->bstrDescription,
                            cch);
    pExcepInfo->bstrSource = SysAllocString(L"quelmar");
    pExcepInfo->scode = E_FAIL;
    return DISP_E_EXCEPTION;
}
