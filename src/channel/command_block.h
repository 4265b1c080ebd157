// The command block's operations on both sides, and how a launch learns whether it is the first;
// the protocol is in channel.h.
#pragma once

#include <windows.h>

#include "channel/channel.h"

// The running instance's side: the block (created, or opened when it exists
// already) and the event its receiver sets. NULL on failure.
HANDLE CreateCommandBlock();
HANDLE CreateCommandTakenEvent();

// Maps the block once and claims its text: when it holds one, copies it with its NUL into the
// 256-byte buffer, sets the "taken" event and leaves the block empty, so that a second notice
// finds nothing, and a sender that gives up finds it taken. FALSE when it cannot be mapped or held
// no text (a stale notice, or a text its sender withdrew), or when a writer of an older build came
// between.
BOOL ClaimBlockText(HANDLE hBlock, HANDLE hTaken, char* pszBuffer);

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

// A later launch's hand-over, by the protocol above, to the instance found under the
// title; the result is its exit code.
LaunchExitCode HandOverCommand(HWND hWndInstance, LPCSTR lpszTitle, LPCSTR lpszText);
