#include "plugin/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    return voxa::PluginEntry(module, reason, reserved);
}
