// IDispatch by name with the object model's strictness, and the journal of every call.
#include "named_dispatch.h"

#include "ansi_text.h"
#include "automation_object.h"
#include "journal.h"
#include "viewer/powerpoint_contract.h"

HRESULT RaiseError(EXCEPINFO* pExcepInfo, const std::string& strDescription)
{
    HRESULT hr = Raise(pExcepInfo, strDescription);
    if (pExcepInfo != NULL) {
        SysFreeString(pExcepInfo->bstrSource);
        pExcepInfo->bstrSource = SysAllocString(L"PowerPoint stand-in");
    }
    return hr;
}

BSTR MakeBstr(const std::string& strText)
{
    int cch =
        MultiByteToWideChar(CP_ACP, 0, strText.data(), static_cast<int>(strText.size()), NULL, 0);
    BSTR bstr = SysAllocStringLen(NULL, cch);
    if (bstr != NULL)
        MultiByteToWideChar(CP_ACP, 0, strText.data(), static_cast<int>(strText.size()), bstr, cch);
    return bstr;
}

CNamedDispatcher::CNamedDispatcher(LPCSTR lpszName, const std::vector<CMember>& arrMembers)
    : m_lpszName(lpszName), m_arrMembers(arrMembers)
{
}

// The member's DISPID; its arguments have no names here, so asking for them fails.
HRESULT CNamedDispatcher::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                        DISPID* rgDispId)
{
    if (rgszNames == NULL || rgDispId == NULL || cNames == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    const std::string strName = ToAnsi(rgszNames[0], lstrlenW(rgszNames[0]));
    for (size_t i = 0; i < m_arrMembers.size(); ++i) {
        if (lstrcmpiA(strName.c_str(), m_arrMembers[i].m_lpszName) == 0)
            rgDispId[0] = static_cast<DISPID>(i + 1);
    }
    g_journal.WriteLine(std::string(m_lpszName) + " GetIDsOfNames " + strName +
                        (rgDispId[0] == DISPID_UNKNOWN ? " -> unknown" : " -> ok"));
    return rgDispId[0] == DISPID_UNKNOWN || cNames > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT CNamedDispatcher::Invoke(DISPID dispid, REFIID riid, LCID, WORD wFlags,
                                 DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                 EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    HRESULT hr = Answer(dispid, riid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    const BOOL bKnown = dispid >= 1 && static_cast<size_t>(dispid) <= m_arrMembers.size();
    std::string strMember =
        bKnown ? m_arrMembers[dispid - 1].m_lpszName : "DISPID" + std::to_string(dispid);
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        strMember += "=";
    g_journal.WriteCall(m_lpszName, strMember, pDispParams, hr);
    if (hr == DISP_E_EXCEPTION && pExcepInfo != NULL && pExcepInfo->bstrDescription != NULL)
        g_journal.WriteLine("  " + ToAnsi(pExcepInfo->bstrDescription));
    return hr;
}

// Whether the VARIANT carries the argument's type.
static BOOL IsOfType(const VARIANT& var, EArgumentType nType)
{
    switch (nType) {
    case kArgString:
        return var.vt == VT_BSTR;
    case kArgInteger:
        return var.vt == VT_I2 || var.vt == VT_I4;
    case kArgIndex:
        return var.vt == VT_I2 || var.vt == VT_I4 || var.vt == VT_BSTR;
    case kArgTriState:
        return var.vt == VT_I2 || var.vt == VT_I4 || var.vt == VT_BOOL;
    }
    return FALSE;
}

static LONG GetNumber(const VARIANT& var)
{
    return var.vt == VT_I4     ? var.lVal
           : var.vt == VT_I2   ? var.iVal
           : var.vt == VT_BOOL ? var.boolVal
                               : 0;
}

// An optional argument left out comes as VT_ERROR DISP_E_PARAMNOTFOUND.
static BOOL IsMissing(const VARIANT& var)
{
    return var.vt == VT_ERROR && var.scode == DISP_E_PARAMNOTFOUND;
}

// Every type first, then the values, so that a wrong type is reported before any wrong value;
// rgvarg holds the arguments last first, and *puArgErr names a wrong one's place there.
HRESULT CNamedDispatcher::ReadArguments(const CMember& member, BOOL bPut, const DISPPARAMS& params,
                                        std::vector<CArgument>* parrArgs, EXCEPINFO* pExcepInfo,
                                        UINT* puArgErr) const
{
    // A property's read takes no argument; its set takes the one value.
    const size_t nDeclared = bPut ? 1 : member.m_nKind == kMethod ? member.m_arrArgs.size() : 0;
    const size_t nRequired = bPut ? 1 : member.m_nKind == kMethod ? member.m_nRequired : 0;
    if (params.cArgs > nDeclared)
        return DISP_E_BADPARAMCOUNT;
    for (size_t i = 0; i < nDeclared; ++i) {
        const UINT nAt = params.cArgs - 1 - static_cast<UINT>(i);
        const BOOL bGiven = i < params.cArgs && !IsMissing(params.rgvarg[nAt]);
        if (!bGiven && i < nRequired)
            return DISP_E_PARAMNOTOPTIONAL;
        if (bGiven && !IsOfType(params.rgvarg[nAt], member.m_arrArgs[i])) {
            if (puArgErr != NULL)
                *puArgErr = nAt;
            return DISP_E_TYPEMISMATCH;
        }
        const VARIANT* pVar = bGiven ? &params.rgvarg[nAt] : NULL;
        parrArgs->push_back({bGiven, pVar != NULL ? GetNumber(*pVar) : 0,
                             pVar != NULL && pVar->vt == VT_BSTR ? pVar->bstrVal : NULL});
    }
    for (size_t i = 0; i < nDeclared; ++i) {
        const CArgument& arg = (*parrArgs)[i];
        if (member.m_arrArgs[i] != kArgTriState || !arg.m_bGiven || arg.m_nValue == kMsoTrue ||
            arg.m_nValue == kMsoFalse)
            continue;
        return RaiseError(pExcepInfo, std::string(m_lpszName) + "." + member.m_lpszName + ": " +
                                          (arg.m_nValue == 1 ? "msoCTrue is not supported"
                                                             : "the value is out of range"));
    }
    return S_OK;
}

// A call that does not fit is refused by the first rule that applies.
HRESULT CNamedDispatcher::Answer(DISPID dispid, REFIID riid, WORD wFlags,
                                 const DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                 EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == NULL)
        return E_INVALIDARG;
    if (dispid < 1 || static_cast<size_t>(dispid) > m_arrMembers.size())
        return DISP_E_MEMBERNOTFOUND;
    const CMember& member = m_arrMembers[dispid - 1];
    const BOOL bPut = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const WORD wNeeded = member.m_nKind == kMethod ? DISPATCH_METHOD : DISPATCH_PROPERTYGET;
    if (bPut ? member.m_nKind != kReadWrite : !(wFlags & wNeeded))
        return DISP_E_MEMBERNOTFOUND;
    // A property's new value is the one named argument there may be.
    const UINT nNamed = bPut ? 1 : 0;
    if (pDispParams->cNamedArgs != nNamed ||
        (bPut && pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return bPut ? DISP_E_PARAMNOTOPTIONAL : DISP_E_NONAMEDARGS;
    std::vector<CArgument> arrArgs;
    HRESULT hr = ReadArguments(member, bPut, *pDispParams, &arrArgs, pExcepInfo, puArgErr);
    if (FAILED(hr))
        return hr;
    if (pVarResult != NULL)
        VariantInit(pVarResult);
    return Call(static_cast<size_t>(dispid - 1), bPut, arrArgs, pVarResult, pExcepInfo);
}
