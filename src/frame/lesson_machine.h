// The running lesson's course: its state, the events that reach it and the actions it asks of the
// frame, decided by the table in lesson_machine.cpp. No Windows header.
#pragma once

// The phase of the running lesson. What each event gets in each phase is the table's.
enum LessonPhase {
    kStarting,     // start-up's checks, then the open call; texts taken wait in the queue
    kRunning,      // the show is up; texts run in the order taken
    kStartFailed,  // the show did not start: OLE torn down, the failure's box up
    kFinishing,    // a finish: the result written, the viewer told to quit, their boxes
    kClosing,      // the lesson has ended: the queue drains, then the frame closes
    kSessionEnded, // ended at once (a logoff): the viewer told to quit, then the process ends
    kEnded,        // the frame closed, or the process ending: nothing more happens
    kPhaseCount
};

// What reaches the lesson: the frame's messages, and the outcome of an action it asked for.
enum LessonEvent {
    kShowStart,          // WM_SHOW_START
    kOpenShowUp,         // the open call answered, its window found and watched
    kOpenNoWatch,        // ... its window found, the watch timer not set
    kOpenNoWindow,       // ... no show window after the designed wait
    kOpenFailed,         // the block, the viewer or the open call failed: the reason kept
    kNotice,             // a sender's notice: a text may wait in the block
    kTakenAnswer,        // the block's text taken: a Q text
    kTakenFinish,        // ... a G or S text
    kTakenRestart,       // ... an R text
    kTakenOther,         // ... a text of no command we run, or no text at all
    kRecorded,           // the answer recorded, or its operands formed no interaction
    kRecordFailed,       // the interaction file failed, its box dismissed
    kWritten,            // the result written
    kWriteFailed,        // a key of the result not written
    kRestartDone,        // the restart answered, or failed and its box dismissed
    kShowGone,           // the watch's tick: the show's window is gone
    kBoxDismissed,       // the box asked for was dismissed
    kCloseMessage,       // WM_CLOSE, the close point's own or another program's
    kQueryEndSession,    // WM_QUERYENDSESSION (sent)
    kEndSession,         // WM_ENDSESSION, the session ending: a logoff, or Restart Manager (sent)
    kEndSessionCanceled, // WM_ENDSESSION, the session going on (sent)
    kQuitAnswered,       // the quit call answered
    kQuitRefused,        // the quit call failed: its reason kept
    kQuitOverdue,        // the quit call's limit passed (it may come late)
    kTornDown,           // OLE's teardown over
    kContinue,           // the frame's own reminder, posted from a sent message
    kPosted,             // a message the frame posted to itself is on its way
    kPostFailed,         // ... its queue was full: nothing posted
    kRetryTick,          // the retry timer's tick: post again
    kIdle,               // not an event: what the lesson does next once nothing is outstanding
    kEventCount
};

// What the lesson asks of the frame. Those marked (outcome) report back as the next event; those
// marked (pumps) let messages through meanwhile, which are then events of their own.
enum LessonAction {
    kNoAction,
    kOpenShow,           // OLE, the block, the viewer and the open call (outcome, pumps)
    kTakeText,           // claim the block's text into the queue's tail (outcome)
    kRunQueued,          // the queue's oldest text into the command buffer, after the command wait
    kDropQueued,         // the queue's oldest text dropped, logged
    kRecordAnswer,       // the command buffer's Q text recorded (outcome, pumps: its box)
    kWriteResult,        // the command buffer's finish values written (outcome)
    kWriteOwnFinish,     // the default finish text into the command buffer, then written (outcome)
    kRestartShow,        // the show stopped and run again (outcome, pumps: a failure's box too)
    kQuitViewer,         // the viewer told to quit, within the quit limit (outcome, pumps)
    kTearDown,           // both references forgotten, OLE uninitialised (outcome, pumps)
    kCloseBlock,         // the block and its event closed: nothing more reaches the lesson
    kShowWriteBox,       // "Cant write Result file" (outcome, pumps)
    kShowQuitBox,        // the quit call's failure (outcome, pumps)
    kShowStartBox,       // the show start-up's failure (outcome, pumps)
    kHoldLog,            // the log's lines held until the result is written
    kReleaseLog,         // ... and let go
    kWriteOption,        // the option written back, the crash record gone (the exit comes last)
    kWriteOwnFinishNow,  // the default finish written, at once: no box; a locked file is waited
                         // out as by any write (at most 1 s a key), so a scanner costs no result
    kRewriteFailed,      // the finish whose write failed, written again at once
    kApplyQueuedFinish,  // the queue's oldest text, a finish, written at once
    kRecordQueuedAnswer, // the queue's oldest text, an answer, recorded once with no box
    kPostContinue,       // kContinue to the frame itself (outcome)
    kPostClose,          // WM_CLOSE to the frame itself (outcome)
    kStartRetry,         // the retry timer started: one tick, then killed
    kDestroyFrame,       // the frame's window destroyed: the application's exit follows
    kEndProcess,         // the application's exit, the log flushed, the process ended
    kDismissBox,         // the lesson's own box dismissed by the lesson: nobody may be there
    kActionCount
};

// What a command text taken is to the lesson, by its letter as the receiver upper-cases it: G and S
// finish, Q records an answer, R restarts the show; any other letter, lower-case ones included,
// does nothing (kTakenOther).
LessonEvent TakenCommandEvent(char chLetter);

// What a queued text is, as far as the lesson's course goes.
enum TextKind { kTextAnswer, kTextFinish, kTextRestart };

// The outstanding action whose outcome the lesson waits for; texts taken meanwhile wait.
enum LessonWait {
    kWaitNone,
    kWaitOpen,
    kWaitRecord,
    kWaitRestart,
    kWaitQuit,
    kWaitTearDown,
    kWaitWriteBox,
    kWaitQuitBox,
    kWaitStartBox,
};
// An action answered before anything else can arrive.
enum LessonAnswer { kAnswerNone, kAnswerTake, kAnswerWrite, kAnswerPost };

const int kLessonQueueMax = 32;
// A step's actions: the end at once writes every queued text in one step.
const int kLessonActionsMax = kLessonQueueMax + 12;

// The whole state of the running lesson: bytes alone, so that a test can copy, compare and hash it.
struct CLessonState {
    unsigned char m_ePhase = kStarting;
    unsigned char m_eWait = kWaitNone;     // LessonWait: the action that lets messages through
    unsigned char m_eAnswer = kAnswerNone; // LessonAnswer
    unsigned char m_nCapacity = kLessonQueueMax;
    unsigned char m_nQueued = 0;
    unsigned char m_kinds[kLessonQueueMax] = {}; // TextKind, oldest first
    bool m_bOwnFinishWaits = false;              // the program's own I,S, once no text waits
    bool m_bSenderWaits = false;   // a sender's text left in the block by a full queue
    bool m_bFinishBegun = false;   // a finish has begun: the own I,S no longer counts
    bool m_bViewer = false;        // a viewer to tell to quit
    bool m_bOleUp = false;         // OLE to tear down
    bool m_bWriteFailed = false;   // the last finish's write failed
    bool m_bQuitRefused = false;   // the quit call failed: its box after the teardown
    bool m_bOptionWritten = false; // the option written back at once
    bool m_bClosePosted = false;   // the close point's WM_CLOSE is on its way
    bool m_bInSent = false;        // the frame is still inside a sent message's dispatch
};

struct CLessonActions {
    LessonAction m_actions[kLessonActionsMax];
    int m_nCount = 0;
};

// One step: the state after the event, and the actions it asks for, in order; the last of them
// is the only one that may report back or let messages through.
CLessonState StepLesson(const CLessonState& state, LessonEvent eEvent, CLessonActions* pActions);

// Whether the event is a message Windows sends, which may make no call out of the process.
bool IsSentEvent(LessonEvent eEvent);
// The calls on the viewer under way: 0 or 1.
int ViewerCalls(const CLessonState& state);
const char* LessonPhaseName(LessonPhase ePhase);
const char* LessonEventName(LessonEvent eEvent);
const char* LessonActionName(LessonAction eAction);
