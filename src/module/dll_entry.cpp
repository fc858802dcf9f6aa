// The module entry: the reader state is zero at load and nothing is released
// at unload (an open file stays open until the host closes it), so every
// notification is simply accepted.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD /*reason*/, LPVOID /*reserved*/) { return TRUE; }
