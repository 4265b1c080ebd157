// The dispatcher: what each command letter is to the lesson's course, and the restart.
#include "frame/main_frame.h"
#include "viewer/viewer.h"

// G and S finish, Q records an answer, R restarts the show; any other letter, lower-case ones
// included, does nothing.
LessonEvent CMainFrame::DispatchCommand(char chLetter)
{
    switch (chLetter) {
    case 'G':
    case 'S':
        return kTakenFinish;
    case 'Q':
        return kTakenAnswer;
    case 'R':
        return kTakenRestart;
    default:
        return kTakenOther;
    }
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
