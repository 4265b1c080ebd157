// quelmar.exe: the automation server that stands in for the slide-show viewer the launcher drives.
#include "application.h"
#include "framework/handles.h"
#include "owners.h"
#include "registration.h"
#include "show.h"
#include "viewer/viewer_contract.h"

#include <tlhelp32.h>

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

// The id of the process that started this one, or 0 when none is found.
static DWORD FindParentProcessId()
{
    CHandleOwner snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    DWORD dwSelf = GetCurrentProcessId();
    for (BOOL bMore = Process32First(snapshot.Get(), &pe); bMore;
         bMore = Process32Next(snapshot.Get(), &pe)) {
        if (pe.th32ProcessID == dwSelf)
            return pe.th32ParentProcessID;
    }
    return 0;
}

// Wine never reclaims a local server whose client has died, and the launcher never releases
// what it holds, so the server also ends with its client. Wine cannot name the caller during a
// call on an apartment thread (I_RpcBindingInqLocalClientPID answers RPC_S_NO_CALL_ACTIVE,
// CoGetCallerTID is not implemented, RpcServerInqCallAttributesW aborts the process), but it
// starts a local server from the activating client process itself: that client is our parent,
// and single-use registration keeps it our only client. Where COM's own launcher service is
// the parent, it cannot be opened or outlives us, and reference counts alone end the server.
static HANDLE OpenParentProcess()
{
    DWORD dwParent = FindParentProcessId();
    if (dwParent == 0)
        return NULL;
    CHandleOwner process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, dwParent));
    // A parent gone before we looked may have left its id to a younger process.
    FILETIME ftParentStart, ftOwnStart, ftUnused;
    if (process.Get() == NULL ||
        !GetProcessTimes(process.Get(), &ftParentStart, &ftUnused, &ftUnused, &ftUnused) ||
        !GetProcessTimes(GetCurrentProcess(), &ftOwnStart, &ftUnused, &ftUnused, &ftUnused) ||
        CompareFileTime(&ftParentStart, &ftOwnStart) > 0)
        return NULL;
    return process.Detach();
}

// Runs until WM_QUIT, or until the client process has ended when there is one to watch.
static void RunMessageLoop(HANDLE hClient)
{
    DWORD nHandles = hClient != NULL ? 1 : 0;
    for (;;) {
        DWORD dwWoke = MsgWaitForMultipleObjectsEx(nHandles, hClient != NULL ? &hClient : NULL,
                                                   INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (dwWoke == WAIT_FAILED || (nHandles != 0 && dwWoke == WAIT_OBJECT_0))
            return;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
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
