// The viewer's Application object, as COM activates it: its class id and its class factory.
#pragma once

#include <windows.h>

#include <ole2.h>

// quelmar's own class id; the ProgID that leads to it is the real viewer's.
extern const CLSID kApplicationClsid;

// The class factory to register while the server runs; it lives as long as the process.
IClassFactory* GetApplicationFactory();
