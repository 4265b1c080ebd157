// The program's entry point: hands control to the one application object.
#include <stdlib.h>

#include "framework/afxwin.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    return pApp != NULL ? pApp->WinMainBody(hInstance) : 1;
}

// An exception nobody catches ends the program as the platform ends a failed one.
// Defining the runtime's terminate handler here keeps its name demangler (nearly a
// quarter of the program's size) out of the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    abort();
}
} // namespace __gnu_cxx
