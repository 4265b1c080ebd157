// The stand-in's show: quelmar's drawing and paging, with PowerPoint's policy and windows around
// it.
#include "standin_show.h"

#include "framework/handles.h"
#include "journal.h"
#include "standin.h"
#include "viewer/powerpoint_contract.h"

#include <utility>

static const char kShowProp[] = "StandinShow";

CStandinShow::CStandinShow(std::string strPath, CPresentation presentation, LONG nShowType,
                           BOOL bPresenterView)
    : CShow(strPath, std::move(presentation)),
      m_strFolder(strPath.substr(0, strPath.find_last_of("\\/") + 1)), m_nShowType(nShowType),
      m_bPresenterView(bPresenterView)
{
}

CStandinShow::~CStandinShow()
{
    End();
    ClosePodium();
}

BOOL CStandinShow::RegisterPodiumClass(HINSTANCE hInstance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kPresenterViewClass;
    return RegisterClassA(&wc) != 0;
}

BOOL CStandinShow::Start()
{
    if (!Begin() || GetWindow() == NULL)
        return FALSE;
    // The show window's messages pass through ShowProc first, for what PowerPoint does otherwise.
    SetPropA(GetWindow(), kShowProp, this);
    m_pfnShowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(GetWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ShowProc)));
    if (m_bPresenterView)
        m_hPodium = CreateWindowExA(0, kPresenterViewClass, "PowerPoint Presenter View",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                    640, 480, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (g_directives.m_dwDieMidShowMs != 0)
        SetTimer(NULL, 0, g_directives.m_dwDieMidShowMs, OnDieTimer);
    return TRUE;
}

// As a crash would: no window closes first, no call is answered after.
void CALLBACK CStandinShow::OnDieTimer(HWND, UINT, UINT_PTR, DWORD)
{
    g_journal.WriteLine("(directive) died mid-show");
    TerminateProcess(GetCurrentProcess(), 1);
}

void CStandinShow::ClosePodium()
{
    if (m_hPodium != NULL)
        DestroyWindow(m_hPodium);
    m_hPodium = NULL;
}

// A kiosk's show pages only by its buttons; the presenter view goes with the show's window.
LRESULT CALLBACK CStandinShow::ShowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CStandinShow* pShow = static_cast<CStandinShow*>(GetPropA(hWnd, kShowProp));
    if (message == WM_LBUTTONDOWN && pShow->m_nShowType == kPpShowTypeKiosk)
        return 0;
    LRESULT lResult = CallWindowProcA(pShow->m_pfnShowProc, hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropA(hWnd, kShowProp);
        pShow->ClosePodium();
    }
    return lResult;
}

// A "Run program" button by the policy, its command line as written; any other as quelmar's.
void CStandinShow::Click(size_t nButton)
{
    const CSlideButton& button = GetPresentation().GetButton(GetSlide(), nButton);
    if (button.m_nAction != kActionRunProgram) {
        CShow::Click(nButton);
        return;
    }
    RunProgram(button.m_strTail);
    if (GetWindow() != NULL)
        SetFocus(GetWindow());
}

// The policy's value; kRunProgramsNever when it is absent or not a REG_DWORD.
static DWORD ReadRunProgramsPolicy()
{
    CRegKeyOwner key;
    DWORD dwValue = kRunProgramsNever, cbValue = sizeof dwValue, dwType = 0;
    if (key.Open(HKEY_CURRENT_USER, kRunProgramsPolicyKey, KEY_QUERY_VALUE) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), kRunProgramsValue, NULL, &dwType,
                         reinterpret_cast<BYTE*>(&dwValue), &cbValue) != ERROR_SUCCESS ||
        dwType != REG_DWORD)
        return kRunProgramsNever;
    return dwValue;
}

// Topmost, over the full-screen show; No is the default, as a security question's should be.
BOOL CStandinShow::AskStudent(const std::string& strLine) const
{
    const std::string strText = "This presentation wants to run a program:\n" + strLine +
                                "\n\nRun it only if you trust the presentation. Run it?";
    return MessageBoxA(GetWindow(), strText.c_str(), kStandinPromptTitle,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SYSTEMMODAL) == IDYES;
}

void CStandinShow::RunProgram(const std::string& strLine)
{
    const DWORD dwPolicy = ReadRunProgramsPolicy();
    const BOOL bRun =
        dwPolicy == kRunProgramsAlways || (dwPolicy == kRunProgramsAsk && AskStudent(strLine));
    std::string strOutcome = bRun                          ? "started"
                             : dwPolicy == kRunProgramsAsk ? "declined"
                                                           : "blocked";
    if (bRun) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::string strCommand = strLine;
        if (CreateProcessA(NULL, &strCommand[0], NULL, NULL, FALSE, 0, NULL,
                           m_strFolder.empty() ? NULL : m_strFolder.c_str(), &si, &pi)) {
            CHandleOwner process(pi.hProcess), thread(pi.hThread);
        } else {
            strOutcome = "failed " + std::to_string(GetLastError());
        }
    }
    g_journal.WriteLine("(program) policy " + std::to_string(dwPolicy) + " " + strLine + " -> " +
                        strOutcome);
}
