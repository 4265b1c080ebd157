// powerpoint-standin.exe: registration, the server COM starts, or PowerPoint as a user starts it.
#include "automation_object.h"
#include "framework/handles.h"
#include "journal.h"
#include "owners.h"
#include "registration.h"
#include "standin.h"
#include "standin_show.h"
#include "viewer/powerpoint_contract.h"

#include <stdio.h>

#include <string>

const CLSID kStandinClsid = {
    0xBD91F6E7, 0x0C32, 0x4633, {0xB8, 0x9E, 0x29, 0xD8, 0xB9, 0x3A, 0x17, 0x22}};

CDirectives g_directives;

// A REG_DWORD of the directives' key; 0 when it is absent or of another type.
static DWORD ReadDirectiveDword(HKEY hKey, LPCSTR lpszValue)
{
    DWORD dwValue = 0, cbValue = sizeof dwValue, dwType = 0;
    if (RegQueryValueExA(hKey, lpszValue, NULL, &dwType, reinterpret_cast<BYTE*>(&dwValue),
                         &cbValue) != ERROR_SUCCESS ||
        dwType != REG_DWORD)
        return 0;
    return dwValue;
}

void ReadDirectives()
{
    CRegKeyOwner key;
    if (key.Open(HKEY_CURRENT_USER, kStandinTestKey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    char szJournal[MAX_PATH] = "";
    DWORD cbJournal = sizeof szJournal - 1, dwType = 0;
    if (RegQueryValueExA(key.Get(), kStandinJournalValue, NULL, &dwType,
                         reinterpret_cast<BYTE*>(szJournal), &cbJournal) == ERROR_SUCCESS &&
        dwType == REG_SZ)
        g_journal.SetPath(szJournal);
    g_directives.m_dwRejectCallsMs = ReadDirectiveDword(key.Get(), kStandinRejectCallsValue);
    g_directives.m_dwDieMidShowMs = ReadDirectiveDword(key.Get(), kStandinDieMidShowValue);
    g_directives.m_bPresenterView = ReadDirectiveDword(key.Get(), kStandinPresenterViewValue) == 1;
}

// Refuses every call on an automation object for the directive's time from the first, as
// PowerPoint busy with a dialog does; lets everything else through.
class CCallFilter : public CStaticObject<IMessageFilter, IID_IMessageFilter> {
public:
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD,
                                               LPINTERFACEINFO pInterfaceInfo) override
    {
        if (g_directives.m_dwRejectCallsMs == 0 || pInterfaceInfo == NULL ||
            pInterfaceInfo->iid != IID_IDispatch)
            return SERVERCALL_ISHANDLED;
        if (!m_bStarted)
            m_dwFirstCall = GetTickCount();
        m_bStarted = TRUE;
        if (GetTickCount() - m_dwFirstCall >= g_directives.m_dwRejectCallsMs)
            return SERVERCALL_ISHANDLED;
        g_journal.WriteLine("(directive) IDispatch method " +
                            std::to_string(pInterfaceInfo->wMethod) + " -> rejected");
        return SERVERCALL_REJECTED;
    }
    // The stand-in makes no calls of its own.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return -1; }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override
    {
        return PENDINGMSG_WAITDEFPROCESS;
    }

private:
    BOOL m_bStarted = FALSE;
    DWORD m_dwFirstCall = 0;
};

static CCallFilter g_filter;

IMessageFilter* GetCallFilter()
{
    return &g_filter;
}

static void RunMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// bByUser: started by hand, with strPath ("" for none) to open; otherwise by COM.
static int RunServer(HINSTANCE hInstance, BOOL bByUser, const std::string& strPath)
{
    ReadDirectives();
    CComApartment apartment;
    if (!apartment.Succeeded() || !CShow::RegisterWindowClass(hInstance) ||
        !CStandinShow::RegisterPodiumClass(hInstance) || !RegisterFrameClass(hInstance))
        return 1;
    CoRegisterMessageFilter(GetCallFilter(), NULL);
    // Multiple use: a second CreateObject attaches to this instance, as PowerPoint's does.
    CClassRegistration registration(kStandinClsid, GetStandinFactory(), CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE);
    if (!registration.Succeeded() || (bByUser && !StartAsUser(strPath)))
        return 1;
    RunMessageLoop();
    return 0;
}

// "/name" or "-name", in any letter case.
static BOOL IsOption(LPCSTR lpszArg, LPCSTR lpszName)
{
    return (lpszArg[0] == '-' || lpszArg[0] == '/') && _stricmp(lpszArg + 1, lpszName) == 0;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // Another PowerPoint's registration is taken over only when told to (/force).
    const CServerClass server = {"powerpoint-standin", kStandinExeName, kPowerPointProgId,
                                 kStandinClsidText, TRUE};
    BOOL bForce = __argc == 3 && IsOption(__argv[2], "force");
    if ((__argc == 2 || bForce) && IsOption(__argv[1], "RegServer"))
        return RegisterServer(server, bForce);
    if (__argc == 2 && IsOption(__argv[1], "UnregServer"))
        return UnregisterServer(server);
    if (__argc == 2 && IsOption(__argv[1], "Embedding"))
        return RunServer(hInstance, FALSE, "");
    if (__argc <= 2 && (__argc == 1 || (__argv[1][0] != '/' && __argv[1][0] != '-')))
        return RunServer(hInstance, TRUE, __argc == 2 ? __argv[1] : "");
    fprintf(stderr, "usage: powerpoint-standin [\"<presentation>\"] | /RegServer [/force] | "
                    "/UnregServer (COM adds -Embedding itself)\n");
    return 2;
}
