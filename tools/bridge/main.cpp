// tarnskov-powerpoint.exe: answers the launcher's calls to the slide-show viewer by driving
// today's PowerPoint, registered under the viewer's ProgID in the viewer's place.
//
//   tarnskov-powerpoint /RegServer    registers it per machine, unless another server (the
//                                     viewer, quelmar) holds the viewer's ProgID in either view
//   tarnskov-powerpoint /UnregServer  removes its own registration and nothing else
//   tarnskov-powerpoint /UserSetup    gives the user who runs it the launcher's options value:
//                                     Active Setup's StubPath runs it at each user's next logon
//
// COM starts it with -Embedding, once per lesson.
#include "bridge.h"
#include "client_watch.h"
#include "framework/handles.h"
#include "late_call.h"
#include "owners.h"
#include "registration.h"
#include "viewer/powerpoint_contract.h"
#include "viewer/viewer_contract.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int RunServer()
{
    // Looked up first, while the activating client is surely alive, waiting for us.
    CHandleOwner client(OpenParentProcess());
    WatchClientForRetries(client.Get());
    CComApartment apartment;
    CLSID clsid;
    wchar_t szClsid[40];
    MultiByteToWideChar(CP_ACP, 0, kBridgeClsidText, -1, szClsid, 40);
    if (!apartment.Succeeded() || FAILED(CLSIDFromString(szClsid, &clsid)))
        return 1;
    IMessageFilter* pOldFilter = NULL;
    CoRegisterMessageFilter(GetRetryFilter(), &pOldFilter);
    {
        CClassRegistration registration(clsid, GetBridgeFactory(), CLSCTX_LOCAL_SERVER,
                                        REGCLS_SINGLEUSE);
        if (!registration.Succeeded())
            return 1;
        RunMessageLoop(client.Get());
    }
    // After the quit this finds nothing left; after the client's end it ends what was started.
    EndPowerPointSession();
    CoRegisterMessageFilter(NULL, NULL);
    return 0;
}

// The launcher refuses to start without HKCU's options value, and only the viewer's setup made
// it: the value is created as the viewer's default (1) where absent, and never changed.
static int SetUpUser()
{
    CRegKeyOwner key;
    LONG lResult = key.Create(HKEY_CURRENT_USER, kOptionsKey, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (lResult == ERROR_SUCCESS)
        lResult = RegQueryValueExA(key.Get(), kMacroProtectionValue, NULL, NULL, NULL, NULL);
    if (lResult == ERROR_FILE_NOT_FOUND) {
        const DWORD dwDefault = 1;
        lResult = RegSetValueExA(key.Get(), kMacroProtectionValue, 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&dwDefault), sizeof dwDefault);
    }
    return lResult == ERROR_SUCCESS
               ? 0
               : ReportFailure("tarnskov-powerpoint",
                               std::string("cannot give HKCU\\") + kOptionsKey + " its " +
                                   kMacroProtectionValue + " value",
                               static_cast<DWORD>(lResult));
}

// "/name" or "-name", in any letter case.
static BOOL IsOption(LPCSTR lpszArg, LPCSTR lpszName)
{
    return (lpszArg[0] == '-' || lpszArg[0] == '/') && _stricmp(lpszArg + 1, lpszName) == 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const CServerClass server = {"tarnskov-powerpoint", kBridgeExeName, kViewerProgId,
                                 kBridgeClsidText, FALSE};
    if (__argc == 2 && IsOption(__argv[1], "Embedding"))
        return RunServer();
    if (__argc == 2 && IsOption(__argv[1], "RegServer"))
        return RegisterServer(server, FALSE);
    if (__argc == 2 && IsOption(__argv[1], "UnregServer"))
        return UnregisterServer(server);
    if (__argc == 2 && IsOption(__argv[1], kBridgeUserSetupOption + 1))
        return SetUpUser();
    fprintf(stderr, "usage: tarnskov-powerpoint /RegServer | /UnregServer | /UserSetup (COM adds "
                    "-Embedding itself)\n");
    return 2;
}
