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
    CMappedBlock(HANDLE hBlock, HANDLE hTaken, HWND hWndInstance = NULL, HANDLE hTurn = NULL)
        : m_view(hBlock, kCommandBlockSize), m_hWndInstance(hWndInstance), m_hTaken(hTaken),
          m_hTurn(hTurn), m_deadline(kSendTimeoutMs)
    {
    }
    BOOL IsMapped() const { return m_view.Bytes() != NULL; }
    // How long the turn took (or all of the wait, not had), and then "taken".
    DWORD TurnMs() const { return m_bTurnHad ? m_dwTurnMs : m_deadline.Elapsed(); }
    DWORD TakenMs() const { return m_bTurnHad ? m_deadline.Elapsed() : 0; }

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
    // An abandoned mutex (a sender that died) still hands the turn over. The wait for "taken"
    // begins once the turn is had.
    bool TakeTurn() override
    {
        const DWORD dwWait =
            m_hTurn != NULL ? WaitForSingleObject(m_hTurn, kBlockRetryMs) : WAIT_FAILED;
        if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_ABANDONED)
            return false;
        m_dwTurnMs = m_deadline.Elapsed();
        m_bTurnHad = TRUE;
        m_deadline = CDeadline(kSendTimeoutMs);
        return true;
    }
    void GiveTurnBack() override { ReleaseMutex(m_hTurn); }
    void SetTaken() override
    {
        if (m_hTaken != NULL)
            SetEvent(m_hTaken);
    }
    void ResetTaken() override { ResetEvent(m_hTaken); }
    bool IsTaken() override { return WaitForSingleObject(m_hTaken, 0) == WAIT_OBJECT_0; }
    void Notify() override { PostMessageA(m_hWndInstance, WM_SHOW_COMMAND, kTextInBlock, 0); }
    // Until "taken" is set, or a short while. A lesson that closes meanwhile takes nothing more.
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
    HANDLE m_hTurn;
    CDeadline m_deadline;
    DWORD m_dwTurnMs = 0;
    BOOL m_bTurnHad = FALSE;
};

HANDLE CreateCommandBlock()
{
    HANDLE hBlock = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                       static_cast<DWORD>(kCommandBlockSize), kCommandBlockName);
    // A block that outlived an instance keeps what it held: a claim of one that died while copying
    // a text out (no sender takes a claim over), or a text no lesson will take, for which a sender
    // with the event would wait. The new instance empties it.
    CMappedBlock block(hBlock, NULL);
    for (int32_t lHead = 0; block.IsMapped();) {
        const int32_t lOld = block.CompareExchangeHead(0, lHead);
        if (lOld == lHead)
            break;
        lHead = lOld;
    }
    return hBlock;
}

BOOL ClaimBlockText(HANDLE hBlock, HANDLE hTaken, char* pszBuffer)
{
    CMappedBlock block(hBlock, hTaken);
    CBlockReceiver receiver;
    while (block.IsMapped() && receiver.Step(block, pszBuffer)) {
    }
    return receiver.HasText();
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

    // Without the event (an instance of 1.1 or before offers none) the sender still takes its turn,
    // so that no two senders' texts meet in the block.
    CHandleOwner taken(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kTakenEventName));
    CHandleOwner turn(CreateMutexA(NULL, FALSE, kSenderMutexName));
    CMappedBlock mapped(block.Get(), taken.Get(), hWndInstance, turn.Get());
    if (!mapped.IsMapped())
        return EXIT_NO_BLOCK;
    CBlockSender sender(lpszText, taken.Get() != NULL);
    while (sender.Step(mapped)) {
    }
    *pdwTurnMs = mapped.TurnMs();
    *pdwTakenMs = mapped.TakenMs();
    return sender.Result();
}
