// A local automation server's registration under a ProgID, shared by the servers we build:
// quelmar, the PowerPoint bridge and the PowerPoint stand-in.
//
// Written per machine, under HKLM "SOFTWARE\Classes" in the server's own registry view: a client
// of the same build (the launcher is built with the server) reads that view. A conflicting class
// is looked for in both views: on 64-bit Windows a ProgID under HKLM "SOFTWARE\Classes" is shared
// by both views while a CLSID key is per view, so a ProgID rewritten from one view is rewritten
// for the other too; Wine 8 keeps the whole Classes tree per view.
#pragma once

#include <windows.h>

#include <string>

struct CServerClass {
    LPCSTR m_lpszProgram; // names the program in its messages: "quelmar"
    LPCSTR m_lpszExeName; // "quelmar.exe": a copy in any folder counts as this server
    LPCSTR m_lpszProgId;
    LPCSTR m_lpszClsid; // "{...}"
    // /RegServer /force may take another class's place (a test stand-in may; the bridge never).
    BOOL m_bMayForce;
};

// The default value of HKCR\<strSubkey> as seen through samView (0: this process's own view,
// KEY_WOW64_32KEY or KEY_WOW64_64KEY), or "" when it has none.
std::string GetClassesValue(const std::string& strSubkey, REGSAM samView);
// The class the ProgID leads to in samView, or "" when it leads to none.
std::string GetProgIdClsid(LPCSTR lpszProgId, REGSAM samView);

// Registers the server's ProgID, CLSID and LocalServer32 (this executable, quoted); where the
// ProgID leads to another class in either view it says so on stderr, changes nothing and answers
// 1, unless bForce and the server may force. Any failure is said on stderr and answers 1.
int RegisterServer(const CServerClass& server, BOOL bForce);
// Removes only what is the server's own: the ProgID while it leads to the server's class, and
// that class's key while its LocalServer32 is the server's executable. 0, or 1 on a failure.
int UnregisterServer(const CServerClass& server);

// Says on stderr "<program>: <strWhat>: <reason> (error <n>)"; answers 1, a failure's exit code.
int ReportFailure(LPCSTR lpszProgram, const std::string& strWhat, DWORD dwError);
