// Test helpers that play the world around the launcher: processes, boxes, windows, registry, files.
#pragma once

#include <windows.h>

#include "app/launcher_contract.h"
#include "channel/channel.h"
#include "framework/handles.h"
#include "viewer/viewer_contract.h"

#include <string>
#include <utility>
#include <vector>

namespace testkit {

// A program beside the running test (tarnskov.exe, quelmar.exe, tkhelper.exe).
std::string BinPath(const char* name);

// A child process that LaunchRaw started; a suspended one runs only once resumed.
class Child {
public:
    Child() = default;
    Child(Child&& other) noexcept { *this = std::move(other); }
    Child& operator=(Child&& other) noexcept;
    void Resume() { ResumeThread(m_thread.Get()); }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD Wait(DWORD timeoutMs);
    void Kill();
    bool Running() const { return WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }
    DWORD Pid() const { return GetProcessId(m_process.Get()); }

private:
    friend Child LaunchRaw(const std::string&, const char*, bool);
    CHandleOwner m_process, m_thread;
};

// The whole command line as given, through CreateProcessA; Launch puts tarnskov.exe's quoted
// path before the tail, RunQuelmar quelmar.exe's before its options and waits for its exit code.
Child LaunchRaw(const std::string& commandLine, const char* workingDir = NULL,
                bool suspended = false);
inline Child Launch(const std::string& tail, const char* workingDir = NULL, bool suspended = false)
{
    return LaunchRaw("\"" + BinPath("tarnskov.exe") + "\" " + tail, workingDir, suspended);
}
DWORD RunQuelmar(const std::string& options);

// A message box titled "TARNSKOV": FindBox waits for it, PressOk dismisses it.
HWND FindBox(DWORD timeoutMs);
std::string BoxText(HWND hBox);
void PressOk(HWND hBox);

// A top-level window of a given class and title on a thread of its own, counting the
// WM_SHOW_COMMAND posted to it.
class HelperWindow {
public:
    HelperWindow(const char* className, const char* title, bool visible = false);
    ~HelperWindow();
    LONG Commands() const { return m_nCommands; }

private:
    static DWORD WINAPI ThreadProc(void* p);
    std::string m_class, m_title;
    bool m_visible;
    CHandleOwner m_thread;
    HWND volatile m_hWnd = NULL; // set once the window is there
    volatile LONG m_nCommands = 0;
};

// Registry values, under HKEY_CURRENT_USER unless said: the viewer's options key and the
// launcher's own. GetDword gives kNoValue when the value is absent, of another type or not four
// bytes long.
void SetValue(const char* key, const char* value, DWORD type, const void* data, DWORD cb,
              HKEY root = HKEY_CURRENT_USER);
void SetDword(const char* key, const char* value, DWORD data);
void DeleteValue(const char* key, const char* value);
const DWORD kNoValue = 0xDEADBEEF;
DWORD GetDword(const char* key, const char* value);
// The viewer's macro option; its crash record in the launcher's key; the log's switch.
inline DWORD MacroValue()
{
    return GetDword(kOptionsKey, kMacroProtectionValue);
}
inline void SetMacroProtection(DWORD value)
{
    SetDword(kOptionsKey, kMacroProtectionValue, value);
}
inline DWORD CrashRecord()
{
    return GetDword(kLauncherKey, kCrashRecordValue);
}
inline void SetLogFile(const std::string& path, DWORD type = REG_SZ)
{
    SetValue(kLauncherKey, kLogFileValue, type, path.c_str(), static_cast<DWORD>(path.size() + 1));
}

// The viewer registered by quelmar.exe under its ProgID in HKEY_CLASSES_ROOT, or not.
bool ViewerRegistered();
bool RegisterViewer();
void UnregisterViewer();

// Files: whole texts, PARAM.CMI in the Windows directory, a fresh folder under the temp folder,
// and a file held open with no sharing, as another program may hold it.
bool ReadWholeFile(const std::string& path, std::string* out);
std::string FileText(const std::string& path); // "" when there is none
bool WriteWholeFile(const std::string& path, const std::string& text);
std::string WindowsDir();
inline void WriteParamFile(const std::string& text)
{
    WriteWholeFile(WindowsDir() + "\\PARAM.CMI", text);
}
inline void DeleteParamFile()
{
    DeleteFileA((WindowsDir() + "\\PARAM.CMI").c_str());
}
std::string FreshDir(const std::string& name);
inline HANDLE HoldFile(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
}

// Polls until done() holds, for at most timeoutMs; whether it held.
template <class Done> bool WaitFor(Done done, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !done(); Sleep(10))
        if (GetTickCount() - start >= timeoutMs)
            return false;
    return true;
}

// Processes of one image name (tarnskov.exe, quelmar.exe).
size_t CountProcesses(const char* imageName);
bool WaitNoProcess(const char* imageName, DWORD timeoutMs);
void KillAll(const char* imageName);
// Ends any PowerPoint stand-in; Wine's COM service goes with a killed one, as its class stays
// registered there (Windows drops it) and would answer every later CreateObject.
void KillStandin();

} // namespace testkit
