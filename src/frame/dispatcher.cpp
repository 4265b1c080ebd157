// The restart of the show that an R command asks for.
#include "frame/main_frame.h"
#include "viewer/viewer.h"

// A refusal is reported as the framework reports a failed viewer call, and the lesson goes on.
LessonEvent CMainFrame::RestartShowOnce()
{
    try {
        RestartShow(m_show);
    } catch (const CException& e) {
        e.ReportError(MB_ICONSTOP);
    }
    return kRestartDone;
}
