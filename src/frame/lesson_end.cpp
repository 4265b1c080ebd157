// Every way the lesson ends: the finish and its result, the viewer's end within the quit limit,
// OLE's teardown, and the end at once that a logoff or an overdue quit call brings.
#include <string.h>

#include "app/launcher_app.h"
#include "channel/command_text.h"
#include "frame/finish_text.h"
#include "frame/main_frame.h"
#include "framework/afxole.h"
#include "lesson/lesson_files.h"
#include "log/event_log.h"
#include "res/resource.h"
#include "viewer/viewer.h"

// The finish text's values written; a failure's message kept for its box, and the text for an
// end at once that writes it again.
LessonEvent CMainFrame::WriteFinish(LPCSTR lpszFinishText)
{
    const CString strUnwritten = WriteResult(lpszFinishText);
    if (strUnwritten.IsEmpty())
        return kWritten;
    CopyCommandText(m_szFailedFinish, sizeof(m_szFailedFinish), lpszFinishText, kCommandBlockSize);
    m_strBoxText.Format(IDS_CANT_WRITE_RESULT_FILE, static_cast<LPCSTR>(m_strResultFile),
                        static_cast<LPCSTR>(strUnwritten));
    return kWriteFailed;
}

// The status and score the finishing text gives, written into the result file; the
// "key=value" lines that could not be written.
CString CMainFrame::WriteResult(LPCSTR lpszFinishText)
{
    CFinishValues values;
    ReadFinishValues(lpszFinishText, &values);
    CString strUnwritten;
    WriteLessonResult(m_strResultFile, values.m_szStatus, values.m_szScore, strUnwritten);
    return strUnwritten;
}

// Tells the viewer to end; its refusal kept for the box.
LessonEvent CMainFrame::QuitViewerInTime()
{
    StartQuitLimit();
    BOOL bRefused = FALSE;
    try {
        QuitViewer(m_viewerApp);
    } catch (const CException& e) {
        bRefused = TRUE;
        if (!e.GetErrorMessage(m_strBoxText) || m_strBoxText.IsEmpty())
            m_strBoxText = "The viewer did not end.";
    }
    StopQuitLimit();
    return bRefused ? kQuitRefused : kQuitAnswered;
}

// Both references forgotten, never released through the viewer (auto-release is off): once told
// to end it is on its way out, and a call into it then could only wait or fail. OLE's teardown
// drops what the apartment still holds, and lets messages through as a call does.
LessonEvent CMainFrame::TearDown()
{
    m_show.DetachDispatch();
    m_viewerApp.ReleaseDispatch();
    lazyole::OleUninitialize();
    return kTornDown;
}

// The lesson's end at once, none of it waiting for anybody: the application's exit, the result,
// the answers and the process's end.
void CMainFrame::PerformAtOnce(LessonAction eAction)
{
    switch (eAction) {
    case kWriteOption:
        static_cast<CLauncherApp*>(AfxGetApp())->WriteBackOption();
        break;
    case kWriteOwnFinishNow:
        WriteResult(kDefaultFinishText);
        break;
    case kRewriteFailed:
        WriteResult(m_szFailedFinish);
        break;
    case kApplyQueuedFinish:
        ApplyQueuedFinish();
        break;
    case kRecordQueuedAnswer:
        RecordQueuedAnswer();
        break;
    case kEndProcess:
        EndProcess();
        break;
    case kDismissBox:
        EnumThreadWindows(GetCurrentThreadId(), DismissBox, 0);
        break;
    default:
        break;
    }
}

void CMainFrame::ApplyQueuedFinish()
{
    char szText[kCommandBlockSize];
    if (m_queue.Pop(szText))
        WriteResult(szText);
}

// Tried once, with no box: nobody may be there to wait for it.
void CMainFrame::RecordQueuedAnswer()
{
    m_queue.Pop(g_szCommandBuffer);
    if (!m_strInteractionFile.IsEmpty())
        RecordInteraction();
}

// Does nothing but wait, so that the lesson's one thread keeps all of the lesson's work.
DWORD WINAPI CMainFrame::WaitForQuitAnswer(LPVOID pvFrame)
{
    CMainFrame* pFrame = static_cast<CMainFrame*>(pvFrame);
    // A full queue refuses the word: it is posted again until the call answers.
    if (WaitForSingleObject(pFrame->m_hQuitAnswered.Get(), kQuitLimitMs) == WAIT_TIMEOUT)
        while (!PostMessageA(pFrame->m_hWnd, WM_QUIT_OVERDUE, 0, 0) &&
               WaitForSingleObject(pFrame->m_hQuitAnswered.Get(), kWatchPeriodMs) == WAIT_TIMEOUT) {
        }
    return 0;
}

// A viewer that never answers its quit call would keep the CMI system, which waits for this
// process, waiting for ever; cancelling the call is no way out (Wine cannot, and Windows would
// raise the quit-failure box, which again waits for a person).
void CMainFrame::StartQuitLimit()
{
    m_hQuitAnswered.Attach(CreateEventA(NULL, TRUE, FALSE, NULL));
    if (m_hQuitAnswered.Get() != NULL)
        m_hQuitLimit.Attach(CreateThread(NULL, 0, WaitForQuitAnswer, this, 0, NULL));
    if (m_hQuitLimit.Get() == NULL)
        LogEvent("finish", "no limit on the quit call (error %lu)", GetLastError());
}

void CMainFrame::StopQuitLimit()
{
    if (m_hQuitLimit.Get() != NULL) {
        SetEvent(m_hQuitAnswered.Get());
        WaitForSingleObject(m_hQuitLimit.Get(), INFINITE);
    }
    m_hQuitLimit.Close();
    m_hQuitAnswered.Close();
}

// The lesson's result, answers and option are written: the application's exit runs now, once, as
// the process really ends (the lesson mutex let go only here, so no lesson starts beside this
// one). COM's threads may be anywhere (a call may still wait on the viewer): ExitProcess would run
// every DLL's detach among them, which can deadlock, so the process is terminated, the log
// written first.
void CMainFrame::EndProcess()
{
    LogHold(FALSE);
    const int nExitCode = AfxGetApp()->ExitInstance();
    LogEvent("exit", "the process ends itself");
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(nExitCode));
}

// A message box of this thread (class "#32770"), a box the lesson is waiting in: ended as if OK
// was pressed. Windows leaves such a box up after WM_ENDSESSION (Restart Manager's close ends
// nothing), and nobody may be there to press it.
BOOL CALLBACK CMainFrame::DismissBox(HWND hWnd, LPARAM)
{
    char szClass[8] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    if (strcmp(szClass, "#32770") == 0) {
        LogEvent("session", "the box %p dismissed: the session has ended",
                 static_cast<void*>(hWnd));
        EndDialog(hWnd, IDOK);
    }
    return TRUE;
}
