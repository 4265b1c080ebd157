// Test helpers that act as the world around the launcher: processes, boxes, windows, registry,
// files.
#pragma once

#include <windows.h>

#include "channel/channel.h"
#include "framework/handles.h"
#include "viewer/viewer_contract.h"

#include <string>
#include <utility>
#include <vector>

namespace testkit {

// The folder holding the running executable (tarnskov.exe and quelmar.exe sit beside the tests).
std::string ExeDir();
std::string BinPath(const char* name);

// A child process started with an exact command line through CreateProcessA.
class Child {
public:
    Child() = default;
    Child(Child&& other) noexcept { *this = std::move(other); }
    Child& operator=(Child&& other) noexcept;
    // Suspended, the process runs only once Resume is called.
    bool Start(const std::string& commandLine, const char* workingDir = NULL,
               bool suspended = false);
    void Resume();
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD Wait(DWORD timeoutMs);
    void Kill();
    bool Running() const;
    DWORD Pid() const { return m_pid; }

private:
    CHandleOwner m_process;
    CHandleOwner m_thread; // kept only while suspended
    DWORD m_pid = 0;
};

// Starts tarnskov.exe with the tail after its quoted path, exactly as given.
Child Launch(const std::string& tail, const char* workingDir = NULL);
// The whole command line as given, program name included.
Child LaunchRaw(const std::string& commandLine, const char* workingDir = NULL);

// A message box titled "TARNSKOV": waits for it, reads its text, presses OK.
struct Box {
    bool found = false;
    std::string text;
};
Box DismissBox(DWORD timeoutMs = 10000);
// The box's window while it is on screen (not dismissed), or NULL after timeoutMs.
HWND FindBox(DWORD timeoutMs);
std::string BoxText(HWND hBox);
void PressOk(HWND hBox);

// A top-level window of a given class and title, owned by a thread of its own.
// Counts the messages it receives so tests can tell what reached it.
class HelperWindow {
public:
    HelperWindow(const char* className, const char* title, bool visible = false);
    ~HelperWindow();
    HWND Hwnd() const { return m_hWnd; }
    // How many WM_SHOW_COMMAND it has received.
    LONG Commands() const { return m_nCommands; }

private:
    static DWORD WINAPI ThreadProc(void* p);
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    std::string m_class, m_title;
    bool m_visible;
    CHandleOwner m_ready;
    CHandleOwner m_thread;
    HWND m_hWnd = NULL;
    volatile LONG m_nCommands = 0; // WM_SHOW_COMMAND received
};

// The viewer's macro option under HKCU.
extern const char kOptionsKey[];
void SetMacroProtection(DWORD value);
void SetMacroProtectionString(const char* value);
void DeleteMacroProtection();
void DeleteOptionsKey();
// The option's DWORD, or kNoMacroValue when it is absent or of another type.
const DWORD kNoMacroValue = 0xDEADBEEF;
DWORD MacroValue();

// The launcher's crash record: the option's saved value while a lesson runs.
bool GetCrashRecord(DWORD* pValue);
void SetCrashRecord(DWORD value);
void DeleteCrashRecord();

// The diagnostic log's switch: LogFile under HKCU\Software\Tarnskov, of that
// type (REG_SZ or REG_EXPAND_SZ); DeleteLogFileValue switches the log off.
void SetLogFileValue(DWORD type, const std::string& path);
void DeleteLogFileValue();

// The command block's text, or "<no block>" when no lesson holds one.
std::string BlockText();

// The viewer's class key under HKCR: present, as quelmar registers it, or absent.
bool ViewerRegistered();
bool RegisterViewer();
void UnregisterViewer();

// The interaction file's header line, as the CMI system reads it.
extern const char kQuizHeader[];

// Whole-file text, and the Windows directory's PARAM.CMI.
bool ReadWholeFile(const std::string& path, std::string* out);
bool WriteWholeFile(const std::string& path, const std::string& text);
std::string WindowsDir();
void WriteParamFile(const std::string& text);
void DeleteParamFile();
// A fresh, empty folder under the Windows temp folder, named after the test.
std::string FreshDir(const std::string& name);

// Another process keeps the file open exclusively (tkhelper hold) until killed.
Child HoldFile(const std::string& path);

// How many processes of that image name run now.
size_t CountProcesses(const char* imageName);
// Waits until no process of that image name is left (tarnskov.exe, quelmar.exe).
bool WaitNoProcess(const char* imageName, DWORD timeoutMs);
void KillAll(const char* imageName);

} // namespace testkit
