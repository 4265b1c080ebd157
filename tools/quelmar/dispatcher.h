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

// One argument of a method: its exact type and, for VT_I4, the one value it may have.
struct Parameter {
    VARTYPE type;
    LONG value;
};
// The value of a parameter of any other type, never compared.
const LONG kUncheckedValue = 0;

// A method the object answers: its DISPID and its arguments in declared order.
struct Method {
    DISPID id;
    const Parameter* parameters;
    UINT count;
};

// IUnknown and IDispatch without a type library. Invoke answers only calls that match one of
// the subclass's methods exactly (no coercion: the real viewer's callers pass these types), and
// journals every call it receives.
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
    // name is the object's name in the journal; methods lives as long as the program.
    Dispatcher(const char* name, const Method* methods, UINT count)
        : name_(name), methods_(methods), methodCount_(count)
    {
        HoldServer();
    }
    virtual ~Dispatcher() { ReleaseServer(); }

    // Called only for a call that matches method id exactly; result, when given, is VT_EMPTY.
    virtual HRESULT Call(DISPID id, VARIANT* result, EXCEPINFO* exception) = 0;

private:
    HRESULT Answer(DISPID id, REFIID riid, WORD flags, const DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError);

    ULONG refs_ = 1;
    const char* name_;
    const Method* methods_;
    UINT methodCount_;
};

// Fills exception (when given) and returns DISP_E_EXCEPTION, as a failed method must.
HRESULT Raise(EXCEPINFO* exception, const std::string& description);

// ANSI (CP_ACP) from a BSTR, as the window title and the file name need it.
std::string ToAnsi(BSTR text);
