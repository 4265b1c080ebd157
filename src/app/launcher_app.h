// CLauncherApp: the process-level launcher, its start-up, hand-over and exit.
#pragma once

#include "framework/afxwin.h"
#include "framework/handles.h"

class CLauncherApp : public CWinApp {
public:
    CLauncherApp();

    BOOL InitInstance() override;
    int ExitInstance() override;
    // The option written back at once (a logoff may end the process any moment); the exit then
    // writes nothing again.
    void WriteBackOption();

private:
    // The viewer's macro-virus protection as found at start-up, written back at exit.
    DWORD m_dwSavedMacroProtection;
    // Beside the value, so that a stored 0xFFFFFFFF is written back too.
    BOOL m_bMacroProtectionSaved;
    // The lesson mutex, held from before start-up's checks until exit.
    CHandleOwner m_lessonLock;

    void RestoreFromCrashRecord();
    void ReleaseLessonLock();
    BOOL CheckViewer();
    BOOL SwitchMacroProtectionOff();
    BOOL StartLesson();
    // Every failing step ends here: the open key closed, the message shown, FALSE.
    BOOL ReportFailure(LPCSTR lpszText, CRegKeyOwner* pKey = NULL);
    BOOL ReportFailure(UINT nIDPrompt, CRegKeyOwner* pKey = NULL);
};
