// OLE's entry points, bound when first called: a later launch, which only hands a
// command over, then never loads ole32 and oleaut32 (a third of its start-up under Wine).
#pragma once

#include <ole2.h>

namespace lazyole {

HRESULT OleInitialize(LPVOID pvReserved);
void OleUninitialize();
HRESULT CoRegisterMessageFilter(LPMESSAGEFILTER lpMessageFilter,
                                LPMESSAGEFILTER* lplpMessageFilter);
HRESULT CoAllowSetForegroundWindow(IUnknown* pUnk, LPVOID lpvReserved);
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
void SysFreeString(BSTR bstr);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);

} // namespace lazyole
