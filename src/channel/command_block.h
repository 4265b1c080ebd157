// The command block shared between a later launch and the running instance, the two private
// messages, and how a launch learns which of the two it is.
//
// Start-up protocol. Every launch first looks up the running instance (below).
// One that finds it is a later launch and hands its tail over. One that finds
// none takes the mutex "kelvand_block_lesson", waiting for it at most
// kLessonWaitMs and looking the instance up again every kLessonPollMs meanwhile
// (one that appears makes it a later launch after all). Once it has the mutex it
// looks once more; finding none, it is the first launch: it does all of its
// start-up under the mutex and keeps it until its exit, whichever way it ends.
// So two launches started together cannot both take themselves for the first,
// and a first launch still starting (or showing a start-up refusal) keeps the
// next one out: that one shows nothing and ends with EXIT_LESSON_BUSY. A mutex
// abandoned by a launch that died counts as had.
//
// Hand-over protocol. A later launch finds the running instance's main window,
// opens the block "kelvand_block", writes its command text from the block's
// first byte, unmaps, and posts WM_SHOW_COMMAND; the instance's receiver maps the
// block, copies the text out and dispatches it. The block itself has no lock, so
// two protections sit around it, both optional for the peer:
//  - Senders take turns through the mutex "kelvand_block_sender". Holding it, a
//    sender resets the manual-reset event "kelvand_block_taken", writes, posts,
//    and waits (at most kSendTimeoutMs) until the receiver sets the event right
//    after its copy, so no text is overwritten before it has been taken. The
//    receiver takes a text at once even while a call on the viewer runs (it
//    queues it), so no sender waits on the viewer. A sender that does not get
//    its turn in time writes nothing. An instance that offers no such event gets
//    the plain write-and-post.
//  - A sender that finds the window before the block exists (the instance is
//    still starting its show) tries again for at most kBlockWaitMs; one whose
//    command text finds no window at all (launched right after the first launch)
//    looks for it as long before it takes itself for a first launch.
// Only the running instance creates the block and the event, at show start-up.
// The instance's own finish after a failed record never goes through the block:
// it posts WM_SHOW_COMMAND to itself with wParam kOwnFinishText.
#pragma once

#include <windows.h>

#define WM_SHOW_START (WM_USER + 1)
#define WM_SHOW_COMMAND (WM_USER + 2)

// WM_SHOW_COMMAND's wParam: where the text comes from.
const WPARAM kTextInBlock = 0;   // a sender's text, in the block
const WPARAM kOwnFinishText = 1; // the instance's own default finish text
const WPARAM kQueuedText = 2;    // the next text the receiver queued during a viewer call

const DWORD kSendTimeoutMs = 10000;
const DWORD kBlockWaitMs = 3000;
const DWORD kLessonWaitMs = 5000;
const DWORD kLessonPollMs = 50;

// The exit code of a launch that runs no lesson: what became of its text.
enum LaunchExitCode {
    EXIT_TAKEN = 0,       // taken, or written and posted to an instance that cannot tell
    EXIT_TOO_LONG = 1,    // over 255 characters: nothing handed over
    EXIT_NO_BLOCK = 2,    // the block did not appear in time
    EXIT_NO_TURN = 3,     // the turn was not had in time: nothing written
    EXIT_NOT_TAKEN = 4,   // written, but not taken in time
    EXIT_LESSON_BUSY = 5, // no instance found, and the lesson mutex not had in time
};

// The running instance's side: the block (created, or opened when it exists
// already) and the event its receiver sets. NULL on failure.
HANDLE CreateCommandBlock();
HANDLE CreateCommandTakenEvent();

// Maps the block once and, when it holds a command text, copies it with its NUL
// into the 256-byte buffer. FALSE when it cannot be mapped or holds no command.
BOOL ReadCommandBlock(HANDLE hBlock, char* pszBuffer);

// The running instance's main window. A presentation path (or any tail that is
// not a command) counts only the launcher's own frame, by its class and title,
// so that a foreign window of that title (an Explorer folder, say) cannot keep
// the lesson from starting. A command text takes the frame first, so that one of
// the instance's own message boxes (same title) is not taken for it, then any
// window of that title, as a peer of another build expects; it waits up to
// kBlockWaitMs for one to appear.
HWND FindRunningInstance(LPCSTR lpszTitle, LPCSTR lpszCommandLine);

// A launch that found no instance: TRUE with the lesson mutex in *phLesson (NULL
// when the mutex cannot be made at all: the lesson then runs as if alone), or
// TRUE with the instance that appeared meanwhile in *phWndInstance, or FALSE
// when neither came in time.
BOOL TakeLesson(LPCSTR lpszTitle, LPCSTR lpszCommandLine, HANDLE* phLesson, HWND* phWndInstance);

// A later launch's hand-over, by the protocol above; the result is its exit code.
LaunchExitCode HandOverCommand(HWND hWndInstance, LPCSTR lpszText);
