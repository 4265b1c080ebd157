// The activating client found and watched.
#include "client_watch.h"

#include "framework/handles.h"

#include <tlhelp32.h>

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
HANDLE OpenParentProcess()
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
void RunMessageLoop(HANDLE hClient)
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
