// The viewer's automation contract: fixed DISPIDs, called late-bound as methods.
#include "viewer/viewer.h"

const char kViewerProgId[] = "PowerPointViewer.Application.8";
const char kShowWindowClass[] = "screenClass";

// On the application object.
static const DISPID DISPID_APP_OPEN_SHOW = 2002;
static const DISPID DISPID_APP_QUIT = 2003;
// On the show object.
static const DISPID DISPID_SHOW_RUN = 2002;
static const DISPID DISPID_SHOW_END = 2003;

LPDISPATCH OpenShow(COleDispatchDriver& viewerApp, LPCSTR lpszPath)
{
    LPDISPATCH lpShow = NULL;
    viewerApp.InvokeHelper(DISPID_APP_OPEN_SHOW, DISPATCH_METHOD, VT_DISPATCH, &lpShow,
                           VTS_BSTR VTS_I4 VTS_I4, lpszPath, 1L, 0L);
    return lpShow;
}

// The call failed because nobody answers any more, not because the viewer refused.
static bool IsViewerGone(SCODE sc)
{
    return sc == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
           sc == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || sc == RPC_E_DISCONNECTED ||
           sc == RPC_E_SERVER_DIED || sc == RPC_E_SERVER_DIED_DNE || sc == CO_E_OBJNOTCONNECTED;
}

void QuitViewer(COleDispatchDriver& viewerApp)
{
    try {
        viewerApp.InvokeHelper(DISPID_APP_QUIT, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
    } catch (const COleException& e) {
        if (!IsViewerGone(e.m_sc))
            throw;
    }
}

void RestartShow(COleDispatchDriver& show)
{
    show.InvokeHelper(DISPID_SHOW_END, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
    show.InvokeHelper(DISPID_SHOW_RUN, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
}
