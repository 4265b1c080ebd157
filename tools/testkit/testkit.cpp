// Test helpers on the real Win32 calls: what the launcher meets on a student's machine.
#include "testkit.h"

#include "viewer/powerpoint_contract.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <stdio.h>

namespace testkit {

std::string BinPath(const char* name)
{
    char sz[MAX_PATH];
    std::string path(sz, GetModuleFileNameA(NULL, sz, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

Child& Child::operator=(Child&& other) noexcept
{
    m_process.Attach(other.m_process.Detach());
    m_thread.Attach(other.m_thread.Detach());
    return *this;
}

DWORD Child::Wait(DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(m_process.Get(), timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

void Child::Kill()
{
    if (Running() && TerminateProcess(m_process.Get(), 99))
        WaitForSingleObject(m_process.Get(), 5000);
}

Child LaunchRaw(const std::string& commandLine, const char* workingDir, bool suspended)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // Wine now and then fails a start under load with ERROR_INTERNAL_ERROR; a moment later the
    // same start succeeds.
    for (int attempt = 0;
         !CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, suspended ? CREATE_SUSPENDED : 0,
                         NULL, workingDir, &si, &pi);
         ++attempt, Sleep(50))
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 5) {
            fprintf(stderr, "CreateProcessA failed: %lu\n", GetLastError());
            return Child();
        }
    Child child;
    child.m_process.Attach(pi.hProcess);
    child.m_thread.Attach(pi.hThread);
    return child;
}

DWORD RunQuelmar(const std::string& options)
{
    return LaunchRaw("\"" + BinPath("quelmar.exe") + "\" " + options).Wait(30000);
}

static std::vector<DWORD> ProcessesNamed(const char* imageName)
{
    std::vector<DWORD> pids;
    CHandleOwner snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = snapshot.Get() && Process32First(snapshot.Get(), &pe); ok;
         ok = Process32Next(snapshot.Get(), &pe))
        if (lstrcmpiA(pe.szExeFile, imageName) == 0)
            pids.push_back(pe.th32ProcessID);
    return pids;
}

size_t CountProcesses(const char* imageName)
{
    return ProcessesNamed(imageName).size();
}

bool WaitNoProcess(const char* imageName, DWORD timeoutMs)
{
    return WaitFor([&] { return CountProcesses(imageName) == 0; }, timeoutMs);
}

void KillAll(const char* imageName)
{
    for (DWORD pid : ProcessesNamed(imageName)) {
        CHandleOwner process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (process.Get() != NULL && TerminateProcess(process.Get(), 99))
            WaitForSingleObject(process.Get(), 5000);
    }
}

void KillStandin()
{
    if (CountProcesses(kStandinExeName) == 0)
        return;
    KillAll(kStandinExeName);
    KillAll("rpcss.exe");
}

HWND FindBox(DWORD timeoutMs)
{
    HWND hBox = NULL;
    WaitFor([&] { return (hBox = FindWindowA("#32770", "TARNSKOV")) != NULL; }, timeoutMs);
    return hBox;
}

std::string BoxText(HWND hBox)
{
    // The text control, 0xFFFF under Wine as on Windows, may be filled just after the box appears.
    char sz[2048] = "";
    WaitFor([&] { return !IsWindow(hBox) || GetDlgItemTextA(hBox, 0xFFFF, sz, sizeof(sz)) > 0; },
            500);
    return sz;
}

void PressOk(HWND hBox)
{
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hBox, IDOK)));
    WaitFor([&] { return !IsWindow(hBox); }, 5000);
}

HelperWindow::HelperWindow(const char* className, const char* title, bool visible)
    : m_class(className), m_title(title), m_visible(visible)
{
    m_thread.Attach(CreateThread(NULL, 0, ThreadProc, this, 0, NULL));
    WaitFor([&] { return m_hWnd != NULL; }, 5000);
}

HelperWindow::~HelperWindow()
{
    PostThreadMessageA(GetThreadId(m_thread.Get()), WM_QUIT, 0, 0);
    WaitForSingleObject(m_thread.Get(), 5000);
}

// The window's own thread, which counts the commands posted to it as it takes them.
DWORD WINAPI HelperWindow::ThreadProc(void* p)
{
    auto* self = static_cast<HelperWindow*>(p);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = self->m_class.c_str();
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, self->m_title.c_str(),
                                WS_OVERLAPPEDWINDOW | (self->m_visible ? WS_VISIBLE : 0), 0, 0, 200,
                                100, NULL, NULL, wc.hInstance, NULL);
    self->m_hWnd = hWnd;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        if (msg.message == WM_SHOW_COMMAND)
            InterlockedIncrement(&self->m_nCommands);
        else
            DispatchMessageA(&msg);
    DestroyWindow(hWnd);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
    return 0;
}

void SetValue(const char* key, const char* value, DWORD type, const void* data, DWORD cb, HKEY root)
{
    CRegKeyOwner owner;
    if (owner.Create(root, key, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        RegSetValueExA(owner.Get(), value, 0, type, static_cast<const BYTE*>(data), cb);
}

void SetDword(const char* key, const char* value, DWORD data)
{
    SetValue(key, value, REG_DWORD, &data, sizeof(data));
}

void DeleteValue(const char* key, const char* value)
{
    CRegKeyOwner owner;
    if (owner.Open(HKEY_CURRENT_USER, key, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        RegDeleteValueA(owner.Get(), value);
}

DWORD GetDword(const char* key, const char* value)
{
    CRegKeyOwner owner;
    DWORD data = kNoValue;
    if (owner.Open(HKEY_CURRENT_USER, key, KEY_READ) == ERROR_SUCCESS)
        ReadDwordValue(owner.Get(), value, &data);
    return data;
}

bool ViewerRegistered()
{
    CRegKeyOwner key;
    return key.Open(HKEY_CLASSES_ROOT, kViewerProgId, KEY_READ) == ERROR_SUCCESS;
}

bool RegisterViewer()
{
    return RunQuelmar("/RegServer") == 0 && ViewerRegistered();
}

// quelmar removes only its own registration; a bare key a test made stays, so it goes too.
void UnregisterViewer()
{
    RunQuelmar("/UnregServer");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kViewerProgId);
}

// Shared, so that a lesson writing the same file at that moment is no failure.
static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool ReadWholeFile(const std::string& path, std::string* out)
{
    CHandleOwner file(
        CreateFileA(path.c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING, 0, NULL));
    char buf[4096];
    DWORD n;
    out->clear();
    while (file.Get() && ReadFile(file.Get(), buf, sizeof(buf), &n, NULL) && n > 0)
        out->append(buf, n);
    return file.Get() != NULL;
}

std::string FileText(const std::string& path)
{
    std::string text;
    ReadWholeFile(path, &text);
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    CHandleOwner file(
        CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, NULL, CREATE_ALWAYS, 0, NULL));
    DWORD n = 0;
    return file.Get() != NULL &&
           WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &n, NULL) &&
           n == text.size();
}

std::string WindowsDir()
{
    char sz[MAX_PATH];
    return std::string(sz, GetWindowsDirectoryA(sz, MAX_PATH));
}

std::string FreshDir(const std::string& name)
{
    char sz[MAX_PATH];
    const std::string root = std::string(sz, GetTempPathA(MAX_PATH, sz)) + "tarnskov-tests",
                      dir = root + "\\" + name;
    // What an earlier run left goes first, read-only files and all.
    const std::string from = dir + '\0';
    SHFILEOPSTRUCTA op = {NULL, FO_DELETE, from.c_str(), NULL, FOF_NO_UI, FALSE, NULL, NULL};
    SHFileOperationA(&op);
    CreateDirectoryA(root.c_str(), NULL);
    CreateDirectoryA(dir.c_str(), NULL);
    return dir;
}

} // namespace testkit
