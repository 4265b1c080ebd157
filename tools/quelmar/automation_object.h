// What the automation servers share: the server's life, its class factory, IDispatch's plumbing.
#pragma once

#include "owners.h"

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

// IUnknown for a static object that offers the one interface I, whose IID is riidOffered: it
// lives as long as the program, so its references are not counted.
template <class I, const IID& riidOffered> class CStaticObject : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (ppvObject == NULL)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != riidOffered) {
            *ppvObject = NULL;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<I*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// Gives a client the server's object: answers its riid interface in *ppvObject, which is NULL.
typedef HRESULT (*CREATEINSTANCEPROC)(REFIID riid, void** ppvObject);

// A new T, which starts with one reference, asked for riid; it goes again if that fails.
template <class T> HRESULT CreateInstanceOf(REFIID riid, void** ppvObject)
{
    CComOwner<T> object(new T);
    return object.Get()->QueryInterface(riid, ppvObject);
}

// The class factory of a server's one class. A static object: COM's references to it do not keep
// the server running, its clients' locks do.
class CClassFactory : public CStaticObject<IClassFactory, IID_IClassFactory> {
public:
    explicit CClassFactory(CREATEINSTANCEPROC pfnCreate) : m_pfnCreate(pfnCreate) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                             void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    CREATEINSTANCEPROC m_pfnCreate;
};

// IUnknown, and IDispatch with no type library, for an object that holds the server while it
// lives; the subclass finds and runs its members.
class CAutomationObject : public IDispatch {
public:
    CAutomationObject(const CAutomationObject&) = delete;
    CAutomationObject& operator=(const CAutomationObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;

protected:
    CAutomationObject();
    virtual ~CAutomationObject();

private:
    ULONG m_dwRef = 1;
};

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

// IDispatch by fixed DISPIDs. Invoke answers only calls that match one of the subclass's methods
// exactly (no coercion: the real viewer's callers pass these types), and journals every call it
// receives.
class CDispatcher : public CAutomationObject {
public:
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

protected:
    // lpszName is the object's name in the journal; pMethods lives as long as the program.
    CDispatcher(LPCSTR lpszName, const CMethod* pMethods, UINT nMethods);

    // Runs a call that matched one of the methods exactly; pVarResult, when given, is VT_EMPTY.
    virtual HRESULT Call(DISPID dispid, VARIANT* pVarResult, EXCEPINFO* pExcepInfo) = 0;

private:
    HRESULT Answer(DISPID dispid, REFIID riid, WORD wFlags, const DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
    const CMethod* FindMethod(DISPID dispid) const;

    LPCSTR m_lpszName;
    const CMethod* m_pMethods;
    UINT m_nMethods;
};

// Fills pExcepInfo (when given) and returns DISP_E_EXCEPTION, as a failed method must.
HRESULT Raise(EXCEPINFO* pExcepInfo, const std::string& strDescription);
