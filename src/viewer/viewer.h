// The calls the lesson makes on the outside viewer's automation server.
#pragma once

#include "framework/afxdisp.h"
#include "viewer/viewer_contract.h"

// Opens the presentation and starts its show; the show object, or NULL when the
// viewer gave none. Raises when the viewer refuses.
LPDISPATCH OpenShow(COleDispatchDriver& viewerApp, LPCSTR lpszPath);

// Asks the viewer to end. Raises when the viewer refuses; a viewer that has
// gone already (killed, crashed) counts as ended.
void QuitViewer(COleDispatchDriver& viewerApp);

// Restarts the show from its first slide. Raises when the viewer refuses.
void RestartShow(COleDispatchDriver& show);
