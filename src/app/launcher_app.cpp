// Start-up with its checks, the hand-over of a later launch, and exit.
#include "app/launcher_app.h"

#include "channel/command_block.h"
#include "frame/main_frame.h"
#include "lesson/lesson_files.h"
#include "res/resource.h"
#include "viewer/viewer.h"

static const char kOptionsKey[] = "Software\\Microsoft\\Office\\8.0\\PowerPoint\\Options";
static const char kMacroProtectionValue[] = "MacroVirusProtection";
static const char kFullProgramWindowClass[] = "PP97FrameClass";
static const REGSAM kOptionsAccess = KEY_READ | KEY_WRITE; // 0x2001F

CLauncherApp theApp;

CLauncherApp::CLauncherApp() : m_dwSavedMacroProtection(0xFFFFFFFF), m_bMacroProtectionSaved(FALSE)
{
}

BOOL CLauncherApp::ReportFailure(LPCSTR lpszText, CRegKeyOwner* pKey)
{
    if (pKey != NULL)
        pKey->Close();
    AfxMessageBox(lpszText, MB_OK, 0);
    return FALSE;
}

BOOL CLauncherApp::ReportFailure(UINT nIDPrompt, CRegKeyOwner* pKey)
{
    CString strText;
    strText.LoadString(nIDPrompt);
    return ReportFailure(strText, pKey);
}

BOOL CLauncherApp::InitInstance()
{
    CString strTitle;
    strTitle.LoadString(AFX_IDS_APP_TITLE);

    HWND hWndInstance = FindRunningInstance(strTitle, m_lpCmdLine);
    if (hWndInstance != NULL) {
        HandOverCommand(hWndInstance, m_lpCmdLine);
        return FALSE;
    }

    CString strText;
    if (FindWindowA(kFullProgramWindowClass, NULL) != NULL) {
        strText.Format(IDS_POWERPOINT_RUNNING, m_lpCmdLine);
        return ReportFailure(strText);
    }

    CRegKeyOwner key;
    if (key.Open(HKEY_CLASSES_ROOT, kViewerProgId, KEY_READ) != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_NOT_FOUND);
    if (key.Close() != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_FAILURE);

    if (FindWindowA(kShowWindowClass, NULL) != NULL) {
        strText.Format(IDS_VIEWER_RUNNING, m_lpCmdLine);
        return ReportFailure(strText);
    }

    if (key.Open(HKEY_CURRENT_USER, kOptionsKey, kOptionsAccess) != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_NOT_FOUND);
    DWORD dwType = 0, dwValue = 0, cbValue = sizeof(dwValue);
    if (RegQueryValueExA(key.Get(), kMacroProtectionValue, NULL, &dwType,
                         reinterpret_cast<BYTE*>(&dwValue), &cbValue) != ERROR_SUCCESS ||
        dwType != REG_DWORD)
        return ReportFailure(IDS_VIEWER_FAILURE, &key);
    m_dwSavedMacroProtection = dwValue;
    m_bMacroProtectionSaved = TRUE;

    const DWORD dwOff = 0;
    if (RegSetValueExA(key.Get(), kMacroProtectionValue, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&dwOff), sizeof(dwOff)) != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_FAILURE, &key);
    if (RegFlushKey(key.Get()) != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_FAILURE, &key);
    if (key.Close() != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_FAILURE);

    char szValue[kLessonValueSize];
    char szParamFile[kLessonValueSize];
    GetLessonParamFilePath(szParamFile);

    if (ReadLessonValue("core", "output_file", szValue, szParamFile) == 0)
        return ReportFailure(IDS_RESULT_FILE_NOT_FOUND);

    CMainFrame* pFrame = new CMainFrame;
    if (!pFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, NULL, NULL))
        return ReportFailure(IDS_CANT_START_WINDOWING);
    m_pMainWnd = pFrame;
    pFrame->m_strResultFile = szValue;

    if (ReadLessonValue("core", "student_name", szValue, szParamFile) == 0)
        return ReportFailure(IDS_STUDENT_NAME_MISSING);
    pFrame->m_strStudentName = szValue;

    ReadLessonValue("Evaluation", "Course_ID", szValue, szParamFile);
    pFrame->m_strCourseId = szValue;
    ReadLessonValue("Evaluation", "interaction_file", szValue, szParamFile);
    pFrame->m_strInteractionFile = szValue;

    pFrame->ShowWindow(SW_HIDE);
    UpdateWindow(pFrame->m_hWnd);
    PostMessageA(pFrame->m_hWnd, WM_SHOW_START, 0, 0);
    return TRUE;
}

int CLauncherApp::ExitInstance()
{
    if (m_bMacroProtectionSaved) {
        // The first failing call ends the restore; nothing is shown or retried.
        CRegKeyOwner key;
        if (key.Open(HKEY_CURRENT_USER, kOptionsKey, kOptionsAccess) == ERROR_SUCCESS &&
            RegSetValueExA(key.Get(), kMacroProtectionValue, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&m_dwSavedMacroProtection),
                           sizeof(m_dwSavedMacroProtection)) == ERROR_SUCCESS)
            RegFlushKey(key.Get());
    }
    return CWinApp::ExitInstance();
}
