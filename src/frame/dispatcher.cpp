// The dispatcher: each command text run by its letter; the finish, and the close point every
// ending goes through.
#include "channel/command_text.h"
#include "frame/finish_text.h"
#include "frame/main_frame.h"
#include "framework/afxole.h"
#include "lesson/lesson_files.h"
#include "res/resource.h"
#include "viewer/viewer.h"

void CMainFrame::DispatchCommand(char chLetter)
{
    switch (chLetter) {
    case 'G':
    case 'S':
        Finish();
        break;
    case 'Q':
        if (!m_strInteractionFile.IsEmpty())
            RecordOrFinish();
        break;
    case 'R': {
        CViewerCall call(this);
        RestartShow(m_show);
        break;
    }
    default:
        break;
    }
}

// The program's own finish: the default finish text through the dispatcher.
void CMainFrame::FinishIncomplete()
{
    CopyCommandText(g_szCommandBuffer, kCommandBlockSize, kDefaultFinishText,
                    sizeof(kDefaultFinishText));
    DispatchCommand('S');
}

void CMainFrame::Finish()
{
    // A finish that comes while the lesson closes leaves it closing.
    if (m_ePhase != kClosing)
        SetPhase(kFinishing);
    // The result first: a viewer that hangs in its quit call, or a logoff meanwhile, must not
    // cost the lesson its result; its failure is shown before the quit call, which may be
    // given up.
    CString strUnwritten = WriteResult(g_szCommandBuffer);
    if (!strUnwritten.IsEmpty()) {
        CString strWriteFailure;
        strWriteFailure.Format(IDS_CANT_WRITE_RESULT_FILE, static_cast<LPCSTR>(m_strResultFile),
                               static_cast<LPCSTR>(strUnwritten));
        if (!OutlivesBox([&] { AfxMessageBox(strWriteFailure); }))
            return;
    }
    CString strQuitFailure = EndViewer();
    if (!strQuitFailure.IsEmpty() &&
        !OutlivesBox([&] { AfxMessageBox(strQuitFailure, MB_ICONSTOP); }))
        return;
    CloseWhenDrained();
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

// Tells the viewer to end and forgets both references, never releasing them
// through the viewer. Returns the viewer's refusal, or the empty text.
CString CMainFrame::EndViewer()
{
    // OLE's teardown lets messages through as well as the call does: texts that
    // come meanwhile wait in the queue, so that none runs, or closes the frame,
    // in the middle of it.
    CViewerCall call(this);
    CString strFailure;
    StartQuitLimit();
    try {
        QuitViewer(m_viewerApp);
    } catch (const CException& e) {
        if (!e.GetErrorMessage(strFailure) || strFailure.IsEmpty())
            strFailure = "The viewer did not end.";
    }
    StopQuitLimit();
    // Forgotten, never released through the viewer (auto-release is off): once told
    // to end it is on its way out, and a call into it then could only wait or fail.
    // OLE's teardown drops what the apartment still holds.
    m_show.DetachDispatch();
    m_viewerApp.ReleaseDispatch();
    lazyole::OleUninitialize();
    return strFailure;
}

void CMainFrame::RecordOrFinish()
{
    BOOL bRecorded = FALSE;
    // The failure's box may have let a finish close the frame meanwhile; a lesson finishing,
    // or ended by a logoff, needs no second finish.
    if (!OutlivesBox([&] { bRecorded = RecordInteraction(); }) || bRecorded || m_ePhase != kRunning)
        return;
    // Never through the block: a sender's text there may not have been taken yet.
    PostMessageA(m_hWnd, WM_SHOW_COMMAND, kOwnFinishText, 0);
}

// Every ending comes here: the frame closes once each text taken before it has run, in the
// order taken, so that no sender told "taken" loses its text.
void CMainFrame::CloseWhenDrained()
{
    SetPhase(kClosing);
    CloseIfDrained();
}

BOOL CMainFrame::IsDrained() const
{
    return m_queue.IsEmpty() && !m_bCommandDeferred && !m_bOwnFinishDeferred;
}

// Once no viewer call runs and no text waits: a lesson that has ended closes its frame, and a
// close asked for from outside ends a lesson that has not, as a closed show does.
void CMainFrame::CloseIfDrained()
{
    if (m_nViewerCalls > 0 || !IsDrained())
        return;
    if (m_ePhase == kClosing) {
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    } else if (m_bCloseAsked && (m_ePhase == kRunning || m_ePhase == kSessionEnded)) {
        m_bCloseAsked = FALSE;
        PostMessageA(m_hWnd, WM_SHOW_COMMAND, kOwnFinishText, 0);
    }
}
