// The watch: every tick asks whether the show's window is still there.
#include "frame/main_frame.h"
#include "log/event_log.h"

void CMainFrame::OnTimer(UINT_PTR)
{
    if (!IsWindow(m_hShowWnd))
        Dispatch(kShowGone);
    Default();
}
