// The command block: one named 256-byte section, mapped for exactly one copy at a time.
#include "channel/command_block.h"

#include "channel/command_text.h"
#include "framework/afxwin.h"
#include "framework/handles.h"

static const char kTakenEventName[] = "kelvand_block_taken";
static const char kSenderMutexName[] = "kelvand_block_sender";
static const DWORD kBlockRetryMs = 20;

HANDLE CreateCommandBlock()
{
    return CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                              static_cast<DWORD>(kCommandBlockSize), kCommandBlockName);
}

HANDLE CreateCommandTakenEvent() { return CreateEventA(NULL, TRUE, FALSE, kTakenEventName); }

BOOL WriteCommandBlock(HANDLE hBlock, LPCSTR lpszText)
{
    CMappedView view(hBlock, kCommandBlockSize);
    if (view.Bytes() == NULL)
        return FALSE;
    // The text's bytes and its NUL only; what lies beyond keeps an older text's tail.
    CopyCommandText(view.Bytes(), kCommandBlockSize, lpszText, (size_t)-1);
    return TRUE;
}

BOOL ReadCommandBlock(HANDLE hBlock, char* pszBuffer)
{
    CMappedView view(hBlock, kCommandBlockSize);
    if (view.Bytes() == NULL || !IsCommandText(view.Bytes()))
        return FALSE;
    // Another process may have left no NUL in the block; the copy stops at its end.
    CopyCommandText(pszBuffer, kCommandBlockSize, view.Bytes(), kCommandBlockSize);
    return TRUE;
}

static HWND FindInstanceWindow(LPCSTR lpszTitle)
{
    HWND hWnd = FindWindowA(AFX_FRAME_CLASS, lpszTitle);
    return hWnd != NULL ? hWnd : FindWindowA(NULL, lpszTitle);
}

HWND FindRunningInstance(LPCSTR lpszTitle, LPCSTR lpszCommandLine)
{
    HWND hWnd = FindInstanceWindow(lpszTitle);
    const DWORD dwStart = GetTickCount();
    while (hWnd == NULL && IsCommandText(lpszCommandLine) &&
           GetTickCount() - dwStart < kBlockWaitMs) {
        Sleep(kBlockRetryMs);
        hWnd = FindInstanceWindow(lpszTitle);
    }
    return hWnd;
}

// The block of a window that exists; while the instance is still starting its
// show the block is not there yet, so wait a little for it.
static HANDLE OpenCommandBlock(HWND hWndInstance)
{
    const DWORD dwStart = GetTickCount();
    for (;;) {
        HANDLE hBlock = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kCommandBlockName);
        if (hBlock != NULL || !IsWindow(hWndInstance) || GetTickCount() - dwStart >= kBlockWaitMs)
            return hBlock;
        Sleep(kBlockRetryMs);
    }
}

BOOL HandOverCommand(HWND hWndInstance, LPCSTR lpszText)
{
    CHandleOwner block(OpenCommandBlock(hWndInstance));
    if (block.Get() == NULL)
        return FALSE;

    CHandleOwner taken(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kTakenEventName));
    if (taken.Get() == NULL) {
        if (!WriteCommandBlock(block.Get(), lpszText))
            return FALSE;
        PostMessageA(hWndInstance, WM_SHOW_COMMAND, 0, 0);
        return TRUE;
    }

    CHandleOwner turn(CreateMutexA(NULL, FALSE, kSenderMutexName));
    const DWORD dwWait = turn.Get() ? WaitForSingleObject(turn.Get(), kSendTimeoutMs) : WAIT_FAILED;
    // An abandoned mutex (a sender that died) still hands the turn over.
    const BOOL bHasTurn = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
    ResetEvent(taken.Get());
    BOOL bWritten = WriteCommandBlock(block.Get(), lpszText);
    if (bWritten) {
        PostMessageA(hWndInstance, WM_SHOW_COMMAND, 0, 0);
        // A lesson that closes meanwhile takes nothing more; stop waiting then.
        const DWORD dwStart = GetTickCount();
        while (WaitForSingleObject(taken.Get(), kBlockRetryMs) == WAIT_TIMEOUT &&
               IsWindow(hWndInstance) && GetTickCount() - dwStart < kSendTimeoutMs) {
        }
    }
    if (bHasTurn)
        ReleaseMutex(turn.Get());
    return bWritten;
}
