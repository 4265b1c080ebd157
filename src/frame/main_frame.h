// CMainFrame: the hidden main window that runs the lesson.
#pragma once

#include "channel/command_queue.h"
#include "frame/interaction.h"
#include "framework/afxdisp.h"
#include "framework/afxwin.h"
#include "framework/handles.h"

// The watch timer's id on the frame.
const UINT_PTR kWatchTimerId = 1;

class CFileException;

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
    DECLARE_MESSAGE_MAP()

private:
    class CViewerCall;

    // Appends one record for the Q command in the command buffer. FALSE only
    // after a file failure, once its message has been dismissed.
    BOOL RecordInteraction();
    // The first non-blank byte from p, or NULL (the recorder's parsing steps with it).
    static const char* SkipBlanks(const char* p);
    // Executes the command in the command buffer, selected by its letter.
    void DispatchCommand(char chLetter);

    BOOL CreateInteractionFile();
    size_t FormatRecord(const CInteraction& interaction, char* pszRecord, size_t cbRecord);
    BOOL AppendRecord(const char* pszRecord, size_t cbRecord);
    BOOL ReportFileFailure(const CFileException& e, UINT nIDPrompt);
    CString FormPresentationPath();
    BOOL OpenShowInViewer(LPCSTR lpszPath, CString& strMessage);
    void WatchShow();
    void FailShowStart(LPCSTR lpszMessage);
    void DropQueuedTexts();
    void CloseWhenDrained();
    void CloseIfDrained();
    void Finish();
    CString WriteResult(LPCSTR lpszFinishText);
    CString EndViewer();
    void FinishIncomplete();
    void RecordOrFinish();
    BOOL TakeText(WPARAM wParam, char* pszText);
    void Queue(WPARAM wParam);
    void RunCommand(LPCSTR lpszText);
    void ResumeQueue();
    // A modal box lets other messages run, a finish's WM_CLOSE among them, which
    // deletes this frame: after a box, ask the window before touching a field.
    static BOOL IsStillFrame(HWND hWnd, const CMainFrame* pFrame);
    void CloseCommandBlock();

    CHandleOwner m_hCommandBlock;
    BOOL m_bFinishing;
    // The viewer opened the show: only then has the lesson a result to write at a logoff.
    BOOL m_bShowStarted;
    // A finish or a failed start-up has ended the lesson: the frame closes once the queue is empty.
    BOOL m_bClosing;
    UINT_PTR m_nWatchTimer;
    HWND m_hShowWnd;
    BOOL m_bInteractionFileReady;
    COleDispatchDriver m_viewerApp;
    COleDispatchDriver m_show;
    // Set by the receiver once it has taken a text out of the block, so that the
    // next sender may write; lives and dies with the block.
    CHandleOwner m_hCommandTaken;
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
