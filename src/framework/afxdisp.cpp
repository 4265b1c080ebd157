// COleDispatchDriver on IDispatch::Invoke.
#include "framework/afxdisp.h"

#include <stdarg.h>
#include <string.h>

#include "framework/afxlog.h"
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
    char szSystem[512] = "";
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                       static_cast<DWORD>(m_sc), 0, szSystem, sizeof(szSystem), NULL) == 0)
        return FALSE;
    strMessage = szSystem;
    return TRUE;
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
        AfxLog("viewer", "%s not created: 0x%08lX", lpszProgID, static_cast<unsigned long>(sc));
        if (pError != NULL)
            pError->m_sc = sc;
        return FALSE;
    }
    AfxLog("viewer", "%s created", lpszProgID);
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

// More than any call of the program passes.
static const size_t kMaxArgs = 8;

void COleDispatchDriver::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                      const char* pbParamInfo, ...)
{
    if (m_lpDispatch == NULL)
        return;

    // Arguments go into rgvarg last first; BSTRs made here are freed on every path.
    const size_t nArgs = pbParamInfo ? strlen(pbParamInfo) : 0;
    if (nArgs > kMaxArgs)
        throw COleException(DISP_E_BADPARAMCOUNT);
    VARIANTARG args[kMaxArgs];
    BSTR bstrs[kMaxArgs];
    size_t nBstrs = 0;
    va_list argList;
    va_start(argList, pbParamInfo);
    for (size_t i = 0; i < nArgs; ++i) {
        VARIANTARG& arg = args[nArgs - 1 - i];
        arg.vt = VT_EMPTY;
        arg.vt = static_cast<VARTYPE>(pbParamInfo[i]);
        switch (arg.vt) {
        case VT_I4:
            arg.lVal = va_arg(argList, long);
            break;
        case VT_BSTR: {
            LPCSTR lpsz = va_arg(argList, LPCSTR);
            int cch = MultiByteToWideChar(CP_ACP, 0, lpsz, -1, NULL, 0);
            arg.bstrVal = lazyole::SysAllocStringLen(NULL, cch > 0 ? cch - 1 : 0);
            if (arg.bstrVal != NULL && cch > 0)
                MultiByteToWideChar(CP_ACP, 0, lpsz, -1, arg.bstrVal, cch);
            bstrs[nBstrs++] = arg.bstrVal;
            break;
        }
        default:
            arg.vt = VT_EMPTY;
            break;
        }
    }
    va_end(argList);

    DISPPARAMS dispparams = {nArgs ? args : NULL, NULL, static_cast<UINT>(nArgs), 0};
    CVariantOwner result;
    EXCEPINFO excepInfo = {};
    UINT nArgErr = 0;
    SCODE sc = m_lpDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dispparams,
                                    vtRet == VT_EMPTY ? NULL : &result, &excepInfo, &nArgErr);
    for (size_t i = 0; i < nBstrs; ++i)
        lazyole::SysFreeString(bstrs[i]);

    if (FAILED(sc)) {
        if (sc != DISP_E_EXCEPTION)
            throw COleException(sc);
        if (excepInfo.pfnDeferredFillIn != NULL)
            excepInfo.pfnDeferredFillIn(&excepInfo);
        CString strDescription = NarrowBstr(excepInfo.bstrDescription);
        CString strSource = NarrowBstr(excepInfo.bstrSource);
        SCODE scError = excepInfo.scode != 0 ? excepInfo.scode : sc;
        lazyole::SysFreeString(excepInfo.bstrDescription);
        lazyole::SysFreeString(excepInfo.bstrSource);
        lazyole::SysFreeString(excepInfo.bstrHelpFile);
        throw COleDispatchException(strDescription, strSource, scError);
    }
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
