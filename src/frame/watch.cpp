// The watch: every tick asks whether the show's window is still there; and the retry timer.
#include "frame/main_frame.h"
#include "log/event_log.h"

// The retry timer ticks once.
void CMainFrame::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kRetryTimerId) {
        KillTimer(m_hWnd, kRetryTimerId);
        Dispatch(kRetryTick);
    } else if (!IsWindow(m_hShowWnd)) {
        Dispatch(kShowGone);
    }
    Default();
}
