// The running lesson: show start-up, the command receiver, the watch and the dispatcher.
#include <string.h>

#include "channel/command_block.h"
#include "channel/command_text.h"
#include "frame/finish_text.h"
#include "frame/main_frame.h"
#include "frame/show_path.h"
#include "framework/afxole.h"
#include "lesson/lesson_files.h"
#include "log/event_log.h"
#include "res/resource.h"
#include "viewer/viewer.h"

// Marks a call on the viewer for as long as it runs; texts that came meanwhile
// run once the outermost call is over, each in a message of its own, and a close
// asked for meanwhile (a logoff's) comes then.
class CMainFrame::CViewerCall {
public:
    explicit CViewerCall(CMainFrame* pFrame) : m_pFrame(pFrame) { ++pFrame->m_nViewerCalls; }
    ~CViewerCall()
    {
        if (--m_pFrame->m_nViewerCalls == 0) {
            m_pFrame->ResumeQueue();
            m_pFrame->CloseIfDrained();
        }
    }

private:
    CMainFrame* m_pFrame;
};

// While a call on the viewer waits for its answer, COM runs a wait loop of its
// own that leaves posted messages in the queue (so Wine's does), and a sender
// would wait for "taken" until the call returned. COM asks this filter about
// messages that arrive meanwhile: it lets the frame's command notices through,
// and the receiver takes and queues their texts. Static: COM may hold it until
// OLE is uninitialised, and there is one frame per process.
class CCommandNoticeFilter : public IMessageFilter {
public:
    void Register(HWND hWndFrame)
    {
        m_hWndFrame = hWndFrame;
        lazyole::CoRegisterMessageFilter(this, NULL);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == IID_IMessageFilter ? this : NULL;
        return *ppv != NULL ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return (DWORD)-1; }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override
    {
        MSG msg;
        while (PeekMessageA(&msg, m_hWndFrame, WM_SHOW_COMMAND, WM_SHOW_COMMAND, PM_REMOVE))
            DispatchMessageA(&msg);
        return PENDINGMSG_WAITDEFPROCESS;
    }

private:
    HWND m_hWndFrame = NULL;
};

static CCommandNoticeFilter g_commandNoticeFilter;

LRESULT CMainFrame::OnShowStart(WPARAM, LPARAM)
{
    lazyole::OleInitialize(NULL);
    g_commandNoticeFilter.Register(m_hWnd);
    m_bInteractionFileReady = FALSE;
    CString strPath = FormPresentationPath();
    CString strMessage;
    m_bShowStarted = OpenShowInViewer(strPath, strMessage);
    if (m_bShowStarted)
        WatchShow();
    else
        FailShowStart(strMessage);
    return 0;
}

// The command-line tail as the viewer gets it: a path on the current drive gets
// that drive's letter. The command buffer is the scratch space for the current
// directory and is left empty.
CString CMainFrame::FormPresentationPath()
{
    CString strPath;
    LPCSTR lpszTail = AfxGetApp()->m_lpCmdLine;
    if (NeedsCurrentDrive(lpszTail)) {
        DWORD cch = GetCurrentDirectoryA(kCommandBlockSize, g_szCommandBuffer);
        if (cch == 0 || cch >= kCommandBlockSize)
            g_szCommandBuffer[0] = '\0';
        char* pszPath = strPath.GetBuffer(static_cast<int>(ShowPathSize(strlen(lpszTail))));
        if (pszPath != NULL) {
            FormShowPath(lpszTail, g_szCommandBuffer, pszPath);
            strPath.ReleaseBuffer();
        }
    } else {
        strPath = lpszTail;
    }
    g_szCommandBuffer[0] = '\0';
    return strPath;
}

// Opens the channel, creates the viewer and has it open the presentation and run
// its show. FALSE, with the message to show, when any of them fails.
BOOL CMainFrame::OpenShowInViewer(LPCSTR lpszPath, CString& strMessage)
{
    // The event first: a sender that finds the block must find the event too.
    m_hCommandTaken.Attach(CreateCommandTakenEvent());
    m_hCommandBlock.Attach(CreateCommandBlock());
    if (m_hCommandBlock.Get() == NULL) {
        strMessage.LoadString(IDS_CANT_LAUNCH_VIEWER);
        return FALSE;
    }
    CViewerCall call(this);
    if (!m_viewerApp.CreateDispatch(kViewerProgId)) {
        LogEvent("viewer", "%s not created: 0x%08lX", kViewerProgId, GetLastError());
        strMessage.LoadString(IDS_VIEWER_NOT_CREATED);
        return FALSE;
    }
    LogEvent("viewer", "%s created", kViewerProgId);
    m_viewerApp.m_bAutoRelease = FALSE;
    LPDISPATCH lpShow = NULL;
    try {
        lpShow = OpenShow(m_viewerApp, lpszPath);
        m_show.AttachDispatch(lpShow, FALSE);
    } catch (const CException&) {
        lpShow = NULL;
    }
    // A viewer that answers with no show has failed to load the file all the same.
    if (lpShow == NULL)
        strMessage.Format(IDS_CANT_LOAD_FILE, lpszPath);
    return lpShow != NULL;
}

// The show runs: the watch starts once its window is there, and a show without a
// window ends the lesson at once.
void CMainFrame::WatchShow()
{
    // The viewer makes its show window after the open call has returned: give it
    // the designed moment before the one look-up. The thread blocks; messages wait.
    Sleep(kShowWindowWaitMs);
    m_hShowWnd = FindWindowA(kShowWindowClass, NULL);
    if (m_hShowWnd == NULL) {
        LogEvent("show", "no window %lu ms after the open call", kShowWindowWaitMs);
        FinishIncomplete();
        return;
    }
    m_nWatchTimer = SetTimer(m_hWnd, kWatchTimerId, kWatchPeriodMs, NULL);
    LogEvent("show", "window %p found; watch %s", static_cast<void*>(m_hShowWnd),
             m_nWatchTimer != 0 ? "running" : "not set");
}

// No show: nothing can reach the lesson any more, so the block goes before the box, and so do
// the texts taken while the viewer was being started: none of them has a lesson to act on.
void CMainFrame::FailShowStart(LPCSTR lpszMessage)
{
    {
        // OLE's teardown lets messages through too: texts wait in the queue meanwhile.
        CViewerCall call(this);
        lazyole::OleUninitialize();
        CloseCommandBlock();
        DropQueuedTexts();
    }
    HWND hWnd = m_hWnd;
    AfxMessageBox(lpszMessage);
    if (IsStillFrame(hWnd, this))
        CloseWhenDrained();
}

// Their senders were told "taken"; the log keeps each text for whoever looks into it.
void CMainFrame::DropQueuedTexts()
{
    char szText[kCommandBlockSize];
    while (m_queue.Pop(szText))
        LogEvent("receive", "%s dropped: the show did not start", szText);
    m_bCommandDeferred = FALSE;
    m_bOwnFinishDeferred = FALSE;
}

// Every ending comes here: the frame closes once each text taken before it has run, in the
// order taken, so that no sender told "taken" loses its text.
void CMainFrame::CloseWhenDrained()
{
    m_bClosing = TRUE;
    CloseIfDrained();
}

void CMainFrame::CloseIfDrained()
{
    if (m_bClosing && m_nViewerCalls == 0 && m_queue.IsEmpty() && !m_bCommandDeferred &&
        !m_bOwnFinishDeferred)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

LRESULT CMainFrame::OnShowCommand(WPARAM wParam, LPARAM)
{
    char szText[kCommandBlockSize];
    if (wParam == kQueuedText) {
        // During a call the queue waits for the call's end, which posts again.
        if (m_nViewerCalls > 0 || !m_queue.Pop(szText))
            return 0;
        ResumeQueue();
    } else if (m_nViewerCalls > 0 || !m_queue.IsEmpty()) {
        // Behind the texts already waiting, so that all run in arrival order.
        Queue(wParam);
        return 0;
    } else if (!TakeText(wParam, szText)) {
        return 0;
    }
    // A box the command shows lets a close through, which deletes this frame.
    HWND hWnd = m_hWnd;
    RunCommand(szText);
    if (IsStillFrame(hWnd, this))
        CloseIfDrained();
    return 0;
}

// The message's text: the instance's own finish text, or the block's, which is
// then taken so that the next sender may write. FALSE when there is no command.
BOOL CMainFrame::TakeText(WPARAM wParam, char* pszText)
{
    if (wParam == kOwnFinishText) {
        CopyCommandText(pszText, kCommandBlockSize, kDefaultFinishText, sizeof(kDefaultFinishText));
        return TRUE;
    }
    BOOL bCommand = TakeCommandText(m_hCommandBlock.Get(), pszText);
    if (m_hCommandTaken.Get() != NULL)
        SetEvent(m_hCommandTaken.Get());
    if (!bCommand)
        LogEvent("receive", "no command in the block: ignored");
    return bCommand;
}

// Takes the message's text into the queue. A full queue leaves a sender's text in
// the block, not taken, so that the sender waits; it is read once there is room.
void CMainFrame::Queue(WPARAM wParam)
{
    if (m_queue.IsFull()) {
        if (wParam == kOwnFinishText)
            m_bOwnFinishDeferred = TRUE;
        else
            m_bCommandDeferred = TRUE;
        LogEvent("receive", "queue full: text left until there is room");
        return;
    }
    char szText[kCommandBlockSize];
    if (TakeText(wParam, szText) && m_queue.Push(szText))
        LogEvent("receive", "%s queued", szText);
}

// Posts what waits: the next queued text, and the texts that found the queue full.
void CMainFrame::ResumeQueue()
{
    if (!m_queue.IsEmpty())
        PostMessageA(m_hWnd, WM_SHOW_COMMAND, kQueuedText, 0);
    if (m_bCommandDeferred) {
        m_bCommandDeferred = FALSE;
        PostMessageA(m_hWnd, WM_SHOW_COMMAND, kTextInBlock, 0);
    }
    if (m_bOwnFinishDeferred) {
        m_bOwnFinishDeferred = FALSE;
        PostMessageA(m_hWnd, WM_SHOW_COMMAND, kOwnFinishText, 0);
    }
}

// The text becomes the current command, its letter upper-cased, and runs after
// the designed wait.
void CMainFrame::RunCommand(LPCSTR lpszText)
{
    CopyCommandText(g_szCommandBuffer, kCommandBlockSize, lpszText, kCommandBlockSize);
    char chLetter = UpcaseCommandLetter(g_szCommandBuffer);
    LogEvent("receive", "%s dispatched", lpszText);
    // A command comes from the running show itself: let the slide that sent it,
    // and the viewer, settle before the lesson acts on them. Messages wait meanwhile.
    Sleep(kCommandWaitMs);
    DispatchCommand(chLetter);
}

void CMainFrame::OnTimer(UINT_PTR)
{
    if (m_nViewerCalls == 0 && !m_bFinishing && !IsWindow(m_hShowWnd)) {
        LogEvent("watch", "the show window is gone: finishing with %s", kDefaultFinishText);
        m_bFinishing = TRUE;
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
             !bEnding         ? "cancelled: the lesson goes on"
             : m_bFinishing   ? "after the finish began: result kept"
             : m_bShowStarted ? "ending: suspending the lesson"
                              : "ending before the show started: no result");
    if (!bEnding)
        return;
    // The application's exit: the option written back, the crash record gone.
    CFrameWnd::OnEndSession(bEnding);
    const BOOL bSuspend = m_bShowStarted && !m_bFinishing;
    m_bFinishing = TRUE;
    if (!bSuspend)
        return;
    WriteResult(kDefaultFinishText);
    // A call already waiting on the viewer cannot be joined by another. Nor can Windows' own
    // sent message call out (RPC_E_CANTCALLOUT_ININPUTSYNCCALL); the session ends anyway.
    if (m_nViewerCalls == 0)
        EndViewer();
    CloseWhenDrained();
}

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
    m_bFinishing = TRUE;
    // The result first: a viewer that hangs in its quit call, or a logoff meanwhile, must not
    // cost the lesson its result.
    CString strUnwritten = WriteResult(g_szCommandBuffer), strWriteFailure;
    if (!strUnwritten.IsEmpty())
        strWriteFailure.Format(IDS_CANT_WRITE_RESULT_FILE, static_cast<LPCSTR>(m_strResultFile),
                               static_cast<LPCSTR>(strUnwritten));
    // A viewer that refuses to quit is reported once the result is written.
    CString strQuitFailure = EndViewer();

    // Each box lets other messages run, a WM_CLOSE among them, which deletes this frame.
    HWND hWnd = m_hWnd;
    if (!strWriteFailure.IsEmpty()) {
        AfxMessageBox(strWriteFailure);
        if (!IsStillFrame(hWnd, this))
            return;
    }
    if (!strQuitFailure.IsEmpty()) {
        AfxMessageBox(strQuitFailure, MB_ICONSTOP);
        if (!IsStillFrame(hWnd, this))
            return;
    }
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
    try {
        QuitViewer(m_viewerApp);
    } catch (const CException& e) {
        if (!e.GetErrorMessage(strFailure) || strFailure.IsEmpty())
            strFailure = "The viewer did not end.";
    }
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
    HWND hWnd = m_hWnd;
    if (RecordInteraction())
        return;
    // The failure's box may have let a finish close the frame meanwhile; a finish
    // under way needs no second one.
    if (!IsStillFrame(hWnd, this) || m_bFinishing)
        return;
    // Never through the block: a sender's text there may not have been taken yet.
    PostMessageA(hWnd, WM_SHOW_COMMAND, kOwnFinishText, 0);
}
