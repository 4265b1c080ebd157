// The viewer's external contract, shared by the launcher, the stand-in viewer, the test kit and
// the bench: its ProgID, its options key, its show window's class and its methods.
#pragma once

// The class key under HKEY_CLASSES_ROOT, and what CreateDispatch creates.
const char kViewerProgId[] = "PowerPointViewer.Application.8";
// The viewer's options under HKEY_CURRENT_USER, and its macro-virus protection option
// (REG_DWORD), which the launcher switches off for the lesson.
const char kOptionsKey[] = "Software\\Microsoft\\Office\\8.0\\PowerPoint\\Options";
const char kMacroProtectionValue[] = "MacroVirusProtection";
// The top-level window of a running slide show.
const char kShowWindowClass[] = "screenClass";

// Methods, every one invoked with DISPATCH_METHOD. On the application object:
// opens a presentation and runs its show: (path as VT_BSTR, kOpenShowFirst and
// kOpenShowSecond as VT_I4), answering the show object as VT_DISPATCH.
const long DISPID_APP_OPEN_SHOW = 2002;
const long kOpenShowFirst = 1;
const long kOpenShowSecond = 0;
// Ends the viewer; no arguments.
const long DISPID_APP_QUIT = 2003;
// On the show object, no arguments: stop it, then run it again from its first slide.
const long DISPID_SHOW_END = 2003;
const long DISPID_SHOW_RUN = 2002;
