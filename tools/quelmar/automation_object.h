// CDispatcher, what the automation objects share: IDispatch by fixed DISPIDs, the server's life.
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

// The process of the client that activated the server (NULL when none is watched): a test's
// delays end early when it ends, as a viewer's pending call does when its client goes.
void SetClientProcess(HANDLE hClient);
// Waits dwMs, or until the client has ended.
void WaitUnlessClientEnds(DWORD dwMs);

// One argument of a method: its exact type and, for VT_I4, the one value it may have.
struct CParameter {
    VARTYPE m_vt;
    LONG m_nValue;
};
// The value of a parameter of any other type, never compared.
const LONG kUncheckedValue = 0;

// A method the object answers: its DISPID and its arguments in declared order.
struct CMethod {
    DISPID m_dispid;
    const CParameter* m_pParams;
    UINT m_nParams;
};

// IUnknown and IDispatch without a type library. Invoke answers only calls that match one of
// the subclass's methods exactly (no coercion: the real viewer's callers pass these types), and
// journals every call it receives.
class CDispatcher : public IDispatch {
public:
    CDispatcher(const CDispatcher&) = delete;
    CDispatcher& operator=(const CDispatcher&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

protected:
    // lpszName is the object's name in the journal; pMethods lives as long as the program.
    CDispatcher(LPCSTR lpszName, const CMethod* pMethods, UINT nMethods);
    virtual ~CDispatcher();

    // Runs a call that matched one of the methods exactly; pVarResult, when given, is VT_EMPTY.
    virtual HRESULT Call(DISPID dispid, VARIANT* pVarResult, EXCEPINFO* pExcepInfo) = 0;

private:
    HRESULT Answer(DISPID dispid, REFIID riid, WORD wFlags, const DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
    const CMethod* FindMethod(DISPID dispid) const;

    ULONG m_dwRef = 1;
    LPCSTR m_lpszName;
    const CMethod* m_pMethods;
    UINT m_nMethods;
};

// Fills pExcepInfo (when given) and returns DISP_E_EXCEPTION, as a failed method must.
HRESULT Raise(EXCEPINFO* pExcepInfo, const std::string& strDescription);
