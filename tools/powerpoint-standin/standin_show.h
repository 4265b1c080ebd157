// CStandinShow: quelmar's show of a real lesson as PowerPoint runs it: its "Run program" by the
// policy, its kiosk, its presenter view, and the test's death in mid-show.
#pragma once

#include "show.h"

class CStandinShow : public CShow {
public:
    CStandinShow(std::string strPath, CPresentation presentation, LONG nShowType,
                 BOOL bPresenterView);

    // Registers the presenter view's window class, once, beside the show's.
    static BOOL RegisterPodiumClass(HINSTANCE hInstance);
    // Puts the show on screen with its presenter view when asked for; FALSE if it cannot.
    BOOL Start();

protected:
    ~CStandinShow() override;
    void Click(size_t nButton) override;

private:
    void RunProgram(const std::string& strLine);
    BOOL AskStudent(const std::string& strLine) const;
    static LRESULT CALLBACK ShowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnDieTimer(HWND, UINT, UINT_PTR, DWORD);
    void ClosePodium();

    std::string m_strFolder; // the presentation's, where its programs run
    LONG m_nShowType;
    BOOL m_bPresenterView;
    WNDPROC m_pfnShowProc = NULL; // the show window's own procedure, which ShowProc wraps
    HWND m_hPodium = NULL;
};
