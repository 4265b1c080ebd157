// CShow: the slide show's automation object, the window the launcher looks for and its buttons.
#pragma once

#include "automation_object.h"
#include "owners.h"
#include "presentation.h"

#include <string>
#include <vector>

class CShow : public CDispatcher {
public:
    // strPath is the presentation path exactly as received; it becomes the window title.
    CShow(std::string strPath, CPresentation presentation);

    // Registers the window class the launcher looks for, once, before any show begins.
    static BOOL RegisterWindowClass(HINSTANCE hInstance);

    // Puts the show on screen, now or as late as the presentation asks; FALSE if it cannot.
    BOOL Begin();
    // Takes it off screen for good: the window goes, a late one never comes.
    void End();

    const CPresentation& GetPresentation() const { return m_presentation; }
    // The show's window, NULL before it opens and once it has closed; the slide on show, from 0.
    HWND GetWindow() const { return m_hWnd; }
    size_t GetSlide() const { return m_nSlide; }
    void GoTo(size_t nSlide);

protected:
    ~CShow() override;
    // What a click on one of the slide's buttons does; another program's show may differ.
    virtual void Click(size_t nButton);

private:
    HRESULT Call(DISPID dispid, VARIANT* pVarResult, EXCEPINFO* pExcepInfo) override;

    BOOL OpenWindow();
    void Step(int nDelta);
    void Jump(ELessonJump nJump);
    void ShowButtons();
    RECT GetButtonRect(const CSlideButton& button, size_t nButton, const RECT& rcClient) const;
    UINT GetScore() const;
    void RunProgram(const std::string& strTail);
    void Paint(HDC hDC, const RECT& rcClient) const;
    static void CALLBACK OnLateWindow(HWND, UINT, UINT_PTR nIDEvent, DWORD);
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnMessage(UINT message, WPARAM wParam);
    void OnCommand(WPARAM wParam);
    void OnPaint();
    void OnKeyDown(WPARAM nChar);
    BOOL OnTimer(UINT_PTR nIDEvent);
    void OnNcDestroy();

    std::string m_strPath;
    CPresentation m_presentation;
    size_t m_nSlide = 0;
    size_t m_nLastViewed = 0; // the slide shown before this one, for a "last viewed" jump
    BOOL m_bRunning = TRUE;   // FALSE between a stop and the next run
    HWND m_hWnd = NULL;
    UINT_PTR m_nLateTimer = 0;      // the pending window-after timer
    std::vector<HWND> m_arrButtons; // the current slide's buttons, as GetButton numbers them
    // Per slide, the kind of the answer last clicked on it; kPlain while none was.
    std::vector<CSlideButton::EKind> m_arrAnswers;
    CGdiObjectOwner m_hButtonFont;
};
