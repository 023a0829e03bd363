#pragma once
// For tests that link the plug-in's code: a fresh fake host with the plug-in as before
// start-up, and ways to patch and fill it as start-up would.

#include "fake_host.h"
#include "test_folders.h"

#include "catalogue/catalogue.h"
#include "core/startup_log.h"
#include "plugin/patch_table.h"
#include "plugin/plugin_state.h"

namespace sim {

// A fresh fake host, and the plug-in as before start-up.
inline void ResetPlugin(const std::string& textRoot = "GAME", const std::string& levelRoot = "LEVELS/") {
    voxa::ResetPluginState();
    InstallFakeHost(textRoot, levelRoot);
}

// Patches the fake host as start-up does; the fake host must hold the calls that the
// plug-in checks for (InstallFakeHost writes them).
inline bool InstallPluginPatches() {
    if (!voxa::HostBuildMatches())
        return false;
    voxa::InstallPatches();
    return true;
}

// Catalogue position p. Take it after the last append: an append may move every record.
inline voxa::LanguageRecord& Language(std::size_t position) {
    return voxa::LanguageCatalogue[position];
}

// A record as discovery would make it, for tests that need no lang.ini on disk. The reference
// is good until the next append.
inline voxa::LanguageRecord& AddLanguage(const std::string& nameKey, std::int32_t windowsLangID = -1) {
    voxa::LanguageRecord record;
    record.NameKey = nameKey;
    record.WindowsLangID = windowsLangID;
    voxa::LanguageCatalogue.PushBack(record);
    return voxa::LanguageCatalogue[voxa::LanguageCatalogue.size() - 1];
}

// Writes the lines the start-up log has kept into voxa.log in `folder`, as start-up does
// beside the plug-in, and reads the file back; false when it cannot be read.
inline bool WriteKeptLog(const TempFolder& folder, std::string& text) {
    const std::string path = folder.path() + "voxa.log";
    voxa::WriteStartupLog(path.c_str());
    return ReadWholeFile(path, text);
}

} // namespace sim
