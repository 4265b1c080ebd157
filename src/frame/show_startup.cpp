// Show start-up: the channel opened, the viewer created, the show opened and watched, or the
// failure reported.
#include <string.h>

#include "channel/command_block.h"
#include "frame/main_frame.h"
#include "frame/show_path.h"
#include "framework/afxole.h"
#include "log/event_log.h"
#include "res/resource.h"
#include "viewer/viewer.h"

LRESULT CMainFrame::OnShowStart(WPARAM, LPARAM)
{
    Dispatch(kShowStart);
    return 0;
}

// OLE, the block, the viewer and the open call; then the show's window, watched. The outcome
// says which of them failed, if one did, its message kept for the box.
LessonEvent CMainFrame::StartShow()
{
    lazyole::OleInitialize(NULL);
    RegisterNoticeFilter(m_hWnd);
    m_bInteractionFileReady = FALSE;
    if (!OpenShowInViewer(FormPresentationPath()))
        return kOpenFailed;
    return WatchShow();
}

// The command-line tail as the viewer gets it: a path on the current drive gets that drive's
// letter, a plain relative path the current directory. The command buffer is the scratch space
// for the current directory and is left empty.
CString CMainFrame::FormPresentationPath()
{
    CString strPath;
    LPCSTR lpszTail = AfxGetApp()->m_lpCmdLine;
    if (ShowPathRuleFor(lpszTail) == SHOW_PATH_AS_IS) {
        strPath = lpszTail;
        return strPath;
    }
    DWORD cch = GetCurrentDirectoryA(kCommandBlockSize, g_szCommandBuffer);
    if (cch == 0 || cch >= kCommandBlockSize)
        g_szCommandBuffer[0] = '\0';
    char* pszPath = strPath.GetBuffer(
        static_cast<int>(ShowPathSize(strlen(lpszTail), strlen(g_szCommandBuffer))));
    if (pszPath != NULL) {
        FormShowPath(lpszTail, g_szCommandBuffer, pszPath);
        strPath.ReleaseBuffer();
    }
    g_szCommandBuffer[0] = '\0';
    return strPath;
}

// Opens the channel, creates the viewer and has it open the presentation and run
// its show. FALSE, with the message to show, when any of them fails.
BOOL CMainFrame::OpenShowInViewer(LPCSTR lpszPath)
{
    // The event first: a sender that finds the block must find the event too, or it would take
    // this lesson for one of 1.1, which cannot tell it a text was taken.
    m_hCommandTaken.Attach(CreateCommandTakenEvent());
    if (m_hCommandTaken.Get() != NULL)
        m_hCommandBlock.Attach(CreateCommandBlock());
    if (m_hCommandBlock.Get() == NULL) {
        m_strBoxText.LoadString(IDS_CANT_LAUNCH_VIEWER);
        return FALSE;
    }
    if (!m_viewerApp.CreateDispatch(kViewerProgId)) {
        LogEvent("viewer", "%s not created: 0x%08lX", kViewerProgId, GetLastError());
        m_strBoxText.LoadString(IDS_VIEWER_NOT_CREATED);
        return FALSE;
    }
    LogEvent("viewer", "%s created", kViewerProgId);
    m_viewerApp.m_bAutoRelease = FALSE;
    // COM, not the foreground CMI system, started the viewer: Windows lets its show take the
    // foreground, and the keyboard, only with this launcher's right passed on.
    const HRESULT hr = lazyole::CoAllowSetForegroundWindow(m_viewerApp.m_lpDispatch, NULL);
    if (FAILED(hr))
        LogEvent("viewer", "the right to the foreground not passed on: 0x%08lX", hr);
    LPDISPATCH lpShow = NULL;
    try {
        lpShow = OpenShow(m_viewerApp, lpszPath);
        m_show.AttachDispatch(lpShow, FALSE);
    } catch (const CException&) {
        lpShow = NULL;
    }
    // A viewer that answers with no show has failed to load the file all the same.
    if (lpShow == NULL)
        m_strBoxText.Format(IDS_CANT_LOAD_FILE, lpszPath);
    return lpShow != NULL;
}

// The show runs: the watch starts once its window is there; a show without a window, or one that
// cannot be watched, is the lesson's to decide about.
LessonEvent CMainFrame::WatchShow()
{
    // The viewer makes its show window after the open call has returned: give it
    // the designed moment before the one look-up. The thread blocks; messages wait.
    Sleep(kShowWindowWaitMs);
    m_hShowWnd = FindWindowA(kShowWindowClass, NULL);
    if (m_hShowWnd == NULL) {
        LogEvent("show", "no window %lu ms after the open call", kShowWindowWaitMs);
        return kOpenNoWindow;
    }
    m_nWatchTimer = SetTimer(m_hWnd, kWatchTimerId, kWatchPeriodMs, NULL);
    LogEvent("show", "window %p found; watch %s", static_cast<void*>(m_hShowWnd),
             m_nWatchTimer != 0 ? "running" : "not set");
    return m_nWatchTimer != 0 ? kOpenShowUp : kOpenNoWatch;
}
