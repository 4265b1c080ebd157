// The command block: one named 256-byte section, mapped for exactly one copy at a time.
#include "channel/command_block.h"

#include "channel/command_text.h"
#include "framework/afxwin.h"
#include "framework/deadline.h"
#include "framework/handles.h"
#include "log/event_log.h"

#include <string.h>

static_assert(WM_SHOW_START == WM_USER + 1 && WM_SHOW_COMMAND == WM_USER + 2,
              "the private messages");

constexpr BOOL SameText(const char* a, const char* b)
{
    return *a == *b && (*a == '\0' || SameText(a + 1, b + 1));
}
static_assert(SameText(kFrameClass, AFX_FRAME_CLASS),
              "later launches look for the framework's frames");
static const DWORD kBlockRetryMs = 20;
// The longest a receiver takes to copy a claimed text out (it never waits meanwhile).
static const DWORD kClaimWaitMs = 100;

HANDLE CreateCommandBlock()
{
    return CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                              static_cast<DWORD>(kCommandBlockSize), kCommandBlockName);
}

HANDLE CreateCommandTakenEvent()
{
    return CreateEventA(NULL, TRUE, FALSE, kTakenEventName);
}

// The block's first four bytes are its head: a text is published, claimed and withdrawn by one
// interlocked operation on them. While the receiver copies a text out they hold kClaimed, which
// begins with a NUL, so that every reader takes the block for empty meanwhile.
static const LONG kClaimed = 0x4E4B5400; // "\0TKN"

static volatile LONG* BlockHead(char* pBlock)
{
    return reinterpret_cast<volatile LONG*>(pBlock);
}

static BOOL IsEmptyHead(LONG lHead)
{
    return reinterpret_cast<const char*>(&lHead)[0] == '\0';
}

// Maps the block once, empties it (waiting out a receiver's claim on a dead sender's text), writes
// the text's tail, then publishes its head, so that a receiver sees no text or the whole of it;
// what lies beyond the NUL keeps an older text's tail. The head in *plHead. FALSE when it cannot.
static BOOL PublishCommandText(HANDLE hBlock, LPCSTR lpszText, LONG* plHead)
{
    CMappedView view(hBlock, kCommandBlockSize);
    if (view.Bytes() == NULL)
        return FALSE;
    volatile LONG* pHead = BlockHead(view.Bytes());
    for (const CDeadline claim(kClaimWaitMs);;) {
        const LONG lOld = *pHead;
        if (lOld == kClaimed && !claim.IsPast()) {
            Sleep(1);
        } else if (InterlockedCompareExchange(pHead, 0, lOld) == lOld) {
            break;
        }
    }
    char szHead[sizeof(LONG)] = {};
    const size_t cchText = strlen(lpszText);
    memcpy(szHead, lpszText, cchText < sizeof(szHead) ? cchText : sizeof(szHead));
    if (cchText >= sizeof(szHead))
        CopyCommandText(view.Bytes() + sizeof(szHead), kCommandBlockSize - sizeof(szHead),
                        lpszText + sizeof(szHead), (size_t)-1);
    memcpy(plHead, szHead, sizeof(szHead));
    InterlockedExchange(pHead, *plHead);
    return TRUE;
}

// TRUE when the sender's text was still in the block and is gone now, so that it never runs;
// FALSE when the receiver has claimed it.
static BOOL WithdrawCommandText(HANDLE hBlock, LONG lHead)
{
    CMappedView view(hBlock, kCommandBlockSize);
    return view.Bytes() == NULL ||
           InterlockedCompareExchange(BlockHead(view.Bytes()), 0, lHead) == lHead;
}

BOOL ClaimBlockText(HANDLE hBlock, char* pszBuffer)
{
    CMappedView view(hBlock, kCommandBlockSize);
    if (view.Bytes() == NULL)
        return FALSE;
    volatile LONG* pHead = BlockHead(view.Bytes());
    const LONG lHead = *pHead;
    if (IsEmptyHead(lHead) || InterlockedCompareExchange(pHead, kClaimed, lHead) != lHead)
        return FALSE;
    // Another process may have left no NUL in the block; the copy stops at its end.
    memcpy(pszBuffer, &lHead, sizeof(lHead));
    memcpy(pszBuffer + sizeof(lHead), view.Bytes() + sizeof(lHead),
           kCommandBlockSize - sizeof(lHead));
    pszBuffer[kCommandBlockSize - 1] = '\0';
    InterlockedExchange(pHead, 0);
    return TRUE;
}

static HWND FindInstanceWindow(LPCSTR lpszTitle, LPCSTR lpszCommandLine)
{
    HWND hWnd = FindWindowA(kFrameClass, lpszTitle);
    if (hWnd == NULL && IsCommandText(lpszCommandLine))
        hWnd = FindWindowA(NULL, lpszTitle);
    return hWnd;
}

HWND FindRunningInstance(LPCSTR lpszTitle, LPCSTR lpszCommandLine)
{
    HWND hWnd = FindInstanceWindow(lpszTitle, lpszCommandLine);
    const CDeadline deadline(kBlockWaitMs);
    while (hWnd == NULL && IsCommandText(lpszCommandLine) && !deadline.IsPast()) {
        Sleep(kBlockRetryMs);
        hWnd = FindInstanceWindow(lpszTitle, lpszCommandLine);
    }
    return hWnd;
}

BOOL TakeLesson(LPCSTR lpszTitle, LPCSTR lpszCommandLine, HANDLE* phLesson, HWND* phWndInstance)
{
    *phLesson = NULL;
    *phWndInstance = NULL;
    CHandleOwner lesson(CreateMutexA(NULL, FALSE, kLessonMutexName));
    if (lesson.Get() == NULL) {
        LogEvent("startup", "no lesson mutex (error %lu): starting alone", GetLastError());
        return TRUE;
    }
    const CDeadline deadline(kLessonWaitMs);
    for (;;) {
        const DWORD dwWait = WaitForSingleObject(lesson.Get(), kLessonPollMs);
        const DWORD dwWaited = deadline.Elapsed();
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) {
            *phWndInstance = FindInstanceWindow(lpszTitle, lpszCommandLine);
            if (*phWndInstance != NULL)
                ReleaseMutex(lesson.Get());
            else
                *phLesson = lesson.Detach();
            LogEvent("startup", "lesson mutex had after %lu ms%s%s", dwWaited,
                     dwWait == WAIT_ABANDONED ? " (abandoned)" : "",
                     *phWndInstance != NULL ? ", but a lesson runs: a later launch"
                                            : ": no lesson runs");
            return TRUE;
        }
        *phWndInstance = FindInstanceWindow(lpszTitle, lpszCommandLine);
        if (*phWndInstance != NULL) {
            LogEvent("startup", "a lesson appeared after %lu ms: a later launch", dwWaited);
            return TRUE;
        }
        if (dwWait == WAIT_FAILED || deadline.IsPast()) {
            LogEvent("startup", "lesson mutex not had in %lu ms", deadline.Elapsed());
            return FALSE;
        }
    }
}

static BOOL IsLauncherFrame(HWND hWnd)
{
    char szClass[sizeof(kFrameClass) + 1] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return strcmp(szClass, kFrameClass) == 0;
}

// The block of a window that exists; while the instance is still starting its
// show the block is not there yet, so wait a little for it.
static HANDLE OpenCommandBlock(HWND hWndInstance)
{
    // A first launch may be about to make its frame: the log tells why this one waits.
    if (!IsLauncherFrame(hWndInstance))
        LogEvent("handover", "window %p found by its title alone: waiting for the block",
                 static_cast<void*>(hWndInstance));
    const CDeadline deadline(kBlockWaitMs);
    for (;;) {
        HANDLE hBlock = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kCommandBlockName);
        if (hBlock != NULL || !IsWindow(hWndInstance) || deadline.IsPast())
            return hBlock;
        Sleep(kBlockRetryMs);
    }
}

// TRUE once the receiver has set the event; a lesson that closes meanwhile takes
// nothing more, so stop waiting then.
static BOOL WaitUntilTaken(HWND hWndInstance, HANDLE hTaken)
{
    const CDeadline deadline(kSendTimeoutMs);
    while (WaitForSingleObject(hTaken, kBlockRetryMs) == WAIT_TIMEOUT) {
        if (!IsWindow(hWndInstance) || deadline.IsPast())
            return WaitForSingleObject(hTaken, 0) == WAIT_OBJECT_0;
    }
    return TRUE;
}

static LaunchExitCode HandOver(HWND& hWndInstance, LPCSTR lpszTitle, LPCSTR lpszText,
                               DWORD* pdwTurnMs, DWORD* pdwTakenMs);

LaunchExitCode HandOverCommand(HWND hWndInstance, LPCSTR lpszTitle, LPCSTR lpszText)
{
    DWORD dwTurnMs = 0, dwTakenMs = 0;
    const LaunchExitCode code = HandOver(hWndInstance, lpszTitle, lpszText, &dwTurnMs, &dwTakenMs);
    LogEvent("handover", "window %p; turn after %lu ms, taken after %lu ms; exit code %d",
             static_cast<void*>(hWndInstance), dwTurnMs, dwTakenMs, code);
    return code;
}

// The turn had, the text published and posted, and "taken" waited for; how long each took.
static LaunchExitCode SendInTurn(HWND hWndInstance, HANDLE hBlock, HANDLE hTaken, LPCSTR lpszText,
                                 DWORD* pdwTurnMs, DWORD* pdwTakenMs)
{
    CHandleOwner turn(CreateMutexA(NULL, FALSE, kSenderMutexName));
    const CDeadline turnWait(kSendTimeoutMs);
    const DWORD dwWait = turn.Get() ? WaitForSingleObject(turn.Get(), kSendTimeoutMs) : WAIT_FAILED;
    *pdwTurnMs = turnWait.Elapsed();
    // An abandoned mutex (a sender that died) still hands the turn over.
    if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_ABANDONED)
        return EXIT_NO_TURN;
    ResetEvent(hTaken);
    LaunchExitCode result = EXIT_NO_BLOCK;
    LONG lHead = 0;
    if (PublishCommandText(hBlock, lpszText, &lHead)) {
        PostMessageA(hWndInstance, WM_SHOW_COMMAND, kTextInBlock, 0);
        const CDeadline takenWait(kSendTimeoutMs);
        // A text not taken in time is withdrawn, so that "not taken" means it never runs;
        // one the receiver claimed meanwhile was taken after all.
        result = WaitUntilTaken(hWndInstance, hTaken) || !WithdrawCommandText(hBlock, lHead)
                     ? EXIT_TAKEN
                     : EXIT_NOT_TAKEN;
        *pdwTakenMs = takenWait.Elapsed();
    }
    ReleaseMutex(turn.Get());
    return result;
}

// The hand-over itself, and how long it waited for its turn and for "taken".
static LaunchExitCode HandOver(HWND& hWndInstance, LPCSTR lpszTitle, LPCSTR lpszText,
                               DWORD* pdwTurnMs, DWORD* pdwTakenMs)
{
    // A cut text would be a different command, or a wrong answer: none at all instead.
    if (!FitsCommandBlock(lpszText))
        return EXIT_TOO_LONG;
    // An empty text would read as an empty block, and has nothing to run: it counts as taken.
    if (lpszText[0] == '\0')
        return EXIT_TAKEN;
    CHandleOwner block(OpenCommandBlock(hWndInstance));
    if (block.Get() == NULL)
        return EXIT_NO_BLOCK;
    // A window found by its title alone may be a stranger's that was there before the lesson's
    // frame: now that the block exists, the frame does too, and the notice goes to it.
    HWND hWndFrame = FindWindowA(kFrameClass, lpszTitle);
    if (hWndFrame != NULL)
        hWndInstance = hWndFrame;

    CHandleOwner taken(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kTakenEventName));
    if (taken.Get() != NULL)
        return SendInTurn(hWndInstance, block.Get(), taken.Get(), lpszText, pdwTurnMs, pdwTakenMs);
    LONG lHead = 0;
    if (!PublishCommandText(block.Get(), lpszText, &lHead))
        return EXIT_NO_BLOCK;
    PostMessageA(hWndInstance, WM_SHOW_COMMAND, kTextInBlock, 0);
    return EXIT_TAKEN;
}
