#include "plugin/other_plugins.h"

#include "catalogue/discovery.h"
#include "catalogue/language_record.h"
#include "core/startup_log.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <cstring>

namespace voxa {

namespace {

constexpr const char* kLoaderFolders[] = {"", "scripts\\", "plugins\\"};

// Logs the .asi files of gameFolder + subFolder other than the plug-in's own; returns how many.
unsigned LogPluginsIn(const char* gameFolder, const char* subFolder, const char* ownPath) {
    char pattern[kPathBufferLength];
    const int length = std::snprintf(pattern, sizeof pattern, "%s%s*.asi", gameFolder, subFolder);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof pattern)
        return 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    unsigned found = 0;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        char path[kPathBufferLength];
        const int pathLength =
            std::snprintf(path, sizeof path, "%s%s%s", gameFolder, subFolder, entry.cFileName);
        if (pathLength >= 0 && static_cast<std::size_t>(pathLength) < sizeof path &&
            lstrcmpiA(path, ownPath) == 0)
            continue;
        LogLine("another plug-in in the game: %s%s", subFolder, entry.cFileName);
        ++found;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

} // namespace

void LogOtherPlugins() noexcept {
    char ownPath[kPathBufferLength];
    if (!PluginFilePath(ownPath, sizeof ownPath))
        return;
    char gameFolder[kPathBufferLength];
    std::strcpy(gameFolder, ownPath);
    PathRemoveFileSpecA(gameFolder);
    const char* folderName = PathFindFileNameA(gameFolder);
    if (lstrcmpiA(folderName, "scripts") == 0 || lstrcmpiA(folderName, "plugins") == 0)
        PathRemoveFileSpecA(gameFolder);
    PathAddBackslashA(gameFolder);
    unsigned found = 0;
    for (const char* subFolder : kLoaderFolders)
        found += LogPluginsIn(gameFolder, subFolder, ownPath);
    if (found == 0)
        LogLine("no other plug-in (.asi) in the game folder, scripts or plugins");
}

} // namespace voxa
