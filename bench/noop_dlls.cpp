// noop_user32.exe and noop_ole.exe: do nothing, like noop.exe, but import system DLLs that Wine
// loads and initialises at every start: user32 and advapi32, what a window-based hand-over needs,
// and (NOOP_WITH_OLE) ole32 and oleaut32 too. Yardsticks that tell the DLLs' cost from our code's.
#include <ole2.h>
#include <windows.h>

// One function's address from each DLL is enough for the loader to load it.
extern "C" void* volatile const g_imports[] = {
    reinterpret_cast<void*>(&FindWindowA), // user32
    reinterpret_cast<void*>(&RegCloseKey), // advapi32
#ifdef NOOP_WITH_OLE
    reinterpret_cast<void*>(&OleInitialize),  // ole32
    reinterpret_cast<void*>(&SysAllocString), // oleaut32
#endif
};

// Read, so that the linker keeps the table and with it the imports.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return g_imports[0] != nullptr ? 0 : 1;
}
