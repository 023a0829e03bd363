#include "catalogue/language_index.h"

#include "catalogue/catalogue.h"

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
    static constexpr std::int32_t kBuiltInByRow[kBuiltInLanguageCount] = {0, 2, 3, 1, 4};
    if (static_cast<std::uint32_t>(menuRow) < static_cast<std::uint32_t>(kBuiltInLanguageCount))
        return kBuiltInByRow[menuRow];
    return menuRow;
}

namespace {

std::int32_t BuiltInLanguageFor(std::int32_t primaryLanguage) {
    switch (primaryLanguage) {
    case LANG_GERMAN:
        return 1;
    case LANG_SPANISH:
        return 4;
    case LANG_FRENCH:
        return 2;
    case LANG_ITALIAN:
        return 3;
    default:
        return 0;
    }
}

} // namespace

std::int32_t __cdecl DefaultLanguageFromSystem() {
    const std::int32_t primaryLanguage = GetUserDefaultLangID() & 0x3FF;
    for (std::size_t position = 0; position < LanguageCatalogue.size(); ++position) {
        const std::int32_t wanted = LanguageCatalogue[position].WindowsLangID;
        if (wanted == -1)
            continue;
        if (wanted == primaryLanguage || wanted == 0)
            return kBuiltInLanguageCount + static_cast<std::int32_t>(position);
    }
    return BuiltInLanguageFor(primaryLanguage);
}

} // namespace voxa
