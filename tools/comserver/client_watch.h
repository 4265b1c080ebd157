// The client watch every single-use server of ours keeps: Wine never reclaims a local server
// whose client has died, and the launcher never releases what it holds, so the server also ends
// with its client.
#pragma once

#include <windows.h>

// The activating client, opened to wait on, or NULL when it cannot be known (see the source).
HANDLE OpenParentProcess();
// Runs until WM_QUIT, or until the client process has ended when there is one to watch.
void RunMessageLoop(HANDLE hClient);
