#include "plugin/entry.h"

#include "catalogue/discovery.h"
#include "core/startup_log.h"
#include "plugin/other_plugins.h"
#include "plugin/patch_table.h"

#include <voxa_version.h>

namespace voxa {

BOOL PluginEntry(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    LogLine("voxa %s", VOXA_VERSION);
    // Out of memory while reading the folders, the languages found so far still serve.
    DiscoverLanguages();
    LogDiscovery(Discovery);
    InstallPatches();
    LogOtherPlugins();
    char logPath[MAX_PATH];
    WriteStartupLog(PluginSubfolderPath("voxa.log", logPath, sizeof logPath) ? logPath : nullptr);
    return TRUE;
}

} // namespace voxa
