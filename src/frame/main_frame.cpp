// CMainFrame as the lesson's adapter: its message map, each message handed to the lesson as an
// event, each action the lesson asks for performed; the close point and the window's end.
#include "frame/main_frame.h"

#include "channel/command_block.h"
#include "channel/command_text.h"
#include "log/event_log.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_MESSAGE(WM_SHOW_START, OnShowStart)
ON_MESSAGE(WM_SHOW_COMMAND, OnShowCommand)
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_WM_QUERYENDSESSION()
ON_WM_ENDSESSION()
ON_MESSAGE(WM_QUIT_OVERDUE, OnQuitOverdue)
END_MESSAGE_MAP()

CMainFrame::CMainFrame()
    : m_nWatchTimer(0), m_hShowWnd(NULL), m_bInteractionFileReady(FALSE), m_szFailedFinish()
{
    m_lesson.m_nCapacity = CCommandQueue::kCapacity;
}

// Both references are only forgotten (auto-release is off): see the finish.
CMainFrame::~CMainFrame()
{
    m_show.ReleaseDispatch();
    m_viewerApp.ReleaseDispatch();
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    return CFrameWnd::PreCreateWindow(cs);
}

// The lesson decides; the frame performs. An action that lets messages through may run this
// again for them: the lesson has then asked for nothing else that could. Nothing here touches
// the frame once it has been destroyed.
void CMainFrame::Dispatch(LessonEvent eEvent)
{
    while (eEvent != kIdle) {
        CLessonActions actions;
        const LessonPhase ePhase = static_cast<LessonPhase>(m_lesson.m_ePhase);
        m_lesson = StepLesson(m_lesson, eEvent, &actions);
        if (m_lesson.m_ePhase != ePhase)
            LogEvent("phase", "%s", LessonPhaseName(static_cast<LessonPhase>(m_lesson.m_ePhase)));
        eEvent = kIdle;
        for (int i = 0; i < actions.m_nCount; ++i) {
            const LessonEvent eOutcome = Perform(actions.m_actions[i]);
            if (eOutcome != kIdle)
                eEvent = eOutcome;
        }
    }
}

// The actions that report back: their outcome is the lesson's next event.
LessonEvent CMainFrame::Perform(LessonAction eAction)
{
    switch (eAction) {
    case kOpenShow:
        return StartShow();
    case kTakeText:
        return TakeText();
    case kRecordAnswer:
        return m_strInteractionFile.IsEmpty() || RecordInteraction() ? kRecorded : kRecordFailed;
    case kWriteResult:
        return WriteFinish(g_szCommandBuffer);
    case kWriteOwnFinish:
        LogEvent("finish", "the lesson ends with %s", kDefaultFinishText);
        CopyCommandText(g_szCommandBuffer, kCommandBlockSize, kDefaultFinishText,
                        sizeof(kDefaultFinishText));
        return WriteFinish(g_szCommandBuffer);
    case kRestartShow:
        return RestartShowOnce();
    case kQuitViewer:
        return QuitViewerInTime();
    case kTearDown:
        return TearDown();
    case kShowWriteBox:
    case kShowStartBox:
        AfxMessageBox(m_strBoxText);
        return kBoxDismissed;
    case kShowQuitBox:
        AfxMessageBox(m_strBoxText, MB_ICONSTOP);
        return kBoxDismissed;
    case kPostContinue:
        return PostToSelf(WM_SHOW_COMMAND, kLessonReminder);
    case kPostClose:
        return PostToSelf(WM_CLOSE, 0);
    default:
        PerformStep(eAction);
        return kIdle;
    }
}

// The actions that do not report back: the queue, the log, the frame's own messages and its end.
void CMainFrame::PerformStep(LessonAction eAction)
{
    switch (eAction) {
    case kRunQueued:
        RunQueued();
        break;
    case kDropQueued:
        DropQueued("the lesson has no show");
        break;
    case kCloseBlock:
        CloseCommandBlock();
        break;
    case kHoldLog:
        LogHold(TRUE);
        break;
    case kReleaseLog:
        LogHold(FALSE);
        break;
    case kStartRetry:
        if (SetTimer(m_hWnd, kRetryTimerId, kWatchPeriodMs, NULL) == 0)
            LogEvent("close", "no retry timer (error %lu)", GetLastError());
        break;
    case kDestroyFrame:
        if (m_nWatchTimer != 0)
            KillTimer(m_hWnd, kWatchTimerId);
        CFrameWnd::OnClose(); // this frame is deleted
        break;
    default:
        PerformAtOnce(eAction);
        break;
    }
}

// A full queue refuses a message (PostMessage fails): the lesson posts it again at the retry
// timer's tick, which no queue holds.
LessonEvent CMainFrame::PostToSelf(UINT nMessage, WPARAM wParam)
{
    if (PostMessageA(m_hWnd, nMessage, wParam, 0))
        return kPosted;
    LogEvent("close", "message 0x%04X not posted (error %lu): posted again", nMessage,
             GetLastError());
    return kPostFailed;
}

// The close point's own WM_CLOSE destroys the frame once the lesson has ended and every text
// taken has run; one from outside (another program, taskkill, Restart Manager) ends a lesson
// that has not as a closed show does.
void CMainFrame::OnClose()
{
    if (m_lesson.m_ePhase != kClosing)
        LogEvent("close", "WM_CLOSE: the lesson ends once no viewer call runs and no text waits");
    Dispatch(kCloseMessage);
}

void CMainFrame::OnDestroy()
{
    CFrameWnd::OnDestroy();
    GetMenu().DestroyMenu();
    CloseCommandBlock();
}

// Each handle is closed exactly once: its owner forgets a closed one.
void CMainFrame::CloseCommandBlock()
{
    m_hCommandBlock.Close();
    m_hCommandTaken.Close();
}

// A logoff or shutdown never waits for the lesson, nor for its log: from here on the log's
// lines wait until the result is written, or the logoff is cancelled.
BOOL CMainFrame::OnQueryEndSession()
{
    Dispatch(kQueryEndSession);
    LogEvent("session", "WM_QUERYENDSESSION: the session may end");
    return TRUE;
}

// Windows may end the process at any moment once this has returned (Restart Manager's close
// does not): the lesson ends at once, and the viewer is told to quit afterwards, out of this
// sent message, from which no call may go out.
void CMainFrame::OnEndSession(BOOL bEnding)
{
    LogEvent("session", bEnding ? "WM_ENDSESSION: the lesson ends at once"
                                : "WM_ENDSESSION cancelled: the lesson goes on");
    Dispatch(bEnding ? kEndSession : kEndSessionCanceled);
}

// Comes from inside the quit call's wait (the message filter lets it through), or late.
LRESULT CMainFrame::OnQuitOverdue(WPARAM, LPARAM)
{
    if (m_lesson.m_eWait == kWaitQuit)
        LogEvent("finish", "the viewer has not answered its quit call: the lesson ends without it");
    Dispatch(kQuitOverdue);
    return 0;
}
