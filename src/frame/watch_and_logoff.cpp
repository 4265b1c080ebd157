// The watch on the show's window, and the lesson's end at a logoff or shutdown.
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

// A logoff or shutdown never waits for the lesson.
BOOL CMainFrame::OnQueryEndSession()
{
    LogEvent("session", "WM_QUERYENDSESSION: the session may end");
    return TRUE;
}

// Windows may end the process at any moment once this has begun, and nothing of the lesson's own
// end would run: so the option first, then the result of a lesson that ran and was not finished,
// and the viewer last, as far as it can be reached; no box waits for anybody. A finish under way
// or done keeps its result, and a lesson that never started writes none.
void CMainFrame::OnEndSession(BOOL bEnding)
{
    LogEvent("session", "WM_ENDSESSION %s",
             !bEnding               ? "cancelled: the lesson goes on"
             : m_ePhase == kRunning ? "ending: suspending the lesson"
             : m_ePhase == kStarting || m_ePhase == kStartFailed
                 ? "ending before the show started: no result"
                 : "ending after the finish began: result kept");
    if (!bEnding)
        return;
    // The application's exit: the option written back, the crash record gone.
    CFrameWnd::OnEndSession(bEnding);
    if (m_ePhase == kStarting)
        SetPhase(kSessionEnded);
    if (m_ePhase != kRunning)
        return;
    SetPhase(kFinishing);
    WriteResult(kDefaultFinishText);
    // A call already waiting on the viewer cannot be joined by another. Nor can Windows' own
    // sent message call out (RPC_E_CANTCALLOUT_ININPUTSYNCCALL); the session ends anyway.
    if (m_nViewerCalls == 0)
        EndViewer();
    CloseWhenDrained();
}
