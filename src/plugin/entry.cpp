#include "plugin/entry.h"

#include "catalogue/discovery.h"
#include "core/startup_log.h"
#include "plugin/other_plugins.h"
#include "plugin/patch_table.h"

#include <voxa_version.h>

#include <shlwapi.h>

#include <cstdio>
#include <cstring>

namespace voxa {

namespace {

// A second copy of the plug-in file (a download saved twice) finds the first one's rows in
// the game: it changes nothing, and its account would only replace the serving copy's log, so
// it adds one line there instead.
bool StandAsideForServingCopy() {
    char serving[MAX_PATH];
    if (!FindServingCopy(serving, sizeof serving))
        return false;
    char servingLog[MAX_PATH + 16];
    std::snprintf(servingLog, sizeof servingLog, "%s", serving);
    PathRemoveFileSpecA(servingLog);
    const bool hasLog = PathAppendA(servingLog, "voxa.log") != FALSE;
    ContinueLog(hasLog ? servingLog : nullptr);
    char own[MAX_PATH];
    if (!PluginFilePath(own, sizeof own))
        std::strcpy(own, "this copy");
    LogLine("another copy of voxa, %s, already serves the game, so %s changed nothing; delete one of them",
            serving, own);
    return true;
}

} // namespace

BOOL PluginEntry(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    if (StandAsideForServingCopy())
        return TRUE;
    LogLine("voxa %s", VOXA_VERSION);
    // Out of memory while reading the folders, the languages found so far still serve.
    DiscoverLanguages();
    LogDiscovery(Discovery);
    InstallPatches();
    LogOtherPlugins();
    // The log beside the plug-in also where its folder has no narrow name at all.
    wchar_t logPath[MAX_PATH];
    WriteStartupLog(PluginSubfolderPathW(L"voxa.log", logPath, MAX_PATH) ? logPath : nullptr);
    return TRUE;
}

} // namespace voxa
