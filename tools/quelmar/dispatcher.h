// What the automation objects share: the server's lifetime count and IDispatch by fixed DISPIDs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// The server runs while objects or client locks exist, or until asked to quit. It ends a little
// after either: under Wine the answer to a call leaves from another thread once the method has
// returned, and exiting at once often cuts it off (the client sees RPC_S_CALL_FAILED).
void HoldServer();
void ReleaseServer();
void QuitServer();

// IUnknown and IDispatch without a type library; a subclass answers its DISPIDs in Call.
class Dispatcher : public IDispatch {
public:
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

protected:
    Dispatcher() { HoldServer(); }
    virtual ~Dispatcher() { ReleaseServer(); }

    // params has no named arguments; result, when given, is already VT_EMPTY.
    virtual HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) = 0;

private:
    ULONG refs_ = 1;
};

// Fills exception (when given) and returns DISP_E_EXCEPTION, as a failed method must.
HRESULT Raise(EXCEPINFO* exception, const std::string& description);

// Argument i in the caller's order (rgvarg holds them last first), coerced to type.
HRESULT GetArgument(const DISPPARAMS& params, UINT i, VARTYPE type, VARIANT* out, UINT* argError);

// ANSI (CP_ACP) from a BSTR, as the window title and the file name need it.
std::string ToAnsi(BSTR text);
