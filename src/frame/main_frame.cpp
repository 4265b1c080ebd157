// CMainFrame's construction, message map, phase, closing and destruction.
#include "frame/main_frame.h"

#include "channel/command_block.h"
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
    : m_ePhase(kStarting), m_nWatchTimer(0), m_hShowWnd(NULL), m_bInteractionFileReady(FALSE),
      m_bEndingAtOnce(FALSE), m_bCloseAsked(FALSE), m_nViewerCalls(0), m_bCommandDeferred(FALSE),
      m_bOwnFinishDeferred(FALSE)
{
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

void CMainFrame::SetPhase(LessonPhase ePhase)
{
    static const char* const kPhaseNames[] = {"starting",      "running",   "start failed",
                                              "session ended", "finishing", "closing"};
    if (ePhase == m_ePhase)
        return;
    m_ePhase = ePhase;
    LogEvent("phase", "%s", kPhaseNames[ePhase]);
}

// The close point's own WM_CLOSE destroys the frame. One from outside (another program,
// taskkill) ends the lesson through the close point instead, never under a running call.
void CMainFrame::OnClose()
{
    if (m_ePhase != kClosing || m_nViewerCalls > 0 || !IsDrained()) {
        LogEvent("close", "WM_CLOSE: the lesson ends once no viewer call runs and no text waits");
        m_bCloseAsked = TRUE;
        CloseIfDrained();
        return;
    }
    if (m_nWatchTimer != 0)
        KillTimer(m_hWnd, kWatchTimerId);
    CFrameWnd::OnClose();
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

BOOL CMainFrame::IsStillFrame(HWND hWnd, const CMainFrame* pFrame)
{
    return IsWindow(hWnd) &&
           GetWindowLongPtrA(hWnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(pFrame);
}
