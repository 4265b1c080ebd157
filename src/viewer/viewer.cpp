// The viewer's automation contract: fixed DISPIDs, called late-bound as methods.
#include "viewer/viewer.h"

#include "log/event_log.h"

// Makes one call and logs its outcome; a failure goes on to the caller.
template <class Call>
static void LoggedCall(const COleDispatchDriver& driver, LPCSTR lpszObject, DISPID dispid,
                       Call call)
{
    if (driver.m_lpDispatch == NULL) {
        LogEvent("call", "%s %ld not made: no reference held", lpszObject, dispid);
        return;
    }
    try {
        call();
    } catch (const COleDispatchException& e) {
        LogEvent("call", "%s %ld raised 0x%08lX: %s", lpszObject, dispid,
                 static_cast<unsigned long>(e.m_scError), static_cast<LPCSTR>(e.m_strDescription));
        throw;
    } catch (const COleException& e) {
        LogEvent("call", "%s %ld failed: 0x%08lX", lpszObject, dispid,
                 static_cast<unsigned long>(e.m_sc));
        throw;
    }
    LogEvent("call", "%s %ld ok", lpszObject, dispid);
}

LPDISPATCH OpenShow(COleDispatchDriver& viewerApp, LPCSTR lpszPath)
{
    LPDISPATCH lpShow = NULL;
    LoggedCall(viewerApp, "app", DISPID_APP_OPEN_SHOW, [&] {
        viewerApp.InvokeHelper(DISPID_APP_OPEN_SHOW, DISPATCH_METHOD, VT_DISPATCH, &lpShow,
                               VTS_BSTR VTS_I4 VTS_I4, lpszPath, kOpenShowFirst, kOpenShowSecond);
    });
    return lpShow;
}

// The call failed because nobody answers any more, not because the viewer refused.
static BOOL IsViewerGone(SCODE sc)
{
    return sc == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
           sc == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || sc == RPC_E_DISCONNECTED ||
           sc == RPC_E_SERVER_DIED || sc == RPC_E_SERVER_DIED_DNE || sc == CO_E_OBJNOTCONNECTED;
}

void QuitViewer(COleDispatchDriver& viewerApp)
{
    try {
        LoggedCall(viewerApp, "app", DISPID_APP_QUIT, [&] {
            viewerApp.InvokeHelper(DISPID_APP_QUIT, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
        });
    } catch (const COleException& e) {
        if (!IsViewerGone(e.m_sc))
            throw;
    }
}

void RestartShow(COleDispatchDriver& show)
{
    LoggedCall(show, "show", DISPID_SHOW_END,
               [&] { show.InvokeHelper(DISPID_SHOW_END, DISPATCH_METHOD, VT_EMPTY, NULL, NULL); });
    LoggedCall(show, "show", DISPID_SHOW_RUN,
               [&] { show.InvokeHelper(DISPID_SHOW_RUN, DISPATCH_METHOD, VT_EMPTY, NULL, NULL); });
}
