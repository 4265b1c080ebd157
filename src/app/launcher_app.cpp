// Start-up with its checks, the hand-over of a later launch, and exit.
#include "app/launcher_app.h"

#include "app/launcher_contract.h"
#include "app/macro_option.h"
#include "channel/command_block.h"
#include "channel/command_text.h"
#include "frame/main_frame.h"
#include "lesson/lesson_files.h"
#include "log/event_log.h"
#include "res/resource.h"
#include "tarnskov_version.h"
#include "viewer/viewer.h"

static const char kFullProgramWindowClass[] = "PP97FrameClass";
static const DWORD kLogLimit = 1024 * 1024;

CLauncherApp theApp;

// The launch event names the version, so that a log gathered from a lab says which build wrote it.
static void LogLaunch(LPCSTR lpszCmdLine)
{
    LogEvent("launch", "%s: %s", TARNSKOV_VERSION_STRING, lpszCmdLine);
}

CLauncherApp::CLauncherApp() : m_dwSavedMacroProtection(0xFFFFFFFF), m_bMacroProtectionSaved(FALSE)
{
}

BOOL CLauncherApp::ReportFailure(LPCSTR lpszText, CRegKeyOwner* pKey)
{
    if (pKey != NULL)
        pKey->Close();
    LogEvent("refuse", "%s", lpszText);
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
    LogInit(HKEY_CURRENT_USER, kLauncherKey, kLogFileValue);
    LogLaunch(m_lpCmdLine);
    CString strTitle;
    strTitle.LoadString(AFX_IDS_APP_TITLE);

    HWND hWndInstance = FindRunningInstance(strTitle, m_lpCmdLine);
    if (hWndInstance == NULL) {
        HANDLE hLesson = NULL;
        if (!TakeLesson(strTitle, m_lpCmdLine, &hLesson, &hWndInstance)) {
            m_nExitCode = EXIT_LESSON_BUSY;
            return FALSE;
        }
        m_lessonLock.Attach(hLesson);
    }
    // A command is never a presentation: one that finds no lesson (a second click on
    // "Finish" after the lesson has ended, say) starts nothing and changes nothing.
    if (hWndInstance == NULL && IsCommandText(m_lpCmdLine)) {
        LogEvent("startup", "no lesson running: the command is not handed over");
        ReleaseLessonLock();
        m_nExitCode = EXIT_NO_LESSON;
        return FALSE;
    }
    // Only a first launch, alone under the lesson mutex, starts a new log file,
    // which then begins with this launch too.
    if (hWndInstance == NULL && LogRotate(kLogLimit))
        LogLaunch(m_lpCmdLine);
    if (hWndInstance != NULL) {
        m_nExitCode = HandOverCommand(hWndInstance, strTitle, m_lpCmdLine);
        return FALSE;
    }

    RestoreFromCrashRecord();
    return CheckViewer() && SwitchMacroProtectionOff() && StartLesson();
}

// A launcher that was killed mid-lesson left the option off and its value in the
// crash record. Put it back before any check, so that a viewer the crash left
// running cannot keep it off through the "still running" refusal; then start-up
// saves the true value. A record that cannot be written back stays for next time.
void CLauncherApp::RestoreFromCrashRecord()
{
    DWORD dwRecorded;
    if (!ReadCrashRecord(&dwRecorded))
        return;
    LONG lResult = WriteMacroOption(dwRecorded);
    if (lResult == ERROR_SUCCESS)
        DeleteCrashRecord();
    LogEvent("option", "%lu restored from the crash record: %s", dwRecorded,
             lResult == ERROR_SUCCESS ? "record deleted" : "failed, record kept");
}

// Neither the full presentation program nor another show may run, and the
// viewer must be installed.
BOOL CLauncherApp::CheckViewer()
{
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
    return TRUE;
}

// Saves the option and switches it off for the lesson; the crash record holds
// the saved value meanwhile.
BOOL CLauncherApp::SwitchMacroProtectionOff()
{
    CRegKeyOwner key;
    if (key.Open(HKEY_CURRENT_USER, kOptionsKey, kOptionsAccess) != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_NOT_FOUND);
    DWORD dwValue = 0;
    if (!ReadDwordValue(key.Get(), kMacroProtectionValue, &dwValue))
        return ReportFailure(IDS_VIEWER_FAILURE, &key);
    m_dwSavedMacroProtection = dwValue;
    m_bMacroProtectionSaved = TRUE;

    // Without a record the lesson still runs; only a crash would then cost the value.
    const BOOL bRecorded = WriteCrashRecord(dwValue);
    LogEvent("option", "%lu saved; crash record %s", dwValue,
             bRecorded ? "written" : "not written");
    if (WriteDwordValue(key.Get(), kMacroProtectionValue, 0) != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_FAILURE, &key);
    LogEvent("option", "set to 0");
    if (key.Close() != ERROR_SUCCESS)
        return ReportFailure(IDS_VIEWER_FAILURE);
    return TRUE;
}

// Reads the lesson parameter file into a new hidden frame and asks it to start
// the show.
BOOL CLauncherApp::StartLesson()
{
    char szValue[kLessonValueSize];
    char szParamFile[kLessonValueSize];
    GetLessonParamFilePath(szParamFile);

    if (!CheckLessonParamFile(szParamFile) ||
        ReadLessonValue("core", "output_file", szValue, szParamFile) == 0)
        return ReportFailure(IDS_RESULT_FILE_NOT_FOUND);

    // The frame exists before the student name is checked: a launch made from here
    // on finds the lesson by its frame, and a refusal destroys the frame unseen.
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
    LogEvent("params", "result \"%s\", interaction \"%s\", course \"%s\", student name present",
             static_cast<LPCSTR>(pFrame->m_strResultFile),
             static_cast<LPCSTR>(pFrame->m_strInteractionFile),
             static_cast<LPCSTR>(pFrame->m_strCourseId));

    pFrame->ShowWindow(SW_HIDE);
    UpdateWindow(pFrame->m_hWnd);
    PostMessageA(pFrame->m_hWnd, WM_SHOW_START, 0, 0);
    return TRUE;
}

void CLauncherApp::ReleaseLessonLock()
{
    if (m_lessonLock.Get() != NULL) {
        ReleaseMutex(m_lessonLock.Get());
        m_lessonLock.Close();
    }
}

// Nothing is shown or retried; a value that cannot be written back keeps its crash record, and
// the next first launch writes it back.
void CLauncherApp::WriteBackOption()
{
    if (m_bMacroProtectionSaved) {
        LONG lResult = WriteMacroOption(m_dwSavedMacroProtection);
        if (lResult == ERROR_SUCCESS) {
            DeleteCrashRecord();
            m_bMacroProtectionSaved = FALSE;
        }
        LogEvent("option", "%lu written back: %s", m_dwSavedMacroProtection,
                 lResult == ERROR_SUCCESS ? "crash record deleted" : "failed, crash record kept");
    }
}

int CLauncherApp::ExitInstance()
{
    WriteBackOption();
    // Only now may the next first launch save the option, and find its true value.
    ReleaseLessonLock();
    const int nExitCode = CWinApp::ExitInstance();
    LogEvent("exit", "code %d", nExitCode);
    return nExitCode;
}
