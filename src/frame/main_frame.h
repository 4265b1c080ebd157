// CMainFrame: the hidden main window that runs the lesson.
#pragma once

#include "channel/command_queue.h"
#include "frame/interaction.h"
#include "frame/lesson_machine.h"
#include "framework/afxdisp.h"
#include "framework/afxwin.h"
#include "framework/handles.h"

// The watch timer's id on the frame, and the retry timer's, which posts again what a full queue
// refused.
const UINT_PTR kWatchTimerId = 1;
const UINT_PTR kRetryTimerId = 2;
// Posted by the quit call's waiting thread when the viewer has not answered in time.
#define WM_QUIT_OVERDUE (WM_USER + 3)

class CFileException;

// The frame is the lesson's adapter: its messages become the lesson's events (lesson_machine.h),
// whose table decides the course, and it performs the actions the table asks for.
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
    // The adapter (main_frame.cpp): one event in, its actions performed, and the outcome of the
    // last of them, if it has one, in again.
    void Dispatch(LessonEvent eEvent);
    LessonEvent Perform(LessonAction eAction);
    void PerformStep(LessonAction eAction);
    LessonEvent PostToSelf(UINT nMessage, WPARAM wParam);
    void CloseCommandBlock();

    // Show start-up (show_startup.cpp).
    LessonEvent StartShow();
    CString FormPresentationPath();
    BOOL OpenShowInViewer(LPCSTR lpszPath);
    LessonEvent WatchShow();

    // The receiver (receiver.cpp).
    static void RegisterNoticeFilter(HWND hWndFrame);
    LessonEvent TakeText();
    void RunQueued();
    void DropQueued(LPCSTR lpszWhy);

    // The dispatcher (dispatcher.cpp): what a command letter is to the lesson's course.
    static LessonEvent DispatchCommand(char chLetter);
    LessonEvent RestartShowOnce();

    // The lesson's end (lesson_end.cpp): the finish, the result, the viewer's end, the quit
    // limit, the end at once.
    LessonEvent WriteFinish(LPCSTR lpszFinishText);
    CString WriteResult(LPCSTR lpszFinishText);
    LessonEvent QuitViewerInTime();
    LessonEvent TearDown();
    void PerformAtOnce(LessonAction eAction);
    void ApplyQueuedFinish();
    void RecordQueuedAnswer();
    void StartQuitLimit();
    void StopQuitLimit();
    static DWORD WINAPI WaitForQuitAnswer(LPVOID pvFrame);
    void EndProcess();
    static BOOL CALLBACK DismissBox(HWND hWnd, LPARAM lParam);

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
    BOOL IsEndingAtOnce() const;
    DWORD LockWaitMs() const;

    CLessonState m_lesson;
    CHandleOwner m_hCommandBlock;
    // Set by the receiver once it has taken a text out of the block, so that the
    // next sender may write; lives and dies with the block.
    CHandleOwner m_hCommandTaken;
    UINT_PTR m_nWatchTimer;
    HWND m_hShowWnd;
    // The interaction file exists: later records only append.
    BOOL m_bInteractionFileReady;
    // The quit call's waiting thread, and the event that tells it the call has answered.
    CHandleOwner m_hQuitLimit;
    CHandleOwner m_hQuitAnswered;
    COleDispatchDriver m_viewerApp;
    COleDispatchDriver m_show;
    // The texts taken and not yet run, in the order the lesson's queue holds their kinds.
    CCommandQueue m_queue;
    // What the next box says: the start-up's, the result's or the quit call's failure.
    CString m_strBoxText;
    // The finish text whose write failed: an end at once writes it again.
    char m_szFailedFinish[kCommandBlockSize];
};
