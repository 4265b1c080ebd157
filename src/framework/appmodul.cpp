// The program's entry point: hands control to the one application object.
#include "framework/afxwin.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    return pApp != NULL ? pApp->WinMainBody(hInstance) : 1;
}
