// The server's lifetime count and the IDispatch plumbing the automation objects share.
#include "dispatcher.h"

#include "journal.h"

namespace {

ULONG g_holds = 0;
bool g_quitAsked = false;
const UINT kQuitGraceMs = 250;

void CALLBACK OnQuitGraceOver(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    // A client may have taken a new hold meanwhile; only an asked quit ignores it.
    if (g_quitAsked || g_holds == 0)
        PostQuitMessage(0);
}

void EndAfterGrace()
{
    if (SetTimer(nullptr, 0, kQuitGraceMs, OnQuitGraceOver) == 0)
        PostQuitMessage(0);
}

} // namespace

void HoldServer()
{
    ++g_holds;
}

void ReleaseServer()
{
    if (--g_holds == 0)
        EndAfterGrace();
}

void QuitServer()
{
    g_quitAsked = true;
    EndAfterGrace();
}

HRESULT Dispatcher::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IDispatch) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG Dispatcher::AddRef()
{
    return ++refs_;
}

ULONG Dispatcher::Release()
{
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Dispatcher::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT Dispatcher::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT Dispatcher::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids)
{
    for (UINT i = 0; ids && i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT Dispatcher::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    HRESULT hr = Answer(id, riid, flags, params, result, exception, argError);
    g_journal.WriteCall(name_, id, params, hr);
    return hr;
}

// A mismatch is refused by the first rule that applies, and never with an EXCEPINFO: only a
// method that ran and failed raises.
HRESULT Dispatcher::Answer(DISPID id, REFIID riid, WORD flags, const DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!params)
        return E_INVALIDARG;
    const Method* method = nullptr;
    for (UINT i = 0; i < methodCount_ && !method; ++i) {
        if (methods_[i].id == id)
            method = &methods_[i];
    }
    // Every member here is a method; no property can be read or set.
    if (!method || !(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (params->cArgs != method->count)
        return DISP_E_BADPARAMCOUNT;
    // rgvarg holds the arguments last first; argError names the first wrong one in rgvarg.
    for (UINT i = 0; i < method->count; ++i) {
        UINT at = method->count - 1 - i;
        if (params->rgvarg[at].vt != method->parameters[i].type) {
            if (argError)
                *argError = at;
            return DISP_E_TYPEMISMATCH;
        }
    }
    for (UINT i = 0; i < method->count; ++i) {
        const VARIANT& arg = params->rgvarg[method->count - 1 - i];
        if (arg.vt == VT_I4 && arg.lVal != method->parameters[i].value)
            return E_INVALIDARG;
    }
    if (result)
        VariantInit(result);
    return Call(id, result, exception);
}

HRESULT Raise(EXCEPINFO* exception, const std::string& description)
{
    if (exception) {
        *exception = EXCEPINFO{};
        int length = MultiByteToWideChar(CP_ACP, 0, description.data(),
                                         static_cast<int>(description.size()), nullptr, 0);
        exception->bstrDescription = SysAllocStringLen(nullptr, length);
        if (exception->bstrDescription)
            MultiByteToWideChar(CP_ACP, 0, description.data(), static_cast<int>(description.size()),
                                exception->bstrDescription, length);
        exception->bstrSource = SysAllocString(L"quelmar");
        exception->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

std::string ToAnsi(BSTR text)
{
    int wide = static_cast<int>(SysStringLen(text));
    int length = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string ansi(length, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wide, ansi.data(), length, nullptr, nullptr);
    return ansi;
}
