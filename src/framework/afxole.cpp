// OLE's entry points, looked up in their DLLs on first use.
#include "framework/afxole.h"

namespace lazyole {

// The address of one export, loading its DLL the first time; NULL when either is missing.
template <typename Fn> static Fn Bind(LPCSTR lpszDll, LPCSTR lpszName)
{
    HMODULE hModule = GetModuleHandleA(lpszDll);
    if (hModule == NULL)
        hModule = LoadLibraryA(lpszDll);
    return hModule
               ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hModule, lpszName)))
               : NULL;
}

#define LAZYOLE_BIND(dll, name) static const auto pfn = Bind<decltype(&::name)>(dll, #name)

HRESULT OleInitialize(LPVOID pvReserved)
{
    LAZYOLE_BIND("ole32.dll", OleInitialize);
    return pfn ? pfn(pvReserved) : E_FAIL;
}

void OleUninitialize()
{
    LAZYOLE_BIND("ole32.dll", OleUninitialize);
    if (pfn)
        pfn();
}

HRESULT CoRegisterMessageFilter(LPMESSAGEFILTER lpMessageFilter, LPMESSAGEFILTER* lplpMessageFilter)
{
    LAZYOLE_BIND("ole32.dll", CoRegisterMessageFilter);
    return pfn ? pfn(lpMessageFilter, lplpMessageFilter) : E_FAIL;
}

HRESULT CoAllowSetForegroundWindow(IUnknown* pUnk, LPVOID lpvReserved)
{
    LAZYOLE_BIND("ole32.dll", CoAllowSetForegroundWindow);
    return pfn ? pfn(pUnk, lpvReserved) : E_FAIL;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid)
{
    LAZYOLE_BIND("ole32.dll", CLSIDFromProgID);
    return pfn ? pfn(lpszProgID, lpclsid) : REGDB_E_CLASSNOTREG;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv)
{
    LAZYOLE_BIND("ole32.dll", CoCreateInstance);
    return pfn ? pfn(rclsid, pUnkOuter, dwClsContext, riid, ppv) : REGDB_E_CLASSNOTREG;
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch)
{
    LAZYOLE_BIND("oleaut32.dll", SysAllocStringLen);
    return pfn ? pfn(pch, cch) : NULL;
}

void SysFreeString(BSTR bstr)
{
    LAZYOLE_BIND("oleaut32.dll", SysFreeString);
    if (pfn)
        pfn(bstr);
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    LAZYOLE_BIND("oleaut32.dll", VariantClear);
    return pfn ? pfn(pvarg) : E_FAIL;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt)
{
    LAZYOLE_BIND("oleaut32.dll", VariantChangeType);
    return pfn ? pfn(pvargDest, pvarSrc, wFlags, vt) : DISP_E_TYPEMISMATCH;
}

} // namespace lazyole
