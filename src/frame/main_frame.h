// CMainFrame: the hidden main window that runs the lesson.
#pragma once

#include "channel/command_queue.h"
#include "frame/interaction.h"
#include "framework/afxdisp.h"
#include "framework/afxwin.h"
#include "framework/handles.h"

// The watch timer's id on the frame.
const UINT_PTR kWatchTimerId = 1;
// Posted by the quit call's waiting thread when the viewer has not answered in time.
#define WM_QUIT_OVERDUE (WM_USER + 3)

class CFileException;

// The phase of the running lesson, and what each message gets in it. Apart from the phase,
// a count of calls on the viewer under way: while it is above zero every command notice is
// taken and queued (the message filter lets notices through the call's wait), the watch
// does nothing, and the frame does not close; the outermost call's end posts the queue's
// next text. A box lets every message through, whatever the phase. A WM_CLOSE from outside
// (another program) never destroys the frame itself: it ends a lesson that is starting,
// running or past a logoff as a closed show does, with I,S, once no viewer call runs and no
// text waits; in the other phases the lesson is ending already. A logoff, and
// a quit call the viewer has not answered in kQuitLimitMs, end the lesson at once: the
// option written back, then the result of what the queue holds (its last finish text, else
// I,S for a running lesson), then its answers, all without the viewer.
//  kStarting      Start-up's checks (a refusal's box may be up), then WM_SHOW_START makes
//                 the block and the open call is under way. Notices: queued. No watch yet.
//                 A logoff: the queue's finish text and answers, no I,S, and
//                 kSessionEnded. The open's answer gives kRunning, or kStartFailed.
//  kRunning       The show is up. Notices: each text runs (Q records, G or S finishes,
//                 R restarts the show). The watch's tick, once the show's window is gone:
//                 the finish with I,S. A logoff: the queue's result (I,S unless it holds a
//                 finish text) and answers, the viewer told to quit unless a call runs,
//                 then kClosing.
//  kStartFailed   The show did not start: the block is gone, the queue dropped, the
//                 failure's box up. Notices find no block. A logoff: the option written
//                 back only. The box dismissed: kClosing.
//  kSessionEnded  A logoff came while the open call ran: the application has exited and
//                 the lesson has no I,S written. When the call returns the watch
//                 starts but never finishes; notices still run, and a finish text ends
//                 the lesson as in kRunning.
//  kFinishing     A finish has written the result and tells the viewer to quit, then shows
//                 its boxes. Notices: queued during the quit call, run during a box (a
//                 second finish writes its values too). The watch: nothing. A logoff, or
//                 the quit call overdue: the queue's finish text and answers, the result
//                 kept otherwise; when overdue, the process then ends with exit code 0.
//  kClosing       The lesson has ended. Notices still run, in order; once no viewer call
//                 runs and no text waits, WM_CLOSE is posted and the frame is destroyed.
//                 A logoff: the queue's finish text and answers.
enum LessonPhase { kStarting, kRunning, kStartFailed, kSessionEnded, kFinishing, kClosing };

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

    // The lesson's values; start-up fills them before the message loop runs.
    CString m_strResultFile;
    CString m_strStudentName;
    CString m_strCourseId;
    CString m_strInteractionFile;

protected:
    LRESULT OnShowStart(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowCommand(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);
    BOOL OnQueryEndSession();
    void OnEndSession(BOOL bEnding);
    LRESULT OnQuitOverdue(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    // Marks a call on the viewer for as long as it runs (receiver.cpp).
    class CViewerCall {
    public:
        explicit CViewerCall(CMainFrame* pFrame);
        ~CViewerCall();

    private:
        CMainFrame* m_pFrame;
    };

    void SetPhase(LessonPhase ePhase);
    // A box lets other messages run, a finish's WM_CLOSE among them, which deletes this
    // frame: runs a step that may show one, and answers whether this frame outlived it.
    template <class Step> BOOL OutlivesBox(Step step)
    {
        HWND hWnd = m_hWnd;
        step();
        return IsStillFrame(hWnd, this);
    }
    static BOOL IsStillFrame(HWND hWnd, const CMainFrame* pFrame);
    void CloseCommandBlock();

    // Show start-up (show_startup.cpp).
    CString FormPresentationPath();
    BOOL OpenShowInViewer(LPCSTR lpszPath, CString& strMessage);
    void WatchShow();
    void FailShowStart(LPCSTR lpszMessage);
    void DropQueuedTexts();

    // The receiver (receiver.cpp).
    static void RegisterNoticeFilter(HWND hWndFrame);
    BOOL TakeText(WPARAM wParam, char* pszText);
    void Queue(WPARAM wParam);
    void ResumeQueue();
    void RunCommand(LPCSTR lpszText);

    // The dispatcher, the finish and the close point (dispatcher.cpp).
    void DispatchCommand(char chLetter);
    void FinishIncomplete();
    void Finish();
    CString WriteResult(LPCSTR lpszFinishText);
    CString EndViewer();
    void RecordOrFinish();
    void CloseWhenDrained();
    BOOL IsDrained() const;
    void CloseIfDrained();

    // The lesson's end at once (watch_and_logoff.cpp).
    int EndAtOnce(LPCSTR lpszEvent, LPCSTR lpszWhy);
    void WriteQueuedResult();
    void RecordQueuedAnswers();
    void StartQuitLimit();
    void StopQuitLimit();
    static DWORD WINAPI WaitForQuitAnswer(LPVOID pvFrame);

    // The interaction recorder (recorder.cpp). RecordInteraction appends one record for the
    // Q command in the command buffer; FALSE only after a file failure, once its message has
    // been dismissed.
    BOOL RecordInteraction();
    // The first non-blank byte from p, or NULL (the recorder's parsing steps with it).
    static const char* SkipBlanks(const char* p);
    BOOL CreateInteractionFile();
    size_t FormatRecord(const CInteraction& interaction, char* pszRecord, size_t cbRecord);
    BOOL AppendRecord(const char* pszRecord, size_t cbRecord);
    BOOL ReportFileFailure(const CFileException& e, UINT nIDPrompt);
    DWORD LockWaitMs() const;

    LessonPhase m_ePhase;
    CHandleOwner m_hCommandBlock;
    // Set by the receiver once it has taken a text out of the block, so that the
    // next sender may write; lives and dies with the block.
    CHandleOwner m_hCommandTaken;
    UINT_PTR m_nWatchTimer;
    HWND m_hShowWnd;
    // The interaction file exists: later records only append.
    BOOL m_bInteractionFileReady;
    // The lesson ends at once: a record that fails shows no box and is not tried again.
    BOOL m_bEndingAtOnce;
    // A WM_CLOSE from outside waits for the queue and the viewer's calls.
    BOOL m_bCloseAsked;
    // The quit call's waiting thread, and the event that tells it the call has answered.
    CHandleOwner m_hQuitLimit;
    CHandleOwner m_hQuitAnswered;
    COleDispatchDriver m_viewerApp;
    COleDispatchDriver m_show;
    // While a call on the viewer waits for its answer, COM lets posted messages
    // through; a command or a tick handled then could close the frame under the
    // call. Texts that arrive meanwhile are taken at once, so that no sender waits
    // on the viewer, and run in order once the call has returned.
    int m_nViewerCalls;
    CCommandQueue m_queue;
    // Texts that found the queue full, taken up again once it has room.
    BOOL m_bCommandDeferred;
    BOOL m_bOwnFinishDeferred;
};
