// The viewer's Application object, as COM hands it out by its class.
#pragma once

#include <windows.h>

#include <ole2.h>

#include "viewer/viewer_contract.h"

extern const CLSID kApplicationClsid;

// The class factory to register while the server runs; it lives as long as the process.
IClassFactory* ApplicationFactory();
