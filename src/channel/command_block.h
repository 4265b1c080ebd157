// The command block shared between a later launch and the running instance, and the two private messages.
#pragma once

#include <windows.h>

#define WM_SHOW_START (WM_USER + 1)
#define WM_SHOW_COMMAND (WM_USER + 2)

// Creates the block (or opens it when it exists already); NULL on failure.
HANDLE CreateCommandBlock();

// Maps the block once, copies text (cut to the block's 255 characters) with its
// NUL to the block's start and unmaps. FALSE when the block cannot be mapped.
BOOL WriteCommandBlock(HANDLE hBlock, LPCSTR lpszText);

// Maps the block once and, when it holds a command text, copies it with its NUL
// into the 256-byte buffer. FALSE when it cannot be mapped or holds no command.
BOOL ReadCommandBlock(HANDLE hBlock, char* pszBuffer);

// A later launch's hand-over: the text into the running instance's block, then
// WM_SHOW_COMMAND to its window. FALSE when the block cannot be opened or mapped.
BOOL HandOverCommand(HWND hWndInstance, LPCSTR lpszText);
