// The command receiver: texts taken out of the block, queued while a call on the viewer runs,
// and run in the order taken; the viewer-call marker and the message filter that let notices
// through a call's wait.
#include "channel/command_block.h"
#include "channel/command_text.h"
#include "frame/main_frame.h"
#include "framework/afxole.h"
#include "log/event_log.h"

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

// A sender's notice, or the frame's own reminder.
LRESULT CMainFrame::OnShowCommand(WPARAM wParam, LPARAM)
{
    Dispatch(wParam == kLessonReminder ? kContinue : kNotice);
    return 0;
}

// The block's text taken into the queue's tail, so that the next sender may write. "Taken" is
// said of a text, a command or not (a second lesson's path gets its answer at once), never of an
// empty block.
LessonEvent CMainFrame::TakeText()
{
    char szText[kCommandBlockSize] = "";
    const BOOL bText = ClaimBlockText(m_hCommandBlock.Get(), m_hCommandTaken.Get(), szText);
    const BOOL bCommand = bText && IsCommandText(szText);
    // The letter read from a copy: the text is queued and logged as it came.
    char szHead[3] = {szText[0], szText[0] != '\0' ? szText[1] : '\0', '\0'};
    const LessonEvent eKind = bCommand ? DispatchCommand(UpcaseCommandLetter(szHead)) : kTakenOther;
    if (eKind == kTakenOther) {
        LogEvent("receive",
                 !bText     ? "no text in the block: nothing taken"
                 : bCommand ? "%s: no command the lesson runs"
                            : "no command in the block: ignored",
                 szText);
    } else if (m_queue.Push(szText)) {
        LogEvent("receive", "%s queued", szText);
    }
    return eKind;
}

// The queue's oldest text becomes the current command, its letter upper-cased, and runs after
// the designed wait.
void CMainFrame::RunQueued()
{
    m_queue.Pop(g_szCommandBuffer);
    UpcaseCommandLetter(g_szCommandBuffer);
    LogEvent("receive", "%s dispatched", g_szCommandBuffer);
    // A command comes from the running show itself: let the slide that sent it,
    // and the viewer, settle before the lesson acts on them. Messages wait meanwhile.
    Sleep(kCommandWaitMs);
}

// Their senders were told "taken"; the log keeps each text for whoever looks into it.
void CMainFrame::DropQueued(LPCSTR lpszWhy)
{
    char szText[kCommandBlockSize];
    if (m_queue.Pop(szText))
        LogEvent("receive", "%s dropped: %s", szText, lpszWhy);
}
