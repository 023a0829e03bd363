#include "plugin/entry.h"

#include "catalogue/discovery.h"
#include "plugin/patch_table.h"

namespace voxa {

BOOL PluginEntry(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    try {
        DiscoverLanguages();
    } catch (...) {
        // Out of memory while reading the folders: the languages found so far still serve.
    }
    InstallPatches();
    return TRUE;
}

} // namespace voxa
