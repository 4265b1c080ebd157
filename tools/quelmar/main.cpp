// quelmar.exe: the automation server that stands in for the slide-show viewer the launcher drives.
#include "application.h"
#include "client_watch.h"
#include "framework/handles.h"
#include "owners.h"
#include "registration.h"
#include "show.h"
#include "viewer/viewer_contract.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

static std::string GetClsidText()
{
    wchar_t szWide[40];
    char sz[40] = "";
    StringFromGUID2(kApplicationClsid, szWide, 40);
    WideCharToMultiByte(CP_ACP, 0, szWide, -1, sz, sizeof sz, NULL, NULL);
    return sz;
}

static int RunServer(HINSTANCE hInstance)
{
    // Looked up first, while the activating client is surely alive, waiting for us.
    CHandleOwner client(OpenParentProcess());
    SetClientProcess(client.Get());
    CComApartment apartment;
    if (!apartment.Succeeded() || !CShow::RegisterWindowClass(hInstance))
        return 1;
    CClassRegistration registration(kApplicationClsid, GetApplicationFactory(), CLSCTX_LOCAL_SERVER,
                                    REGCLS_SINGLEUSE);
    if (!registration.Succeeded())
        return 1;
    RunMessageLoop(client.Get());
    return 0;
}

// "/name" or "-name", in any letter case.
static BOOL IsOption(LPCSTR lpszArg, LPCSTR lpszName)
{
    return (lpszArg[0] == '-' || lpszArg[0] == '/') && _stricmp(lpszArg + 1, lpszName) == 0;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // COM starts the server with -Embedding; by hand it is only registered or unregistered.
    BOOL bForce = __argc == 3 && IsOption(__argv[2], "force");
    std::string strClsid = GetClsidText();
    const CServerClass server = {"quelmar", "quelmar.exe", kViewerProgId, strClsid.c_str(), TRUE};
    if (__argc == 2 && IsOption(__argv[1], "Embedding")) {
        // Where Windows' COM starts a local server, so that a relative path fails here as it
        // would there (Wine's leaves it the client's directory).
        char szSystem[MAX_PATH];
        UINT cch = GetSystemDirectoryA(szSystem, MAX_PATH);
        if (cch != 0 && cch < MAX_PATH)
            SetCurrentDirectoryA(szSystem);
        return RunServer(hInstance);
    }
    if ((__argc == 2 || bForce) && IsOption(__argv[1], "RegServer"))
        return RegisterServer(server, bForce);
    if (__argc == 2 && IsOption(__argv[1], "UnregServer"))
        return UnregisterServer(server);
    fprintf(stderr, "usage: quelmar /RegServer [/force] | /UnregServer (COM adds -Embedding "
                    "itself)\n");
    return 2;
}
