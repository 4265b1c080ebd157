// The bridge's application object, under the viewer's class, and its show object: the viewer's
// four calls answered by driving PowerPoint.
#pragma once

#include <windows.h>

#include <ole2.h>

// The class factory COM is offered; it makes the application object.
IClassFactory* GetBridgeFactory();
// Ends the lesson's PowerPoint as the quit would, when the launcher went without quitting.
void EndPowerPointSession();
