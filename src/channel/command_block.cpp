// The command block: one named 256-byte section, mapped for exactly one copy at a time.
#include "channel/command_block.h"

#include "channel/command_claim.h"
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

HANDLE CreateCommandTakenEvent()
{
    return CreateEventA(NULL, TRUE, FALSE, kTakenEventName);
}

// The block as the program maps it, once for a whole hand-over or claim: a sender keeps its view
// until it has decided, so that a withdrawal always finds the block.
class CMappedBlock : public CBlockAccess {
public:
    CMappedBlock(HANDLE hBlock, HWND hWndInstance = NULL, HANDLE hTaken = NULL)
        : m_view(hBlock, kCommandBlockSize), m_hWndInstance(hWndInstance), m_hTaken(hTaken),
          m_deadline(kSendTimeoutMs)
    {
    }
    BOOL IsMapped() const { return m_view.Bytes() != NULL; }

    // InterlockedCompareExchange is a full barrier; mingw-w64's InterlockedExchange only an
    // acquire one.
    int32_t CompareExchangeHead(int32_t lNew, int32_t lExpected) override
    {
        return InterlockedCompareExchange(Head(), lNew, lExpected);
    }
    void WriteTail(const char* pszTail) override
    {
        CopyCommandText(m_view.Bytes() + kHeadSize, kCommandBlockSize - kHeadSize, pszTail,
                        (size_t)-1);
    }
    void ReadTail(char* pBuffer) override
    {
        memcpy(pBuffer, m_view.Bytes() + kHeadSize, kCommandBlockSize - kHeadSize);
    }
    void Notify() override { PostMessageA(m_hWndInstance, WM_SHOW_COMMAND, kTextInBlock, 0); }
    // Until "taken" is set, or a short while; the head decides, so an event set already (the
    // claim came just now, or a previous claim's late word) only shortens the wait. A lesson
    // that closes meanwhile takes nothing more.
    bool Wait() override
    {
        if (!IsWindow(m_hWndInstance) || m_deadline.IsPast())
            return false;
        if (m_hTaken == NULL || WaitForSingleObject(m_hTaken, 0) == WAIT_OBJECT_0)
            Sleep(1);
        else
            WaitForSingleObject(m_hTaken, kBlockRetryMs);
        return true;
    }

private:
    volatile LONG* Head() { return reinterpret_cast<volatile LONG*>(m_view.Bytes()); }

    CMappedView m_view;
    HWND m_hWndInstance;
    HANDLE m_hTaken;
    const CDeadline m_deadline;
};

HANDLE CreateCommandBlock()
{
    HANDLE hBlock = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                       static_cast<DWORD>(kCommandBlockSize), kCommandBlockName);
    // A block that outlived an instance which died while copying a text out keeps its claim, and
    // no sender takes a claim over: the next instance clears it.
    CMappedBlock block(hBlock);
    if (block.IsMapped())
        block.CompareExchangeHead(0, kClaimedHead);
    return hBlock;
}

BOOL ClaimBlockText(HANDLE hBlock, char* pszBuffer)
{
    CMappedBlock block(hBlock);
    CBlockReceiver receiver;
    while (block.IsMapped() && receiver.Step(block, pszBuffer)) {
    }
    return receiver.HasText();
}

// A sender's steps on the block: all of them, or up to its notice for an instance that cannot
// tell whether it took the text (one that offers no event), which counts it taken then.
static LaunchExitCode RunSender(CMappedBlock& block, LPCSTR lpszText, BOOL bAwait)
{
    if (!block.IsMapped())
        return EXIT_NO_BLOCK;
    CBlockSender sender(lpszText);
    while ((bAwait || !sender.IsPublished()) && sender.Step(block)) {
    }
    return sender.Result();
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

// The turn had, the text published and posted, and its claim waited for; how long each took.
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
    const CDeadline takenWait(kSendTimeoutMs);
    CMappedBlock block(hBlock, hWndInstance, hTaken);
    const LaunchExitCode result = RunSender(block, lpszText, TRUE);
    *pdwTakenMs = takenWait.Elapsed();
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
    CMappedBlock plain(block.Get(), hWndInstance);
    return RunSender(plain, lpszText, FALSE);
}
