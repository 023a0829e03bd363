#pragma once
#include <windows.h>

namespace voxa {

// What the library's entry point does: on process attach, find the languages and patch the
// host. It reports success for every reason, and no failure leaves it.
BOOL PluginEntry(HINSTANCE module, DWORD reason, LPVOID reserved);

} // namespace voxa
