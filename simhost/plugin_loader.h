#pragma once
// The real voxa.asi, copied into a game folder and loaded with LoadLibrary, as the game's
// plug-in loader does.

#include "sim_host.h"

#include <windows.h>

#include <string>

namespace sim {

struct LoadedPlugin {
    HMODULE module = nullptr;
    Address base = 0;
    Address size = 0;
    Address preferredBase = 0;
    bool Contains(Address at) const { return at >= base && at < base + size; }
};

// The plug-in that the build put beside this program.
std::string BuiltPluginPath();
// Copies the built plug-in into `folder` (ending in a backslash); returns its path there.
std::string InstallPluginInto(const std::string& folder);
// Loads it; with `awayFromPreferredBase`, its preferred base is taken first so that the
// loader must relocate it.
LoadedPlugin LoadPlugin(const std::string& path, bool awayFromPreferredBase = false);
// The same from a wide path: a folder whose name the ANSI code page cannot write.
LoadedPlugin LoadPlugin(const std::wstring& path);
void UnloadPlugin(LoadedPlugin& plugin);

} // namespace sim
