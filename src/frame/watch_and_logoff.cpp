// The watch on the show's window, and the lesson's end at once: at a logoff or shutdown, or when
// the viewer never answers its quit call.
#include "channel/command_text.h"
#include "frame/main_frame.h"
#include "log/event_log.h"

void CMainFrame::OnTimer(UINT_PTR)
{
    if (m_nViewerCalls == 0 && m_ePhase == kRunning && !IsWindow(m_hShowWnd)) {
        LogEvent("watch", "the show window is gone: finishing with %s", kDefaultFinishText);
        FinishIncomplete();
    }
    Default();
}

// A logoff or shutdown never waits for the lesson, nor for its log: from here on the log's
// lines wait until the result is written, or the logoff is cancelled.
BOOL CMainFrame::OnQueryEndSession()
{
    LogHold(TRUE);
    LogEvent("session", "WM_QUERYENDSESSION: the session may end");
    return TRUE;
}

// Windows may end the process at any moment once this has begun, and nothing of the lesson's own
// end would run: so the lesson ends at once, and the viewer is told to quit last, as far as it
// can be reached. A lesson that never started writes no result unless a finish text came.
void CMainFrame::OnEndSession(BOOL bEnding)
{
    if (!bEnding) {
        LogEvent("session", "WM_ENDSESSION cancelled: the lesson goes on");
        LogHold(FALSE);
        return;
    }
    const LessonPhase ePhase = m_ePhase;
    EndAtOnce("session", "WM_ENDSESSION: the lesson ends at once");
    if (ePhase == kStarting)
        SetPhase(kSessionEnded);
    if (ePhase != kRunning)
        return;
    SetPhase(kFinishing);
    // A call already waiting on the viewer cannot be joined by another. Nor can Windows' own
    // sent message call out (RPC_E_CANTCALLOUT_ININPUTSYNCCALL); the session ends anyway.
    if (m_nViewerCalls == 0)
        EndViewer();
    CloseWhenDrained();
}

// Comes from inside the quit call's wait (the message filter lets it through). The finish is
// still on the stack below, so the frame stays: the process ends here, its result written.
LRESULT CMainFrame::OnQuitOverdue(WPARAM, LPARAM)
{
    if (m_hQuitLimit.Get() == NULL)
        return 0; // the call answered just in time
    const int nExitCode = EndAtOnce(
        "finish", "the viewer has not answered its quit call: the lesson ends without it");
    ExitProcess(static_cast<UINT>(nExitCode));
}

// The option written back and the crash record gone (the application's exit), then the result
// the queue gives, then its answers, none of it through the viewer and no box waiting for
// anybody. Nothing is logged until the result is written. The exit code is the application's.
int CMainFrame::EndAtOnce(LPCSTR lpszEvent, LPCSTR lpszWhy)
{
    LogHold(TRUE);
    LogEvent(lpszEvent, "%s", lpszWhy);
    const int nExitCode = AfxGetApp()->ExitInstance();
    WriteQueuedResult();
    LogHold(FALSE);
    RecordQueuedAnswers();
    return nExitCode;
}

// The last finish text waiting wins, as it would in a normal run; a running lesson that no
// finish has ended is suspended; a finish that ran keeps its result.
void CMainFrame::WriteQueuedResult()
{
    char szFinish[kCommandBlockSize] = "";
    if (m_ePhase == kRunning || m_bOwnFinishDeferred)
        CopyCommandText(szFinish, sizeof(szFinish), kDefaultFinishText, sizeof(kDefaultFinishText));
    CCommandQueue queue = m_queue;
    char szText[kCommandBlockSize];
    while (queue.Pop(szText)) {
        const char chLetter = UpcaseCommandLetter(szText);
        if (chLetter == 'G' || chLetter == 'S')
            CopyCommandText(szFinish, sizeof(szFinish), szText, sizeof(szText));
    }
    if (szFinish[0] != '\0')
        WriteResult(szFinish);
}

// The answers waiting, in order, each tried once; every other text there is dropped.
void CMainFrame::RecordQueuedAnswers()
{
    m_bEndingAtOnce = TRUE;
    char szText[kCommandBlockSize];
    while (m_queue.Pop(szText)) {
        CopyCommandText(g_szCommandBuffer, kCommandBlockSize, szText, kCommandBlockSize);
        if (UpcaseCommandLetter(g_szCommandBuffer) == 'Q' && !m_strInteractionFile.IsEmpty())
            RecordInteraction();
        else
            LogEvent("receive", "%s dropped: the lesson ends at once", szText);
    }
    m_bCommandDeferred = FALSE;
    m_bOwnFinishDeferred = FALSE;
}

// Does nothing but wait, so that the lesson's one thread keeps all of the lesson's work.
DWORD WINAPI CMainFrame::WaitForQuitAnswer(LPVOID pvFrame)
{
    CMainFrame* pFrame = static_cast<CMainFrame*>(pvFrame);
    if (WaitForSingleObject(pFrame->m_hQuitAnswered.Get(), kQuitLimitMs) == WAIT_TIMEOUT)
        PostMessageA(pFrame->m_hWnd, WM_QUIT_OVERDUE, 0, 0);
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
