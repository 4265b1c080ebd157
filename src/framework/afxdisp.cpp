// COleDispatchDriver on IDispatch::Invoke.
#include "framework/afxdisp.h"

#include <stdarg.h>
#include <string.h>

#include "framework/handles.h"

static CString NarrowBstr(BSTR bstr)
{
    CString str;
    if (bstr == NULL)
        return str;
    int cb = WideCharToMultiByte(CP_ACP, 0, bstr, -1, NULL, 0, NULL, NULL);
    char* psz = cb > 1 ? str.GetBuffer(cb - 1) : NULL;
    if (psz != NULL) {
        WideCharToMultiByte(CP_ACP, 0, bstr, -1, psz, cb, NULL, NULL);
        str.ReleaseBuffer();
    }
    return str;
}

BOOL COleException::GetErrorMessage(CString& strMessage) const
{
    return GetSystemMessage(static_cast<DWORD>(m_sc), strMessage);
}

BOOL COleDispatchException::GetErrorMessage(CString& strMessage) const
{
    if (m_strDescription.IsEmpty())
        return FALSE;
    strMessage = m_strDescription;
    return TRUE;
}

BOOL COleDispatchDriver::CreateDispatch(LPCSTR lpszProgID, COleException* pError)
{
    ReleaseDispatch();
    WCHAR wszProgID[256];
    if (MultiByteToWideChar(CP_ACP, 0, lpszProgID, -1, wszProgID, 256) == 0)
        return FALSE;
    CLSID clsid;
    SCODE sc = lazyole::CLSIDFromProgID(wszProgID, &clsid);
    LPDISPATCH lpDispatch = NULL;
    if (SUCCEEDED(sc))
        sc = lazyole::CoCreateInstance(clsid, NULL, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                       IID_IDispatch, reinterpret_cast<void**>(&lpDispatch));
    if (FAILED(sc)) {
        if (pError != NULL)
            pError->m_sc = sc;
        SetLastError(static_cast<DWORD>(sc));
        return FALSE;
    }
    AttachDispatch(lpDispatch, TRUE);
    return TRUE;
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease)
{
    ReleaseDispatch();
    m_lpDispatch = lpDispatch;
    m_bAutoRelease = bAutoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch()
{
    LPDISPATCH lpDispatch = m_lpDispatch;
    m_lpDispatch = NULL;
    return lpDispatch;
}

void COleDispatchDriver::ReleaseDispatch()
{
    if (m_lpDispatch != NULL && m_bAutoRelease)
        m_lpDispatch->Release();
    m_lpDispatch = NULL;
}

// The arguments of one call, in rgvarg's order (last first); the BSTRs made for
// them are freed on every path.
class CDispArguments {
public:
    // More than any call of the program passes.
    static const UINT kMaxArgs = 8;

    CDispArguments(const char* pbParamInfo, va_list argList)
        : m_nArgs(pbParamInfo ? static_cast<UINT>(strlen(pbParamInfo)) : 0)
    {
        if (m_nArgs > kMaxArgs)
            throw COleException(DISP_E_BADPARAMCOUNT);
        for (UINT i = 0; i < m_nArgs; ++i) {
            VARIANTARG& arg = m_args[m_nArgs - 1 - i];
            arg.vt = static_cast<VARTYPE>(pbParamInfo[i]);
            if (arg.vt == VT_I4)
                arg.lVal = va_arg(argList, long);
            else if (arg.vt == VT_BSTR)
                arg.bstrVal = WidenBstr(va_arg(argList, LPCSTR));
            else
                arg.vt = VT_EMPTY;
        }
    }
    ~CDispArguments()
    {
        for (UINT i = 0; i < m_nArgs; ++i) {
            if (m_args[i].vt == VT_BSTR)
                lazyole::SysFreeString(m_args[i].bstrVal);
        }
    }
    CDispArguments(const CDispArguments&) = delete;
    CDispArguments& operator=(const CDispArguments&) = delete;

    DISPPARAMS Params() { return {m_nArgs ? m_args : NULL, NULL, m_nArgs, 0}; }

private:
    static BSTR WidenBstr(LPCSTR lpsz)
    {
        int cch = MultiByteToWideChar(CP_ACP, 0, lpsz, -1, NULL, 0);
        BSTR bstr = lazyole::SysAllocStringLen(NULL, cch > 0 ? cch - 1 : 0);
        if (bstr != NULL && cch > 0)
            MultiByteToWideChar(CP_ACP, 0, lpsz, -1, bstr, cch);
        return bstr;
    }
    UINT m_nArgs;
    VARIANTARG m_args[kMaxArgs];
};

// A failed Invoke as the framework raises it: the server's own exception with its
// description, or the bare failure.
[[noreturn]] static void ThrowInvokeFailure(SCODE sc, EXCEPINFO& excepInfo)
{
    if (sc != DISP_E_EXCEPTION)
        throw COleException(sc);
    if (excepInfo.pfnDeferredFillIn != NULL)
        excepInfo.pfnDeferredFillIn(&excepInfo);
    CString strDescription = NarrowBstr(excepInfo.bstrDescription);
    SCODE scError = excepInfo.scode != 0 ? excepInfo.scode : sc;
    lazyole::SysFreeString(excepInfo.bstrDescription);
    lazyole::SysFreeString(excepInfo.bstrSource);
    lazyole::SysFreeString(excepInfo.bstrHelpFile);
    throw COleDispatchException(strDescription, scError);
}

void COleDispatchDriver::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                      const char* pbParamInfo, ...)
{
    if (m_lpDispatch == NULL)
        return;
    va_list argList;
    va_start(argList, pbParamInfo);
    CDispArguments args(pbParamInfo, argList);
    va_end(argList);

    DISPPARAMS dispparams = args.Params();
    CVariantOwner result;
    EXCEPINFO excepInfo = {};
    UINT nArgErr = 0;
    SCODE sc = m_lpDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dispparams,
                                    vtRet == VT_EMPTY ? NULL : &result.Get(), &excepInfo, &nArgErr);
    if (FAILED(sc))
        ThrowInvokeFailure(sc, excepInfo);
    if (vtRet == VT_EMPTY)
        return;
    if (result.Get().vt != vtRet) {
        sc = lazyole::VariantChangeType(&result.Get(), &result.Get(), 0, vtRet);
        if (FAILED(sc))
            throw COleException(sc);
    }
    if (vtRet == VT_DISPATCH) {
        // The caller takes over the reference.
        *static_cast<LPDISPATCH*>(pvRet) = result.Get().pdispVal;
        result.Get().vt = VT_EMPTY;
    }
}
