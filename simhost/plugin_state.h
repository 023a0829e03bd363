#pragma once
// For tests that link the plug-in's code: the plug-in's global state put back to how it is
// before start-up, with a fresh fake host.

#include "fake_host.h"

#include "catalogue/catalogue.h"
#include "fonts/font_data.h"
#include "menu/menu_state.h"
#include "plugin/patch_table.h"
#include "text/language_names.h"

namespace sim {

// The fake host's allocator memory is gone after a reset, so the plug-in's copies are
// dropped here without being released through it.
inline void ResetPlugin(const std::string& textRoot = "GAME", const std::string& levelRoot = "LEVELS/") {
    for (voxa::LanguageRecord& record : voxa::LanguageCatalogue)
        delete record.fontData;
    voxa::LanguageCatalogue.Clear();
    delete voxa::defaultFontData;
    voxa::defaultFontData = nullptr;
    voxa::ResetMenuState();
    std::memset(voxa::BuiltInLanguageNames, 0, sizeof voxa::BuiltInLanguageNames);
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

} // namespace sim
