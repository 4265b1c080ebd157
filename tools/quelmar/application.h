// The viewer's Application object, as COM activates it: its class id and its class factory.
#pragma once

#include <windows.h>

#include <ole2.h>

// quelmar's own class id; the ProgID that leads to it is the real viewer's.
extern const CLSID kApplicationClsid;

// The class factory to register while the server runs; it lives as long as the process.
IClassFactory* GetApplicationFactory();

// The process of the client that activated the server (NULL when none is watched): a test's
// delays end early when it ends, as a viewer's pending call does when its client goes.
void SetClientProcess(HANDLE hClient);
// Waits dwMs, or until the event (when given) is set, or until the client has ended.
void WaitUnlessClientEnds(DWORD dwMs, HANDLE hEvent = NULL);
