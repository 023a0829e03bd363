#include "catalogue/language_index.h"

#include "catalogue/catalogue.h"
#include "core/startup_log.h"

#include <windows.h>

namespace voxa {

LanguageRecord* CatalogueEntryForIndex(std::int32_t languageIndex) {
    if (languageIndex >= 0 && languageIndex < kBuiltInLanguageCount)
        return nullptr;
    // Unsigned, so that every negative index falls outside (and none overflows on the way).
    const std::uint32_t position = static_cast<std::uint32_t>(languageIndex) - kBuiltInLanguageCount;
    if (position >= LanguageCatalogue.size())
        return nullptr;
    return &LanguageCatalogue[position];
}

LanguageRecord* CurrentLanguageRecord() {
    return CatalogueEntryForIndex(host::LanguageIndex());
}

bool CurrentLanguageUsesWholeAsciiTable() {
    const LanguageRecord* record = CurrentLanguageRecord();
    return record != nullptr && record->UseWholeAsciiTable;
}

std::int32_t MenuRowToLanguage(std::int32_t menuRow) {
    if (static_cast<std::uint32_t>(menuRow) < static_cast<std::uint32_t>(kBuiltInLanguageCount))
        return kBuiltInLanguagesByMenuRow[menuRow].index;
    return menuRow;
}

bool startingLanguageLogged = false;

namespace {

// The built-in language of a Windows primary language; English for every other.
std::int32_t BuiltInLanguageFor(std::int32_t primaryLanguage) {
    for (const BuiltInLanguage& language : kBuiltInLanguagesByMenuRow)
        if (language.primaryLanguage == primaryLanguage)
            return language.index;
    return BuiltInLanguageOfIndex(0).index;
}

// Said once: the host asks when it chooses its starting language.
void LogStartingLanguage(LANGID system, std::int32_t chosen, const char* why) {
    if (startingLanguageLogged)
        return;
    startingLanguageLogged = true;
    const LanguageRecord* record = CatalogueEntryForIndex(chosen);
    LogLine("starting language: Windows language 0x%04X (primary language %d) gives %s%s%s (index %d, %s)",
            system, system & 0x3FF, record != nullptr ? "NameKey \"" : "",
            record != nullptr ? record->NameKey.c_str() : BuiltInLanguageOfIndex(chosen).englishName,
            record != nullptr ? "\"" : "", static_cast<int>(chosen), why);
}

} // namespace

std::int32_t __cdecl DefaultLanguageFromSystem() {
    const LANGID system = GetUserDefaultLangID();
    const std::int32_t primaryLanguage = system & 0x3FF;
    for (std::size_t position = 0; position < LanguageCatalogue.size(); ++position) {
        const std::int32_t wanted = LanguageCatalogue[position].WindowsLangID;
        if (wanted == -1)
            continue;
        if (wanted == primaryLanguage || wanted == 0) {
            const std::int32_t chosen = kBuiltInLanguageCount + static_cast<std::int32_t>(position);
            LogStartingLanguage(system, chosen,
                                wanted == 0 ? "its WindowsLangID 0 takes every language"
                                            : "by its WindowsLangID");
            return chosen;
        }
    }
    const std::int32_t chosen = BuiltInLanguageFor(primaryLanguage);
    LogStartingLanguage(system, chosen, "built in");
    return chosen;
}

} // namespace voxa
