// Test helpers on the real Win32 calls: what the launcher meets on a student's machine.
#include "testkit.h"

#include "framework/handles.h"

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

std::string BinPath(const char* name)
{
    return ExeDir() + "\\" + name;
}

// ---- Child ----

Child& Child::operator=(Child&& other) noexcept
{
    if (this != &other) {
        m_process.Attach(other.m_process.Detach());
        m_thread.Attach(other.m_thread.Detach());
        m_pid = other.m_pid;
    }
    return *this;
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
        if (CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, suspended ? CREATE_SUSPENDED : 0,
                           NULL, workingDir, &si, &pi))
            break;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 5) {
            fprintf(stderr, "CreateProcessA failed: %lu\n", GetLastError());
            return false;
        }
        Sleep(50);
    }
    m_thread.Attach(pi.hThread);
    if (!suspended)
        m_thread.Close();
    m_process.Attach(pi.hProcess);
    m_pid = pi.dwProcessId;
    return true;
}

void Child::Resume()
{
    if (m_thread.Get() != NULL)
        ResumeThread(m_thread.Get());
    m_thread.Close();
}

DWORD Child::Wait(DWORD timeoutMs)
{
    if (m_process.Get() == NULL)
        return (DWORD)-1;
    if (WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

void Child::Kill()
{
    if (Running()) {
        TerminateProcess(m_process.Get(), 99);
        WaitForSingleObject(m_process.Get(), 5000);
    }
}

bool Child::Running() const
{
    return m_process.Get() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
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
    m_ready.Attach(CreateEventA(NULL, TRUE, FALSE, NULL));
    m_thread.Attach(CreateThread(NULL, 0, ThreadProc, this, 0, NULL));
    WaitForSingleObject(m_ready.Get(), 5000);
}

HelperWindow::~HelperWindow()
{
    if (m_hWnd)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    WaitForSingleObject(m_thread.Get(), 5000);
}

LRESULT CALLBACK HelperWindow::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<HelperWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self && msg == WM_SHOW_COMMAND)
        InterlockedIncrement(&self->m_nCommands);
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
                                WS_OVERLAPPEDWINDOW | (self->m_visible ? WS_VISIBLE : 0), 0, 0, 200,
                                100, NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_hWnd = hWnd;
    SetEvent(self->m_ready.Get());
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
static const char kMacroValue[] = "MacroVirusProtection";
static const char kLauncherKey[] = "Software\\Tarnskov";
static const char kCrashRecord[] = "SavedMacroVirusProtection";

static void SetValue(HKEY hRoot, LPCSTR lpszKey, LPCSTR lpszValue, DWORD type, const void* data,
                     DWORD cb)
{
    CRegKeyOwner key;
    if (key.Create(hRoot, lpszKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        RegSetValueExA(key.Get(), lpszValue, 0, type, static_cast<const BYTE*>(data), cb);
}

static void DeleteValue(HKEY hRoot, LPCSTR lpszKey, LPCSTR lpszValue)
{
    CRegKeyOwner key;
    if (key.Open(hRoot, lpszKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        RegDeleteValueA(key.Get(), lpszValue);
}

// A value of at most four bytes and its type; false when it is absent.
static bool GetValue(HKEY hRoot, LPCSTR lpszKey, LPCSTR lpszValue, DWORD* pType, DWORD* pValue)
{
    CRegKeyOwner key;
    DWORD cb = sizeof(*pValue);
    *pValue = 0;
    return key.Open(hRoot, lpszKey, KEY_READ) == ERROR_SUCCESS &&
           RegQueryValueExA(key.Get(), lpszValue, NULL, pType, reinterpret_cast<BYTE*>(pValue),
                            &cb) == ERROR_SUCCESS;
}

void SetMacroProtection(DWORD value)
{
    SetValue(HKEY_CURRENT_USER, kOptionsKey, kMacroValue, REG_DWORD, &value, sizeof(value));
}

void SetMacroProtectionString(const char* value)
{
    SetValue(HKEY_CURRENT_USER, kOptionsKey, kMacroValue, REG_SZ, value,
             static_cast<DWORD>(strlen(value) + 1));
}

void DeleteMacroProtection()
{
    DeleteValue(HKEY_CURRENT_USER, kOptionsKey, kMacroValue);
}

void DeleteOptionsKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kOptionsKey);
}

DWORD MacroValue()
{
    DWORD type = 0, value = 0;
    return GetValue(HKEY_CURRENT_USER, kOptionsKey, kMacroValue, &type, &value) && type == REG_DWORD
               ? value
               : kNoMacroValue;
}

bool GetCrashRecord(DWORD* pValue)
{
    DWORD type = 0;
    return GetValue(HKEY_CURRENT_USER, kLauncherKey, kCrashRecord, &type, pValue) &&
           type == REG_DWORD;
}

void SetCrashRecord(DWORD value)
{
    SetValue(HKEY_CURRENT_USER, kLauncherKey, kCrashRecord, REG_DWORD, &value, sizeof(value));
}

void DeleteCrashRecord()
{
    DeleteValue(HKEY_CURRENT_USER, kLauncherKey, kCrashRecord);
}

void SetLogFileValue(DWORD type, const std::string& path)
{
    SetValue(HKEY_CURRENT_USER, kLauncherKey, "LogFile", type, path.c_str(),
             static_cast<DWORD>(path.size() + 1));
}

void DeleteLogFileValue()
{
    DeleteValue(HKEY_CURRENT_USER, kLauncherKey, "LogFile");
}

std::string BlockText()
{
    CHandleOwner block(OpenFileMappingA(FILE_MAP_WRITE, FALSE, kCommandBlockName));
    if (block.Get() == NULL)
        return "<no block>";
    CMappedView view(block.Get(), kCommandBlockSize);
    return view.Bytes() ? std::string(view.Bytes(), strnlen(view.Bytes(), kCommandBlockSize))
                        : "<unmapped>";
}

bool ViewerRegistered()
{
    CRegKeyOwner key;
    return key.Open(HKEY_CLASSES_ROOT, kViewerProgId, KEY_READ) == ERROR_SUCCESS;
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

// Shared, so that a lesson writing the same file at that moment is no failure.
static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool ReadWholeFile(const std::string& path, std::string* out)
{
    CHandleOwner file(
        CreateFileA(path.c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING, 0, NULL));
    if (file.Get() == NULL)
        return false;
    out->clear();
    char buf[4096];
    DWORD n;
    while (ReadFile(file.Get(), buf, sizeof(buf), &n, NULL) && n > 0)
        out->append(buf, n);
    return true;
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
    UINT n = GetWindowsDirectoryA(sz, MAX_PATH);
    return std::string(sz, n);
}

void WriteParamFile(const std::string& text)
{
    WriteWholeFile(WindowsDir() + "\\PARAM.CMI", text);
}

void DeleteParamFile()
{
    DeleteFileA((WindowsDir() + "\\PARAM.CMI").c_str());
}

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

static bool IsHeldElsewhere(const std::string& path)
{
    CHandleOwner probe(
        CreateFileA(path.c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING, 0, NULL));
    return probe.Get() == NULL && GetLastError() == ERROR_SHARING_VIOLATION;
}

Child HoldFile(const std::string& path)
{
    Child holder = LaunchRaw("\"" + BinPath("tkhelper.exe") + "\" hold \"" + path + "\" 60000");
    // Held once nobody else may open it; each probe closes at once, not to be in its way.
    for (int i = 0; i < 500 && !IsHeldElsewhere(path); ++i)
        Sleep(20);
    return holder;
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
        CHandleOwner process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (process.Get() != NULL && TerminateProcess(process.Get(), 99))
            WaitForSingleObject(process.Get(), 5000);
    }
}

} // namespace testkit
