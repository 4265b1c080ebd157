// The command receiver: texts taken out of the block, queued while a call on the viewer runs,
// and run in the order taken; the viewer-call marker and the message filter that let notices
// through a call's wait.
#include "channel/command_block.h"
#include "channel/command_text.h"
#include "frame/main_frame.h"
#include "framework/afxole.h"
#include "log/event_log.h"

CMainFrame::CViewerCall::CViewerCall(CMainFrame* pFrame) : m_pFrame(pFrame)
{
    ++pFrame->m_nViewerCalls;
}

// Texts that came meanwhile run once the outermost call is over, each in a message of its
// own, and a close asked for meanwhile (a logoff's) comes then.
CMainFrame::CViewerCall::~CViewerCall()
{
    if (--m_pFrame->m_nViewerCalls == 0) {
        m_pFrame->ResumeQueue();
        m_pFrame->CloseIfDrained();
    }
}

// While a call on the viewer waits for its answer, COM runs a wait loop of its
// own that leaves posted messages in the queue (so Wine's does), and a sender
// would wait for "taken" until the call returned. COM asks this filter about
// messages that arrive meanwhile: it lets the frame's command notices through, so
// that the receiver takes and queues their texts, and the quit call's limit.
// Static: COM may hold it until OLE is uninitialised, and there is one frame per
// process.
static_assert(WM_QUIT_OVERDUE == WM_SHOW_COMMAND + 1, "the filter takes one range of messages");
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
        while (PeekMessageA(&msg, m_hWndFrame, WM_SHOW_COMMAND, WM_QUIT_OVERDUE, PM_REMOVE))
            DispatchMessageA(&msg);
        return PENDINGMSG_WAITDEFPROCESS;
    }

private:
    HWND m_hWndFrame = NULL;
};

static CCommandNoticeFilter g_commandNoticeFilter;

void CMainFrame::RegisterNoticeFilter(HWND hWndFrame)
{
    g_commandNoticeFilter.Register(hWndFrame);
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
    if (OutlivesBox([&] { RunCommand(szText); }))
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
    // "Taken" is said of a text, a command or not (a second lesson's path gets its answer at
    // once), never of an empty block.
    const BOOL bText = ClaimBlockText(m_hCommandBlock.Get(), pszText);
    if (bText && m_hCommandTaken.Get() != NULL)
        SetEvent(m_hCommandTaken.Get());
    const BOOL bCommand = bText && IsCommandText(pszText);
    if (!bCommand)
        LogEvent("receive", bText ? "no command in the block: ignored"
                                  : "no text in the block: nothing taken");
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
