// CNamedDispatcher: IDispatch reached by name, as PowerPoint's objects are, strict about each
// member's kind and its arguments' types and values; every call it receives is journalled.
#pragma once

#include "automation_object.h"

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

// An argument's type in the object model, and the VARIANT types that carry it.
enum EArgumentType {
    kArgString,   // String: VT_BSTR
    kArgInteger,  // Integer or Long: VT_I2 or VT_I4
    kArgIndex,    // a Variant index: VT_I2 or VT_I4 (a number from 1), or VT_BSTR (a name)
    kArgTriState, // MsoTriState: VT_I2, VT_I4 or VT_BOOL; msoTrue or msoFalse only
};

enum EMemberKind {
    kMethod,   // invoked with DISPATCH_METHOD
    kReadOnly, // a property read with DISPATCH_PROPERTYGET
    kReadWrite // also set with DISPATCH_PROPERTYPUT, its one argument's type the member's own
};

// A member of an object: its name (GetIDsOfNames ignores letter case), what it is, and its
// arguments in declared order, the first nRequired of them required. Its DISPID is its place in
// the object's table, from 1.
struct CMember {
    LPCSTR m_lpszName;
    EMemberKind m_nKind;
    std::vector<EArgumentType> m_arrArgs;
    UINT m_nRequired;
};

// An argument as the member receives it: given or left out; a number (a tri-state as -1 or 0)
// or a text.
struct CArgument {
    BOOL m_bGiven;
    LONG m_nValue;
    BSTR m_bstrText; // the caller's, valid during the call
};

// A failed call's EXCEPINFO, as PowerPoint raises its run-time errors: DISP_E_EXCEPTION.
HRESULT RaiseError(EXCEPINFO* pExcepInfo, const std::string& strDescription);
// A text for a VT_BSTR result.
BSTR MakeBstr(const std::string& strText);

class CNamedDispatcher : public CAutomationObject {
public:
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

protected:
    // lpszName is the object's name in the journal; members live as long as the program.
    CNamedDispatcher(LPCSTR lpszName, const std::vector<CMember>& arrMembers);

    // Runs a call that passed every check: nMember is the member's place in the table, bPut
    // tells a property's set from its read, arrArgs are in declared order (a set's value alone).
    // pVarResult, when given, is VT_EMPTY.
    virtual HRESULT Call(size_t nMember, BOOL bPut, const std::vector<CArgument>& arrArgs,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo) = 0;

private:
    HRESULT Answer(DISPID dispid, REFIID riid, WORD wFlags, const DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
    HRESULT ReadArguments(const CMember& member, BOOL bPut, const DISPPARAMS& params,
                          std::vector<CArgument>* parrArgs, EXCEPINFO* pExcepInfo,
                          UINT* puArgErr) const;

    LPCSTR m_lpszName;
    const std::vector<CMember>& m_arrMembers;
};
