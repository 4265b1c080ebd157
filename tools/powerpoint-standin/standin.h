// powerpoint-standin.exe: a stand-in of today's PowerPoint for the tests and the demo, an
// out-of-process automation server under "PowerPoint.Application".
//
// It answers, by name and with no type library, the part of PowerPoint's published object model
// that the bridge uses, as strictly as quelmar answers the viewer's contract:
//   Application        Presentations, Visible (MsoTriState), Version ("16.0"), Quit()
//   Presentations      Count, Item(Index), Open(FileName, [ReadOnly], [Untitled], [WithWindow])
//   Presentation       FullName, Saved (MsoTriState), Close(), SlideShowSettings, SlideShowWindow
//   SlideShowSettings  ShowType (PpSlideShowType 1-3), ShowPresenterView (MsoTriState), Run()
//   SlideShowWindow    HWND, View
//   SlideShowView      GotoSlide(Index, [ResetSlide]), First(), Exit(), CurrentShowPosition
// An unknown name answers DISP_E_UNKNOWNNAME; a property is read with DISPATCH_PROPERTYGET and
// set with DISPATCH_PROPERTYPUT (a method with DISPATCH_METHOD), or DISP_E_MEMBERNOTFOUND; an
// argument of another type DISP_E_TYPEMISMATCH with puArgErr; a required one left out
// DISP_E_PARAMNOTOPTIONAL; a named argument other than a set's value DISP_E_NONAMEDARGS. An
// MsoTriState is taken as VT_I2, VT_I4 or VT_BOOL, msoTrue or msoFalse only: msoCTrue (1, "not
// supported") and any other value raise, as does a call on a closed presentation or on a show
// that has ended. A run-time error is DISP_E_EXCEPTION with its description. Open reads only a
// real lesson (a PowerPoint 97-2003 file), with quelmar's reader; WithWindow defaults to msoTrue;
// an Untitled presentation's FullName is "Presentation<n>".
//
// One instance per session: its class is registered multiple-use, so a second CreateObject
// attaches to the running one, and its Application is in the running object table. It ends on
// Quit, whatever references remain. Started by hand, as a user starts PowerPoint
// (powerpoint-standin.exe ["<presentation>"]), it is visible and opens that presentation with a
// window; closing its main window then gives it up.
//
// Its windows: a "PPTFrameClass" main window while the application is visible or a presentation
// is open with a window; a show in a "screenClass" window drawn as quelmar draws a real lesson
// (push-button children labelled with the shapes' texts; a click elsewhere or the right arrow
// pages on, except at a kiosk; Esc or WM_CLOSE ends the show); its presenter view, when asked
// for, a separate "PodiumParent" window that goes with the show.
//
// A "Run program" button follows PowerPoint's policy, RunPrograms under HKCU
// "Software\Policies\Microsoft\Office\16.0\PowerPoint\Security": absent, 0 or any other value,
// nothing runs; 1, the student is asked first in a box titled kStandinPromptTitle (Yes runs it);
// 2, it runs. It runs by CreateProcess with the command line as written, in the presentation's
// folder: quelmar's {score} and {status} are not filled in.
//
// Test directives, values under HKCU kStandinTestKey (src/viewer/powerpoint_contract.h), read
// when the stand-in starts; quelmar's own are "#quelmar" lines (tools/quelmar/presentation.h):
//   Journal        REG_SZ     a file in which every call is journalled, one line each: the
//                             object, the member ("=" after a property set), each argument's
//                             type and value, and the outcome ("ok" or the HRESULT), as quelmar's
//                             journal; names asked for, calls refused and programs run or not
//                             are journalled too
//   RejectCallsMs  REG_DWORD  every call on an automation object is refused (the message
//                             filter answers SERVERCALL_REJECTED) for this long from the first
//   DieMidShowMs   REG_DWORD  the process ends this long after a show's window opens
//   PresenterView  REG_DWORD  1: presentations open with ShowPresenterView msoTrue, as one saved
//                             so would
// and, to be "already running" with a user's presentation, start it by hand with that
// presentation, as above.
#pragma once

#include <windows.h>

#include <ole2.h>

#include <string>

// The stand-in's class, kStandinClsidText.
extern const CLSID kStandinClsid;

// What the test directives ask; read once, at start.
struct CDirectives {
    DWORD m_dwRejectCallsMs = 0;
    DWORD m_dwDieMidShowMs = 0;
    BOOL m_bPresenterView = FALSE;
};
extern CDirectives g_directives;
void ReadDirectives();

// The class factory to register while the server runs; it lives as long as the process.
IClassFactory* GetStandinFactory();
// The message filter that refuses calls while the directive asks; it lives as long as the process.
IMessageFilter* GetCallFilter();
// Started by hand: the application visible and under the user's control, the presentation (when
// not "") open with a window; FALSE when it cannot be opened.
BOOL StartAsUser(const std::string& strPath);
// Registers the main window's class; FALSE on failure.
BOOL RegisterFrameClass(HINSTANCE hInstance);
