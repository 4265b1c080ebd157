// The command block: one named 256-byte section, mapped for exactly one copy at a time.
#include "channel/command_block.h"

#include "channel/command_text.h"
#include "framework/handles.h"

HANDLE CreateCommandBlock()
{
    return CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                              static_cast<DWORD>(kCommandBlockSize), kCommandBlockName);
}

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

BOOL HandOverCommand(HWND hWndInstance, LPCSTR lpszText)
{
    CHandleOwner block(OpenFileMappingA(FILE_MAP_WRITE, FALSE, kCommandBlockName));
    if (block.Get() == NULL || !WriteCommandBlock(block.Get(), lpszText))
        return FALSE;
    PostMessageA(hWndInstance, WM_SHOW_COMMAND, 0, 0);
    return TRUE;
}
