// Test helpers on the real Win32 calls: what the launcher meets on a student's machine.
#include "testkit.h"

#include <tlhelp32.h>

#include <stdio.h>

namespace testkit {

std::string ExeDir()
{
    char sz[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, sz, MAX_PATH);
    std::string path(sz, n);
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string BinPath(const char* name) { return ExeDir() + "\\" + name; }

// ---- Child ----

Child::Child(Child&& other) noexcept
    : m_hProcess(other.m_hProcess), m_hThread(other.m_hThread), m_pid(other.m_pid)
{
    other.m_hProcess = NULL;
    other.m_hThread = NULL;
}

Child& Child::operator=(Child&& other) noexcept
{
    if (this != &other) {
        this->~Child();
        m_hProcess = other.m_hProcess;
        m_hThread = other.m_hThread;
        m_pid = other.m_pid;
        other.m_hProcess = NULL;
        other.m_hThread = NULL;
    }
    return *this;
}

Child::~Child()
{
    if (m_hThread)
        CloseHandle(m_hThread);
    if (m_hProcess)
        CloseHandle(m_hProcess);
}

bool Child::Start(const std::string& commandLine, const char* workingDir, bool suspended)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // Wine now and then fails a start under load with ERROR_INTERNAL_ERROR; a
    // moment later the same start succeeds.
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessA(NULL, line.data(), NULL, NULL, FALSE,
                           suspended ? CREATE_SUSPENDED : 0, NULL, workingDir, &si, &pi))
            break;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 5) {
            fprintf(stderr, "CreateProcessA failed: %lu\n", GetLastError());
            return false;
        }
        Sleep(50);
    }
    if (suspended)
        m_hThread = pi.hThread;
    else
        CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_pid = pi.dwProcessId;
    return true;
}

void Child::Resume()
{
    if (m_hThread) {
        ResumeThread(m_hThread);
        CloseHandle(m_hThread);
        m_hThread = NULL;
    }
}

DWORD Child::Wait(DWORD timeoutMs)
{
    if (m_hProcess == NULL)
        return (DWORD)-1;
    if (WaitForSingleObject(m_hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(m_hProcess, &code);
    return code;
}

void Child::Kill()
{
    if (m_hProcess && Running()) {
        TerminateProcess(m_hProcess, 99);
        WaitForSingleObject(m_hProcess, 5000);
    }
}

bool Child::Running() const
{
    return m_hProcess && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

Child LaunchRaw(const std::string& commandLine, const char* workingDir)
{
    Child child;
    child.Start(commandLine, workingDir);
    return child;
}

Child Launch(const std::string& tail, const char* workingDir)
{
    return LaunchRaw("\"" + BinPath("tarnskov.exe") + "\" " + tail, workingDir);
}

// ---- message boxes ----

HWND FindBox(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND hBox = FindWindowA("#32770", "TARNSKOV");
        if (hBox != NULL)
            return hBox;
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        Sleep(10);
    }
}

static BOOL CALLBACK CollectText(HWND hChild, LPARAM lParam)
{
    char szClass[32];
    GetClassNameA(hChild, szClass, sizeof(szClass));
    if (lstrcmpiA(szClass, "Static") != 0)
        return TRUE;
    char szText[2048];
    int n = GetWindowTextA(hChild, szText, sizeof(szText));
    if (n > 0)
        *reinterpret_cast<std::string*>(lParam) = std::string(szText, n);
    return TRUE;
}

std::string BoxText(HWND hBox)
{
    std::string text;
    EnumChildWindows(hBox, CollectText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void PressOk(HWND hBox)
{
    HWND hOk = GetDlgItem(hBox, IDOK);
    PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(hOk));
}

Box DismissBox(DWORD timeoutMs)
{
    Box box;
    HWND hBox = FindBox(timeoutMs);
    if (hBox == NULL)
        return box;
    box.found = true;
    // The text control may be filled just after the box appears.
    for (int i = 0; i < 50 && box.text.empty(); ++i) {
        box.text = BoxText(hBox);
        if (box.text.empty())
            Sleep(10);
    }
    PressOk(hBox);
    DWORD start = GetTickCount();
    while (IsWindow(hBox) && GetTickCount() - start < 5000)
        Sleep(10);
    return box;
}

// ---- helper windows ----

HelperWindow::HelperWindow(const char* className, const char* title, bool visible)
    : m_class(className), m_title(title), m_visible(visible)
{
    m_hReady = CreateEventA(NULL, TRUE, FALSE, NULL);
    m_hThread = CreateThread(NULL, 0, ThreadProc, this, 0, NULL);
    WaitForSingleObject(m_hReady, 5000);
}

HelperWindow::~HelperWindow()
{
    if (m_hWnd)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    WaitForSingleObject(m_hThread, 5000);
    CloseHandle(m_hThread);
    CloseHandle(m_hReady);
}

LONG HelperWindow::Count(UINT message) const
{
    switch (message) {
    case WM_SHOW_START: return m_counts[0];
    case WM_SHOW_COMMAND: return m_counts[1];
    case WM_CLOSE: return m_counts[2];
    default: return 0;
    }
}

LRESULT CALLBACK HelperWindow::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<HelperWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self) {
        if (msg == WM_SHOW_START)
            InterlockedIncrement(&self->m_counts[0]);
        else if (msg == WM_SHOW_COMMAND)
            InterlockedIncrement(&self->m_counts[1]);
        else if (msg == WM_CLOSE)
            InterlockedIncrement(&self->m_counts[2]);
    }
    if (msg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

DWORD WINAPI HelperWindow::ThreadProc(void* p)
{
    auto* self = static_cast<HelperWindow*>(p);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = self->m_class.c_str();
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, self->m_class.c_str(), self->m_title.c_str(),
                                WS_OVERLAPPEDWINDOW | (self->m_visible ? WS_VISIBLE : 0), 0, 0,
                                200, 100, NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_hWnd = hWnd;
    SetEvent(self->m_hReady);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    UnregisterClassA(self->m_class.c_str(), wc.hInstance);
    return 0;
}

// ---- registry ----

const char kOptionsKey[] = "Software\\Microsoft\\Office\\8.0\\PowerPoint\\Options";
static const char kValue[] = "MacroVirusProtection";

static void SetOption(DWORD type, const void* data, DWORD cb)
{
    HKEY hKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey,
                        NULL) == ERROR_SUCCESS) {
        RegSetValueExA(hKey, kValue, 0, type, static_cast<const BYTE*>(data), cb);
        RegCloseKey(hKey);
    }
}

void SetMacroProtection(DWORD value) { SetOption(REG_DWORD, &value, sizeof(value)); }

void SetMacroProtectionString(const char* value)
{
    SetOption(REG_SZ, value, static_cast<DWORD>(strlen(value) + 1));
}

void DeleteMacroProtection()
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_ALL_ACCESS, &hKey) == ERROR_SUCCESS) {
        RegDeleteValueA(hKey, kValue);
        RegCloseKey(hKey);
    }
}

void DeleteOptionsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kOptionsKey); }

bool GetMacroProtection(DWORD* pType, DWORD* pValue)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD cb = sizeof(*pValue);
    *pValue = 0;
    LONG rc = RegQueryValueExA(hKey, kValue, NULL, pType, reinterpret_cast<BYTE*>(pValue), &cb);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

DWORD MacroValue()
{
    DWORD type = 0, value = 0;
    return GetMacroProtection(&type, &value) && type == REG_DWORD ? value : kNoMacroValue;
}

static const char kLauncherKey[] = "Software\\Tarnskov";
static const char kCrashRecord[] = "SavedMacroVirusProtection";

bool GetCrashRecord(DWORD* pValue)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kLauncherKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, cb = sizeof(*pValue);
    LONG rc = RegQueryValueExA(hKey, kCrashRecord, NULL, &type, reinterpret_cast<BYTE*>(pValue), &cb);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS && type == REG_DWORD;
}

void DeleteCrashRecord()
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kLauncherKey, 0, KEY_ALL_ACCESS, &hKey) == ERROR_SUCCESS) {
        RegDeleteValueA(hKey, kCrashRecord);
        RegCloseKey(hKey);
    }
}

void SetLogFileValue(DWORD type, const std::string& path)
{
    HKEY hKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kLauncherKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey,
                        NULL) == ERROR_SUCCESS) {
        RegSetValueExA(hKey, "LogFile", 0, type, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        RegCloseKey(hKey);
    }
}

void DeleteLogFileValue()
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kLauncherKey, 0, KEY_ALL_ACCESS, &hKey) == ERROR_SUCCESS) {
        RegDeleteValueA(hKey, "LogFile");
        RegCloseKey(hKey);
    }
}

std::string BlockText()
{
    HANDLE hBlock = OpenFileMappingA(FILE_MAP_READ, FALSE, kCommandBlockName);
    if (hBlock == NULL)
        return "<no block>";
    std::string text = "<unmapped>";
    const char* view = static_cast<const char*>(MapViewOfFile(hBlock, FILE_MAP_READ, 0, 0, 256));
    if (view != NULL) {
        text.assign(view, strnlen(view, 256));
        UnmapViewOfFile(view);
    }
    CloseHandle(hBlock);
    return text;
}

bool ViewerRegistered()
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kViewerProgId, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

bool RegisterViewer()
{
    Child child = LaunchRaw("\"" + BinPath("quelmar.exe") + "\" /RegServer");
    return child.Wait(30000) == 0 && ViewerRegistered();
}

void UnregisterViewer()
{
    Child child = LaunchRaw("\"" + BinPath("quelmar.exe") + "\" /UnregServer");
    child.Wait(30000);
}

// ---- files ----

const char kQuizHeader[] =
    "\"course_id\",\"student_id\",\"date\",\"time\",\"interaction_id\",\"student_response\","
    "\"correct_response\"\r\n";

bool ReadWholeFile(const std::string& path, std::string* out)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    out->clear();
    char buf[4096];
    DWORD n;
    while (ReadFile(h, buf, sizeof(buf), &n, NULL) && n > 0)
        out->append(buf, n);
    CloseHandle(h);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    // Shared, so that a lesson appending to the same file at that moment is no failure.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           CREATE_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, NULL);
    CloseHandle(h);
    return ok && n == text.size();
}

std::string WindowsDir()
{
    char sz[MAX_PATH];
    UINT n = GetWindowsDirectoryA(sz, MAX_PATH);
    return std::string(sz, n);
}

void WriteParamFile(const std::string& text) { WriteWholeFile(WindowsDir() + "\\PARAM.CMI", text); }

void DeleteParamFile() { DeleteFileA((WindowsDir() + "\\PARAM.CMI").c_str()); }

static void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string FreshDir(const std::string& name)
{
    char szTemp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, szTemp);
    std::string root = std::string(szTemp, n) + "tarnskov-tests";
    CreateDirectoryA(root.c_str(), NULL);
    std::string dir = root + "\\" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), NULL);
    return dir;
}

// ---- processes ----

Child HoldFile(const std::string& path)
{
    Child holder = LaunchRaw("\"" + BinPath("tkhelper.exe") + "\" hold \"" + path + "\" 60000");
    // Held once nobody else may open it.
    for (int i = 0; i < 500; ++i) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               NULL, OPEN_EXISTING, 0, NULL);
        if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
            break;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        Sleep(20);
    }
    return holder;
}

static std::vector<DWORD> ProcessesNamed(const char* imageName)
{
    std::vector<DWORD> pids;
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32First(hSnap, &pe); ok; ok = Process32Next(hSnap, &pe))
        if (lstrcmpiA(pe.szExeFile, imageName) == 0)
            pids.push_back(pe.th32ProcessID);
    CloseHandle(hSnap);
    return pids;
}

size_t CountProcesses(const char* imageName) { return ProcessesNamed(imageName).size(); }

bool WaitNoProcess(const char* imageName, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!ProcessesNamed(imageName).empty()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

void KillAll(const char* imageName)
{
    for (DWORD pid : ProcessesNamed(imageName)) {
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (h) {
            TerminateProcess(h, 99);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
    }
}

} // namespace testkit
