// The dispatcher: what a command letter is to the lesson's course, and the restart R asks for.
#include "frame/main_frame.h"
#include "viewer/viewer.h"

// The rule itself is platform-free, so that lessoncheck judges a lesson's buttons by it too.
LessonEvent CMainFrame::DispatchCommand(char chLetter)
{
    return TakenCommandEvent(chLetter);
}

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
