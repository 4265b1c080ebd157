// COleDispatchDriver: late-bound calls on one automation object, failures raised as exceptions.
#pragma once

#include <ole2.h>

#include "framework/afxwin.h"

// Parameter type strings for InvokeHelper, one byte per parameter.
#define VTS_I4 "\x03"
#define VTS_BSTR "\x08"

// An automation call failed without a description of the server's own.
class COleException : public CException {
public:
    explicit COleException(SCODE sc) : m_sc(sc) {}
    BOOL GetErrorMessage(CString& strMessage) const override;
    SCODE m_sc;
};

// The server raised an exception: its description travels with it.
class COleDispatchException : public CException {
public:
    COleDispatchException(LPCSTR lpszDescription, SCODE sc)
        : m_strDescription(lpszDescription), m_scError(sc)
    {
    }
    BOOL GetErrorMessage(CString& strMessage) const override;
    CString m_strDescription;
    SCODE m_scError;
};

class COleDispatchDriver {
public:
    COleDispatchDriver() = default;
    ~COleDispatchDriver() { ReleaseDispatch(); }
    COleDispatchDriver(const COleDispatchDriver&) = delete;
    COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;

    // Creates the object the ProgID names and holds it with auto-release on. On
    // failure, FALSE, and GetLastError gives the failure's code.
    BOOL CreateDispatch(LPCSTR lpszProgID, COleException* pError = NULL);
    void AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);
    // Forgets the reference without releasing it.
    LPDISPATCH DetachDispatch();
    // Releases the reference when auto-release is on, and forgets it in any case.
    void ReleaseDispatch();

    // Calls by DISPID with the parameters that pbParamInfo lists (VTS_...), and
    // stores a result of type vtRet (VT_EMPTY: none; VT_DISPATCH: an LPDISPATCH).
    // Raises on failure; does nothing when no reference is held.
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                      const char* pbParamInfo, ...);

    LPDISPATCH m_lpDispatch = NULL;
    BOOL m_bAutoRelease = TRUE;
};
