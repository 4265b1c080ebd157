// The command block shared between a later launch and the running instance, and the two private messages.
//
// Hand-over protocol. A later launch finds the running instance's main window,
// opens the block "kelvand_block", writes its command text from the block's
// first byte, unmaps, and posts WM_SHOW_COMMAND; the instance's receiver maps the
// block, copies the text out and dispatches it. The block itself has no lock, so
// two protections sit around it, both optional for the peer:
//  - Senders take turns through the mutex "kelvand_block_sender". Holding it, a
//    sender resets the manual-reset event "kelvand_block_taken", writes, posts,
//    and waits (at most kSendTimeoutMs) until the receiver sets the event right
//    after its copy, so no text is overwritten before it has been taken.
//    An instance that offers no such event gets the plain write-and-post.
//  - A sender that finds the window before the block exists (the instance is
//    still starting its show) tries again for at most kBlockWaitMs; one whose
//    command text finds no window at all (launched right after the first launch)
//    looks for it as long before it takes itself for a first launch.
// Only the running instance creates the block and the event, at show start-up.
#pragma once

#include <windows.h>

#define WM_SHOW_START (WM_USER + 1)
#define WM_SHOW_COMMAND (WM_USER + 2)

const DWORD kSendTimeoutMs = 10000;
const DWORD kBlockWaitMs = 3000;

// The running instance's side: the block (created, or opened when it exists
// already) and the event its receiver sets. NULL on failure.
HANDLE CreateCommandBlock();
HANDLE CreateCommandTakenEvent();

// Maps the block once, copies text (cut to the block's 255 characters) with its
// NUL to the block's start and unmaps. FALSE when the block cannot be mapped.
BOOL WriteCommandBlock(HANDLE hBlock, LPCSTR lpszText);

// Maps the block once and, when it holds a command text, copies it with its NUL
// into the 256-byte buffer. FALSE when it cannot be mapped or holds no command.
BOOL ReadCommandBlock(HANDLE hBlock, char* pszBuffer);

// The running instance's main window: the frame by its class and title first, so
// that one of the instance's own message boxes (same title) is not taken for it.
// A command text (never a presentation path) waits up to kBlockWaitMs for it.
HWND FindRunningInstance(LPCSTR lpszTitle, LPCSTR lpszCommandLine);

// A later launch's hand-over, by the protocol above. FALSE when the block could
// not be opened or mapped in time; the command is then lost.
BOOL HandOverCommand(HWND hWndInstance, LPCSTR lpszText);
