// The running lesson's course as one table, and the step that reads it. No Windows header.
#include "frame/lesson_machine.h"

namespace {

// Phases, as a row's set.
enum : unsigned {
    S = 1u << kStarting,
    R = 1u << kRunning,
    F = 1u << kStartFailed,
    N = 1u << kFinishing,
    C = 1u << kClosing,
    E = 1u << kSessionEnded,
    kLive = S | R | F | N | C,
    kAny = kLive | E,
};

// What a row asks of the state before its actions run.
enum Guard {
    gAlways,
    gRoom,        // the queue has room
    gSenderWaits, // ... and a sender's text waits in the block for it
    gHeadAnswer,  // the queue's oldest text is an answer
    gHeadFinish,  // ... a finish
    gHeadRestart, // ... a restart
    gOwnFinish,   // the program's own I,S waits
    gViewer,      // a viewer to tell to quit
    gOle,         // OLE to tear down
    gQuitRefused, // the quit call failed
    gWriteBox,    // the box dismissed was the result's
    gQuitBox,     // ... the quit call's
    gQuitCall,    // the quit call is under way
    gDrained,     // no text waits, in the queue or in the block
    gClosable,    // drained, and no WM_CLOSE of the close point's own on its way
    gNotOpened,   // the show was never opened: a second WM_SHOW_START opens nothing
    gBoxUp,       // a box is up, or may be: a record's or one of the lesson's
    gCallHangs,   // the open call or the restart (its call, or its failure's box)
};

// What a row does to the state besides its phase; several at once.
enum : unsigned {
    fxQueueTaken = 1,      // the text taken joins the queue
    fxSenderWaits = 2,     // a sender's text left in the block
    fxOwnFinish = 4,       // the program's own I,S waits
    fxFinishBegins = 8,    // a finish begins: the own I,S no longer counts
    fxViewerUp = 16,       // a viewer to tell to quit, OLE to tear down
    fxViewerGone = 32,     // the viewer told
    fxQuitRefused = 64,    // its box after the teardown
    fxWriteFailed = 128,   // a logoff writes it again
    fxWriteDone = 256,     // written
    fxClosePosted = 512,   // the close point's WM_CLOSE on its way
    fxCloseArrived = 1024, // a WM_CLOSE handled: the close point may post another
    fxSenderRead = 2048,   // the sender left in the block read again
};

// Actions a row names that the step spells out from the state.
const int kRunHead = kActionCount;       // the oldest text into the command buffer
const int kDropAll = kActionCount + 1;   // every queued text dropped
const int kEndAtOnce = kActionCount + 2; // the option, the result, the answers, without the viewer

const LessonPhase kSame = kPhaseCount;

struct CTransition {
    unsigned m_nPhases;
    LessonEvent m_eEvent;
    Guard m_eGuard;
    unsigned m_nEffects;
    int m_actions[3];
    LessonPhase m_eNext;
    const char* m_pszWhy;
};

// The lesson's course: in each phase, the first row whose event and guard match decides; no row,
// nothing happens. An action that reports back comes last in its row, and until it has, texts
// that arrive are only taken and queued and a WM_CLOSE from outside is only noted. Once nothing
// is outstanding (and never inside a sent message), kIdle's rows run, one after another, until
// one asks for an action that reports back or none matches.
// clang-format off
const CTransition kCourse[] = {
    // Start-up.
    {S, kShowStart, gNotOpened, 0, {kOpenShow}, kSame, "the block made, the viewer started, the show opened"},
    {S, kOpenShowUp, gAlways, fxViewerUp, {}, kRunning, "the show runs, watched"},
    {S, kOpenNoWatch, gAlways, fxViewerUp, {}, kRunning, "the show runs unwatched: a finish text alone ends it"},
    {S, kOpenNoWindow, gAlways, fxViewerUp | fxOwnFinish, {}, kRunning, "no show window: I,S once the texts taken have run"},
    {S, kOpenFailed, gAlways, 0, {kTearDown}, kStartFailed, "no show: OLE torn down first"},
    {F, kTornDown, gAlways, 0, {kCloseBlock, kDropAll, kShowStartBox}, kSame, "nothing can reach the lesson: the texts taken go, the reason is shown"},
    {F, kBoxDismissed, gAlways, 0, {}, kClosing, "the start-up's end"},
    // Texts: taken and queued whatever runs, so that no sender waits on the viewer.
    {kLive, kNotice, gRoom, 0, {kTakeText}, kSame, "the block's text taken into the queue"},
    {kLive, kNotice, gAlways, fxSenderWaits, {}, kSame, "the queue full: the text stays, its sender waits"},
    {E, kNotice, gAlways, 0, {}, kSame, "ended at once: the text is not taken, its sender withdraws it"},
    {kAny, kTakenAnswer, gAlways, fxQueueTaken, {}, kSame, "queued"},
    {kAny, kTakenFinish, gAlways, fxQueueTaken, {}, kSame, "queued"},
    {kAny, kTakenRestart, gAlways, fxQueueTaken, {}, kSame, "queued"},
    // Texts run in the order taken, once nothing is outstanding.
    {kLive, kIdle, gSenderWaits, fxSenderRead, {kTakeText}, kSame, "room again: the sender left in the block is read"},
    {R | C, kIdle, gHeadAnswer, 0, {kRunHead, kRecordAnswer}, kSame, "an answer recorded"},
    {R, kIdle, gHeadFinish, fxFinishBegins, {kRunHead, kWriteResult}, kFinishing, "the finish: the result first"},
    {C, kIdle, gHeadFinish, 0, {kRunHead, kWriteResult}, kSame, "a finish after the finish writes its values too"},
    {R, kIdle, gHeadRestart, 0, {kRunHead, kRestartShow}, kSame, "the show restarted"},
    {C, kIdle, gHeadRestart, 0, {kDropQueued}, kSame, "no show left to restart"},
    {R, kIdle, gOwnFinish, fxFinishBegins, {kWriteOwnFinish}, kFinishing, "I,S: the show closed, a record failed, or a close asked for"},
    {C, kIdle, gClosable, fxClosePosted, {kPostClose}, kSame, "every text taken has run: the frame may close"},
    {E, kIdle, gViewer, 0, {kQuitViewer}, kSame, "the viewer told to quit, out of any sent message"},
    {E, kIdle, gOle, 0, {kTearDown}, kSame, "OLE torn down"},
    {E, kIdle, gAlways, 0, {kEndProcess}, kEnded, "the process ends itself: the session may not end it"},
    {kLive, kRecorded, gAlways, 0, {}, kSame, "recorded"},
    {R, kRecordFailed, gAlways, fxOwnFinish, {}, kSame, "the answer lost: I,S once the texts taken have run"},
    {kAny, kRecordFailed, gAlways, 0, {}, kSame, "the answer lost; the lesson is ending already"},
    {kAny, kRestartDone, gAlways, 0, {}, kSame, "the show goes on"},
    {R, kShowGone, gAlways, fxOwnFinish, {}, kSame, "the student closed the show: I,S once the texts taken have run"},
    // The finish: the result, its failure's box, the quit call, the teardown, its failure's box.
    {N | C, kWritten, gViewer, fxWriteDone, {kQuitViewer}, kSame, "the result is in: the viewer told to quit"},
    {N | C, kWritten, gAlways, fxWriteDone, {}, kClosing, "the result is in"},
    {N | C, kWriteFailed, gAlways, fxWriteFailed, {kShowWriteBox}, kSame, "shown before the quit call, which may be given up"},
    {N | C, kBoxDismissed, gWriteBox, 0, {}, kSame, "the viewer told to quit next, if it is still there"},
    {N, kQuitAnswered, gAlways, fxViewerGone, {kTearDown}, kSame, "the viewer ends"},
    {N, kQuitRefused, gAlways, fxViewerGone | fxQuitRefused, {kTearDown}, kSame, "forgotten all the same"},
    {N, kTornDown, gQuitRefused, 0, {kShowQuitBox}, kSame, "the refusal shown"},
    {N, kTornDown, gAlways, 0, {}, kClosing, "the lesson has ended"},
    {N, kBoxDismissed, gQuitBox, 0, {}, kClosing, "the lesson has ended"},
    {N, kQuitOverdue, gQuitCall, 0, {kEndAtOnce, kEndProcess}, kEnded, "the viewer never answered: the lesson ends at once, and the process"},
    {N, kIdle, gViewer, 0, {kQuitViewer}, kSame, "after the result's box: the viewer told to quit"},
    {N, kIdle, gAlways, 0, {}, kClosing, "no viewer to tell"},
    // The lesson's end at once: a logoff, shutdown or Restart Manager's close. A sent message may
    // not call out: the viewer is told from the frame's own reminder.
    {kLive, kQueryEndSession, gAlways, 0, {kHoldLog}, kSame, "the session may end: the log waits for the result"},
    {kLive, kEndSessionCanceled, gAlways, 0, {kReleaseLog}, kSame, "the lesson goes on"},
    {kLive, kEndSession, gAlways, 0, {kEndAtOnce, kPostContinue}, kSessionEnded, "the option, the result and the answers, at once"},
    {E, kOpenShowUp, gAlways, fxViewerUp, {}, kSame, "the open answered after all: the viewer told to quit"},
    {E, kOpenNoWatch, gAlways, fxViewerUp, {}, kSame, "likewise"},
    {E, kOpenNoWindow, gAlways, fxViewerUp, {}, kSame, "likewise"},
    {E, kQuitAnswered, gAlways, fxViewerGone, {}, kSame, "the viewer ends"},
    {E, kQuitRefused, gAlways, fxViewerGone, {}, kSame, "nobody to tell"},
    {E, kQuitOverdue, gQuitCall, 0, {kEndProcess}, kEnded, "the viewer never answered"},
    // After the session ended nobody may press anything: the reminder, which every box and call
    // lets through, dismisses the box, or ends the process under a call that may never answer
    // (the option, the result and the answers are safe by then).
    {E, kContinue, gBoxUp, 0, {kDismissBox, kPostContinue}, kSame, "the lesson dismisses its own box, and reminds itself again"},
    {E, kContinue, gCallHangs, 0, {kEndProcess}, kEnded, "the call may never answer: the process ends under it"},
    // A message the lesson posts to itself must arrive: a full queue refuses it, and the retry
    // timer's tick, which no queue holds, posts it again.
    {kAny, kPosted, gAlways, 0, {}, kSame, "on its way"},
    {C | E, kPostFailed, gAlways, 0, {kStartRetry}, kSame, "the queue full: posted again at the next tick"},
    {C, kRetryTick, gAlways, 0, {kPostClose}, kSame, "the close point's WM_CLOSE again"},
    {E, kRetryTick, gAlways, 0, {kPostContinue}, kSame, "the reminder again"},
    // A WM_CLOSE: the close point's own, or another program's (taskkill, Restart Manager).
    {C, kCloseMessage, gDrained, 0, {kReleaseLog, kDestroyFrame}, kEnded, "the frame closes: the log let go (a logoff asked and never came), the application's exit follows"},
    {C, kCloseMessage, gAlways, fxCloseArrived, {}, kSame, "a text still waits: the close point posts again"},
    {S | R, kCloseMessage, gAlways, fxOwnFinish, {}, kSame, "from outside: ends the lesson as a closed show does"},
    {F | N | E, kCloseMessage, gAlways, 0, {}, kSame, "the lesson is ending already: nothing to add"},
};
// clang-format on

// Each outcome, and the outstanding action it answers: in the slot of actions that let messages
// through, or in the slot of those answered at once.
// clang-format off
const struct {
    LessonEvent m_eEvent;
    unsigned char m_eWait, m_eAnswer;
} kOutcomes[] = {
    {kOpenShowUp, kWaitOpen, kAnswerNone}, {kOpenNoWatch, kWaitOpen, kAnswerNone},
    {kOpenNoWindow, kWaitOpen, kAnswerNone}, {kOpenFailed, kWaitOpen, kAnswerNone},
    {kTakenAnswer, kWaitNone, kAnswerTake}, {kTakenFinish, kWaitNone, kAnswerTake},
    {kTakenRestart, kWaitNone, kAnswerTake}, {kTakenOther, kWaitNone, kAnswerTake},
    {kRecorded, kWaitRecord, kAnswerNone}, {kRecordFailed, kWaitRecord, kAnswerNone},
    {kWritten, kWaitNone, kAnswerWrite}, {kWriteFailed, kWaitNone, kAnswerWrite},
    {kPosted, kWaitNone, kAnswerPost}, {kPostFailed, kWaitNone, kAnswerPost},
    {kRestartDone, kWaitRestart, kAnswerNone}, {kTornDown, kWaitTearDown, kAnswerNone},
    {kQuitAnswered, kWaitQuit, kAnswerNone}, {kQuitRefused, kWaitQuit, kAnswerNone},
    {kBoxDismissed, kWaitWriteBox, kAnswerNone}, {kBoxDismissed, kWaitQuitBox, kAnswerNone},
    {kBoxDismissed, kWaitStartBox, kAnswerNone},
};
// clang-format on

// Whether the event may step the lesson: not an outcome, or the outcome of what is outstanding,
// whose slot it then empties.
bool TakeOutcome(CLessonState& state, LessonEvent eEvent)
{
    bool bOutcome = false;
    for (const auto& row : kOutcomes) {
        if (row.m_eEvent != eEvent)
            continue;
        bOutcome = true;
        unsigned char& eSlot = row.m_eWait != kWaitNone ? state.m_eWait : state.m_eAnswer;
        if (eSlot == (row.m_eWait != kWaitNone ? row.m_eWait : row.m_eAnswer)) {
            eSlot = 0; // kWaitNone, kAnswerNone
            return true;
        }
    }
    return !bOutcome;
}

bool HasFinishQueued(const CLessonState& state)
{
    for (int i = 0; i < state.m_nQueued; ++i)
        if (state.m_kinds[i] == kTextFinish)
            return true;
    return false;
}

bool IsDrained(const CLessonState& state)
{
    return state.m_nQueued == 0 && !state.m_bSenderWaits;
}

bool GuardHolds(const CLessonState& state, Guard eGuard, unsigned eWas)
{
    const int nHead = state.m_nQueued > 0 ? state.m_kinds[0] : -1;
    switch (eGuard) {
    case gAlways:
        return true;
    case gRoom:
        return state.m_nQueued < state.m_nCapacity;
    case gSenderWaits:
        return state.m_bSenderWaits && state.m_nQueued < state.m_nCapacity;
    case gHeadAnswer:
        return nHead == kTextAnswer;
    case gHeadFinish:
        return nHead == kTextFinish;
    case gHeadRestart:
        return nHead == kTextRestart;
    case gOwnFinish:
        return state.m_bOwnFinishWaits && !state.m_bFinishBegun;
    case gViewer:
        return state.m_bViewer;
    case gOle:
        return state.m_bOleUp;
    case gQuitRefused:
        return state.m_bQuitRefused;
    case gWriteBox:
        return eWas == kWaitWriteBox;
    case gQuitBox:
        return eWas == kWaitQuitBox;
    case gQuitCall:
        return eWas == kWaitQuit;
    case gDrained:
        return IsDrained(state) && state.m_eWait == kWaitNone && state.m_eAnswer == kAnswerNone;
    case gClosable:
        return IsDrained(state) && !state.m_bClosePosted;
    case gNotOpened:
        return !state.m_bOleUp && state.m_eWait == kWaitNone;
    case gBoxUp:
        return state.m_eWait == kWaitRecord || state.m_eWait == kWaitWriteBox ||
               state.m_eWait == kWaitQuitBox || state.m_eWait == kWaitStartBox;
    case gCallHangs:
        return state.m_eWait == kWaitOpen || state.m_eWait == kWaitRestart;
    }
    return false;
}

const CTransition* FindRow(const CLessonState& state, LessonEvent eEvent, unsigned eWas)
{
    for (const CTransition& row : kCourse)
        if (row.m_eEvent == eEvent && (row.m_nPhases & (1u << state.m_ePhase)) != 0 &&
            GuardHolds(state, row.m_eGuard, eWas))
            return &row;
    return nullptr;
}

void ApplyEffects(CLessonState& state, unsigned nEffects, LessonEvent eEvent)
{
    if (nEffects & fxQueueTaken)
        state.m_kinds[state.m_nQueued++] =
            static_cast<unsigned char>(eEvent == kTakenAnswer   ? kTextAnswer
                                       : eEvent == kTakenFinish ? kTextFinish
                                                                : kTextRestart);
    if (nEffects & fxSenderWaits)
        state.m_bSenderWaits = true;
    if (nEffects & fxSenderRead)
        state.m_bSenderWaits = false;
    if (nEffects & fxOwnFinish)
        state.m_bOwnFinishWaits = true;
    if (nEffects & fxFinishBegins)
        state.m_bFinishBegun = true;
    if (nEffects & fxViewerUp)
        state.m_bViewer = state.m_bOleUp = true;
    if (nEffects & fxViewerGone)
        state.m_bViewer = false;
    if (nEffects & fxQuitRefused)
        state.m_bQuitRefused = true;
    if (nEffects & fxWriteFailed)
        state.m_bWriteFailed = true;
    if (nEffects & fxWriteDone)
        state.m_bWriteFailed = false;
    if (nEffects & fxClosePosted)
        state.m_bClosePosted = true;
    if (nEffects & fxCloseArrived)
        state.m_bClosePosted = false;
}

class CStepWriter {
public:
    CStepWriter(CLessonState& state, CLessonActions* pActions) : m_state(state), m_pOut(pActions) {}
    bool Reported() const { return m_bReported; }
    void Add(int nAction);

private:
    void Emit(LessonAction eAction);
    void Pop(LessonAction eAction);
    void EndAtOnce();

    CLessonState& m_state;
    CLessonActions* m_pOut;
    bool m_bReported = false;
};

// The actions that report back, and the slot that waits for each.
const struct {
    LessonAction m_eAction;
    unsigned char m_eWait, m_eAnswer;
} kReportsBack[] = {
    {kOpenShow, kWaitOpen, kAnswerNone},         {kTakeText, kWaitNone, kAnswerTake},
    {kWriteResult, kWaitNone, kAnswerWrite},     {kWriteOwnFinish, kWaitNone, kAnswerWrite},
    {kRecordAnswer, kWaitRecord, kAnswerNone},   {kRestartShow, kWaitRestart, kAnswerNone},
    {kQuitViewer, kWaitQuit, kAnswerNone},       {kTearDown, kWaitTearDown, kAnswerNone},
    {kShowWriteBox, kWaitWriteBox, kAnswerNone}, {kShowQuitBox, kWaitQuitBox, kAnswerNone},
    {kShowStartBox, kWaitStartBox, kAnswerNone}, {kPostContinue, kWaitNone, kAnswerPost},
    {kPostClose, kWaitNone, kAnswerPost},
};

void CStepWriter::Emit(LessonAction eAction)
{
    if (m_pOut->m_nCount < kLessonActionsMax)
        m_pOut->m_actions[m_pOut->m_nCount++] = eAction;
    m_state.m_bOleUp = eAction == kOpenShow || (m_state.m_bOleUp && eAction != kTearDown);
    m_state.m_bOptionWritten = m_state.m_bOptionWritten || eAction == kWriteOption;
    for (const auto& row : kReportsBack) {
        if (row.m_eAction != eAction)
            continue;
        if (row.m_eWait != kWaitNone)
            m_state.m_eWait = row.m_eWait;
        else
            m_state.m_eAnswer = row.m_eAnswer;
        m_bReported = true;
    }
}

void CStepWriter::Pop(LessonAction eAction)
{
    Emit(eAction);
    for (int i = 1; i < m_state.m_nQueued; ++i)
        m_state.m_kinds[i - 1] = m_state.m_kinds[i];
    m_state.m_kinds[--m_state.m_nQueued] = 0;
}

void CStepWriter::Add(int nAction)
{
    if (nAction == kRunHead) {
        Pop(kRunQueued);
    } else if (nAction == kDropAll) {
        while (m_state.m_nQueued > 0)
            Pop(kDropQueued);
    } else if (nAction == kEndAtOnce) {
        EndAtOnce();
    } else if (nAction == kDropQueued) {
        Pop(kDropQueued);
    } else if (nAction != kNoAction) {
        Emit(static_cast<LessonAction>(nAction));
    }
}

// Nobody may be there to wait: no box, no viewer. A running lesson that no finish has
// ended is suspended with I,S; every finish text waiting is applied in the order taken, after the
// finish whose write failed; the answers are recorded; a show that failed to start drops all.
void CStepWriter::EndAtOnce()
{
    const bool bStartFailed = m_state.m_ePhase == kStartFailed;
    Emit(kHoldLog);
    if (!m_state.m_bOptionWritten)
        Emit(kWriteOption);
    if (m_state.m_ePhase == kRunning && !m_state.m_bFinishBegun && !HasFinishQueued(m_state))
        Emit(kWriteOwnFinishNow);
    if (m_state.m_bWriteFailed)
        Emit(kRewriteFailed);
    m_state.m_bFinishBegun = true;
    m_state.m_bWriteFailed = m_state.m_bOwnFinishWaits = m_state.m_bSenderWaits = false;
    m_state.m_ePhase = kSessionEnded; // no sender is read again
    while (m_state.m_nQueued > 0) {
        const unsigned char nKind = m_state.m_kinds[0];
        Pop(bStartFailed || nKind == kTextRestart ? kDropQueued
            : nKind == kTextFinish                ? kApplyQueuedFinish
                                                  : kRecordQueuedAnswer);
    }
    Emit(kReleaseLog);
}

} // namespace

CLessonState StepLesson(const CLessonState& state, LessonEvent eEvent, CLessonActions* pActions)
{
    CLessonState next = state;
    pActions->m_nCount = 0;
    const unsigned eWas = state.m_eWait;
    if (!TakeOutcome(next, eEvent))
        return state; // nothing asked for it
    // An action answered at once goes on with the dispatch it came from: one inside a sent
    // message stays inside it.
    const bool bAnswered = state.m_eAnswer != kAnswerNone && next.m_eAnswer == kAnswerNone;
    next.m_bInSent = IsSentEvent(eEvent) || (state.m_bInSent && bAnswered);
    CStepWriter writer(next, pActions);
    const CTransition* pRow = FindRow(next, eEvent, eWas);
    // Each idle row moves the lesson on or ends the run: a bound all the same.
    for (int nRows = 0; nRows < kLessonQueueMax + 8; ++nRows) {
        if (pRow != nullptr) {
            ApplyEffects(next, pRow->m_nEffects, eEvent);
            for (int nAction : pRow->m_actions)
                writer.Add(nAction);
            if (pRow->m_eNext != kSame)
                next.m_ePhase = static_cast<unsigned char>(pRow->m_eNext);
        }
        const bool bIdle = next.m_eWait == kWaitNone && next.m_eAnswer == kAnswerNone;
        if (writer.Reported() || !bIdle || next.m_bInSent || next.m_ePhase == kEnded)
            break;
        if ((pRow = FindRow(next, kIdle, kWaitNone)) == nullptr)
            break;
    }
    // The dispatch inside the sent message ends unless an answer at once is still to come.
    next.m_bInSent = next.m_bInSent && next.m_eAnswer != kAnswerNone;
    return next;
}

LessonEvent TakenCommandEvent(char chLetter)
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

bool IsSentEvent(LessonEvent eEvent)
{
    return eEvent == kQueryEndSession || eEvent == kEndSession || eEvent == kEndSessionCanceled;
}

int ViewerCalls(const CLessonState& state)
{
    return state.m_eWait == kWaitOpen || state.m_eWait == kWaitRestart ||
                   state.m_eWait == kWaitQuit || state.m_eWait == kWaitTearDown
               ? 1
               : 0;
}

const char* LessonPhaseName(LessonPhase ePhase)
{
    static const char* const kNames[] = {"starting", "running",       "start failed", "finishing",
                                         "closing",  "session ended", "ended"};
    return ePhase < kPhaseCount ? kNames[ePhase] : "?";
}

const char* LessonEventName(LessonEvent eEvent)
{
    static const char* const kNames[] = {"show start",
                                         "open: show up",
                                         "open: no watch",
                                         "open: no window",
                                         "open failed",
                                         "notice",
                                         "taken: answer",
                                         "taken: finish",
                                         "taken: restart",
                                         "taken: other",
                                         "recorded",
                                         "record failed",
                                         "written",
                                         "write failed",
                                         "restart done",
                                         "show gone",
                                         "box dismissed",
                                         "WM_CLOSE",
                                         "WM_QUERYENDSESSION",
                                         "WM_ENDSESSION",
                                         "WM_ENDSESSION cancelled",
                                         "quit answered",
                                         "quit refused",
                                         "quit overdue",
                                         "torn down",
                                         "continue",
                                         "posted",
                                         "post failed",
                                         "retry tick",
                                         "idle"};
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == kEventCount, "a name for each event");
    return eEvent < kEventCount ? kNames[eEvent] : "?";
}

const char* LessonActionName(LessonAction eAction)
{
    static const char* const kNames[] = {"none",
                                         "open show",
                                         "take text",
                                         "run queued",
                                         "drop queued",
                                         "record answer",
                                         "write result",
                                         "write own finish",
                                         "restart show",
                                         "quit viewer",
                                         "tear down",
                                         "close block",
                                         "write box",
                                         "quit box",
                                         "start box",
                                         "hold log",
                                         "release log",
                                         "write option",
                                         "own finish now",
                                         "rewrite failed",
                                         "apply queued finish",
                                         "record queued answer",
                                         "post continue",
                                         "post close",
                                         "start retry",
                                         "destroy frame",
                                         "end process",
                                         "dismiss box"};
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == kActionCount, "a name for each action");
    return eAction < kActionCount ? kNames[eAction] : "?";
}
