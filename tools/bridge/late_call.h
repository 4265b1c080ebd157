// Calls on PowerPoint's objects by name, with no type library: each member's DISPID is asked for
// by GetIDsOfNames, a rejected call is tried again within the launcher's call's limit.
#pragma once

#include "bridge_policy.h"

#include <windows.h>

#include <oleauto.h>

#include <string>

// What a failed call on PowerPoint said: its HRESULT, the exception's scode and reason.
struct CLateFailure {
    HRESULT m_hr = S_OK;
    SCODE m_scode = S_OK;
    std::string m_strReason;
};

// The launcher's process, once known: PowerPoint's rejections are not tried again for a client
// that has ended, so that the bridge ends with it.
void WatchClientForRetries(HANDLE hClient);
// Starts the launcher's call: the rejections of every call made on PowerPoint for it are tried
// again until that call's limit.
void BeginBridgeCall(BridgeCall call);

// Invokes lpszMember of pObject (a method, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT) with
// nArgs arguments in declared order; fills pResult when given. On a failure *pFailure says why.
BOOL CallByName(IDispatch* pObject, LPCWSTR lpszMember, WORD wFlags, const VARIANT* pArgs,
                UINT nArgs, VARIANT* pResult, CLateFailure* pFailure);

// Makes PowerPoint's rejections visible to the bridge's own loop on Windows too: the filter
// retries them within the same limit, and past it the call comes back rejected.
IMessageFilter* GetRetryFilter();
