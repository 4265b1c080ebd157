// quelmar.exe: the automation server that stands in for the slide-show viewer the launcher drives.
#include "application.h"
#include "framework/handles.h"
#include "show.h"
#include "viewer/viewer_contract.h"

#include <tlhelp32.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <utility>

namespace {

std::string ClsidText()
{
    wchar_t wide[40];
    char text[40] = "";
    StringFromGUID2(kApplicationClsid, wide, 40);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

int Fail(const std::string& what, DWORD error)
{
    char reason[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reason, sizeof reason, nullptr);
    // System messages end in CR LF.
    while (length > 0 && isspace(static_cast<unsigned char>(reason[length - 1])))
        reason[--length] = '\0';
    fprintf(stderr, "quelmar: %s: %s (error %lu)\n", what.c_str(), reason, error);
    return 1;
}

int RegisterServer()
{
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (length == 0 || length == sizeof exe)
        return Fail("cannot find its own path",
                    length ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
    std::string clsidKey = "CLSID\\" + ClsidText();
    const std::pair<std::string, std::string> values[] = {
        {std::string(kViewerProgId) + "\\CLSID", ClsidText()},
        {clsidKey + "\\LocalServer32", "\"" + std::string(exe) + "\""},
        {clsidKey + "\\ProgID", kViewerProgId},
    };
    for (const auto& [subkey, value] : values) {
        CRegKeyOwner key;
        LONG error = key.Create(HKEY_CLASSES_ROOT, subkey.c_str(), KEY_SET_VALUE);
        if (error == ERROR_SUCCESS)
            error = RegSetValueExA(key.Get(), nullptr, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
        if (error != ERROR_SUCCESS)
            return Fail("cannot write HKCR\\" + subkey, error);
    }
    return 0;
}

int UnregisterServer()
{
    for (const std::string& subkey : {std::string(kViewerProgId), "CLSID\\" + ClsidText()}) {
        LONG error = RegDeleteTreeA(HKEY_CLASSES_ROOT, subkey.c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND)
            return Fail("cannot remove HKCR\\" + subkey, error);
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
    CHandleOwner snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more && !parent;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self)
            parent = entry.th32ParentProcessID;
    }
    CHandleOwner process(
        parent ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent)
               : nullptr);
    // A parent gone before we looked may have left its id to a younger process.
    FILETIME parentStart, ownStart, unused;
    if (!process.Get() ||
        !GetProcessTimes(process.Get(), &parentStart, &unused, &unused, &unused) ||
        !GetProcessTimes(GetCurrentProcess(), &ownStart, &unused, &unused, &unused) ||
        CompareFileTime(&parentStart, &ownStart) > 0)
        return NULL;
    return process.Detach();
}

// Runs until WM_QUIT, or until the client process has ended when there is one to watch.
void RunMessageLoop(HANDLE client)
{
    DWORD waits = client ? 1 : 0;
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjectsEx(waits, client ? &client : nullptr, INFINITE,
                                                 QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_FAILED || (waits && woke == WAIT_OBJECT_0))
            return;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

class Apartment {
public:
    Apartment() : hr(CoInitialize(nullptr)) {}
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment()
    {
        if (SUCCEEDED(hr))
            CoUninitialize();
    }
    const HRESULT hr;
};

class ClassRegistration {
    DWORD cookie_ = 0; // before hr, whose initializer fills it
public:
    ClassRegistration()
        : hr(CoRegisterClassObject(kApplicationClsid, GetApplicationFactory(), CLSCTX_LOCAL_SERVER,
                                   REGCLS_SINGLEUSE, &cookie_))
    {
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration()
    {
        if (SUCCEEDED(hr))
            CoRevokeClassObject(cookie_);
    }
    const HRESULT hr;
};

int RunServer(HINSTANCE instance)
{
    // Looked up first, while the activating client is surely alive, waiting for us.
    CHandleOwner client(OpenParentProcess());
    Apartment apartment;
    if (FAILED(apartment.hr) || !CShow::RegisterWindowClass(instance))
        return 1;
    ClassRegistration registration;
    if (FAILED(registration.hr))
        return 1;
    RunMessageLoop(client.Get());
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // COM starts the server with -Embedding; by hand it is only registered or unregistered.
    if (__argc == 2 && (__argv[1][0] == '-' || __argv[1][0] == '/')) {
        const char* option = __argv[1] + 1;
        if (_stricmp(option, "Embedding") == 0)
            return RunServer(instance);
        if (_stricmp(option, "RegServer") == 0)
            return RegisterServer();
        if (_stricmp(option, "UnregServer") == 0)
            return UnregisterServer();
    }
    fprintf(stderr, "usage: quelmar /RegServer | /UnregServer (COM adds -Embedding itself)\n");
    return 2;
}
