// The baseline for the plug-in's start-up: a DLL that does nothing when it is loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
