// The channel's contract: every name, number and wait that launches, the running lesson, the tests
// and the bench share. No Windows header.
//
// Start-up protocol. Every launch first looks up the running instance (below).
// One that finds it is a later launch and hands its tail over. One that finds
// none takes the mutex "kelvand_block_lesson", waiting for it at most
// kLessonWaitMs and looking the instance up again every kLessonPollMs meanwhile
// (one that appears makes it a later launch after all). Once it has the mutex it
// looks once more. Finding none, a launch whose tail is a command text lets the
// mutex go and ends with EXIT_NO_LESSON: a command is never a presentation, so it
// starts nothing. Any other is the first launch: it does all of its start-up
// under the mutex and keeps it until its exit, whichever way it ends. So two
// launches started together cannot both take themselves for the first, and a
// first launch still starting (or showing a start-up refusal) keeps the next one
// out: that one shows nothing and ends with EXIT_LESSON_BUSY. A mutex abandoned
// by a launch that died counts as had.
//
// Hand-over protocol. A later launch finds the running instance's main window,
// opens the block "kelvand_block", writes its command text from the block's
// first byte, unmaps, and posts WM_SHOW_COMMAND; the instance's receiver maps the
// block, copies the text out and, in the same step, empties the block (its first
// byte set to NUL), so that a text runs once however many notices come for it: a
// second or stale notice finds no command and is ignored. The block itself has no
// lock, so two protections sit around it, both optional for the peer:
//  - Senders take turns through the mutex "kelvand_block_sender". Holding it, a
//    sender resets the manual-reset event "kelvand_block_taken", writes, posts,
//    and waits (at most kSendTimeoutMs) until the receiver sets the event right
//    after its copy, so no text is overwritten before it has been taken. The
//    receiver takes a text at once even while a call on the viewer runs (it
//    queues it), so no sender waits on the viewer. A sender that does not get
//    its turn in time writes nothing. An instance that offers no such event gets
//    the plain write-and-post. A sender that skips the mutex may write while the
//    receiver takes another text: its text can then be erased between the
//    receiver's copy and its emptying of the block, and is lost.
//  - A sender that finds the window before the block exists (the instance is
//    still starting its show) tries again for at most kBlockWaitMs; one whose
//    command text finds no window at all (launched right after the first launch)
//    looks for it as long before it tries the lesson mutex. A command text also
//    takes a window by its title alone (a peer of another build), and once the
//    block has opened it looks the launcher's frame up by its class again and
//    posts to that, so that a stranger's window of that title gets no notice.
// Only the running instance creates the block and the event, at show start-up.
// The instance's own finish after a failed record never goes through the block:
// it posts WM_SHOW_COMMAND to itself with wParam kOwnFinishText.
#pragma once

#include <stddef.h>

// The command block: a named section backed by the paging file, holding one
// NUL-terminated command text from its first byte; never cleared.
const char kCommandBlockName[] = "kelvand_block";
const size_t kCommandBlockSize = 256; // the block and the command buffer, NUL included
const size_t kCommandTextMax = kCommandBlockSize - 1;
const char kTakenEventName[] = "kelvand_block_taken";
const char kSenderMutexName[] = "kelvand_block_sender";
const char kLessonMutexName[] = "kelvand_block_lesson";
// The class of the lesson's frame window (the framework registers it), titled "TARNSKOV".
constexpr char kFrameClass[] = "TarnskovFrame";

// The private messages, WM_USER + 1 and WM_USER + 2.
#define WM_SHOW_START 0x0401
#define WM_SHOW_COMMAND 0x0402
// WM_SHOW_COMMAND's wParam: where the text comes from.
const unsigned kTextInBlock = 0;   // a sender's text, in the block
const unsigned kOwnFinishText = 1; // the instance's own default finish text
const unsigned kQueuedText = 2;    // the next text the receiver queued during a viewer call

// The lesson's designed waits, in milliseconds.
const unsigned long kShowWindowWaitMs =
    200; // after the open call, before the show window is looked up
const unsigned long kCommandWaitMs = 100; // before a received command is dispatched
const unsigned long kWatchPeriodMs = 50;  // the watch timer
// The bounds of a launch's own waits.
const unsigned long kSendTimeoutMs = 10000; // for the turn, and for "taken"
const unsigned long kBlockWaitMs = 3000;    // for the window and the block to appear
const unsigned long kLessonWaitMs = 5000;   // for the lesson mutex
const unsigned long kLessonPollMs = 50;     // between look-ups while waiting for it

// The exit code of a launch that runs no lesson: what became of its text.
enum LaunchExitCode {
    EXIT_TAKEN = 0,       // taken, or written and posted to an instance that cannot tell
    EXIT_TOO_LONG = 1,    // over 255 characters: nothing handed over
    EXIT_NO_BLOCK = 2,    // the block did not appear in time
    EXIT_NO_TURN = 3,     // the turn was not had in time: nothing written
    EXIT_NOT_TAKEN = 4,   // written, but not taken in time
    EXIT_LESSON_BUSY = 5, // no instance found, and the lesson mutex not had in time
    EXIT_NO_LESSON = 6,   // a command text, and no lesson running to take it: nothing started
};
