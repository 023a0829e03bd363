#pragma once
// The host's five built-in languages: everything the plug-in knows of them, in one table.

#include <windows.h>

#include <cstdint>

namespace voxa {

struct BuiltInLanguage {
    std::int32_t index;           // the host's language index
    const char* nameKey;          // the key of its name in its own game text
    std::int32_t primaryLanguage; // the Windows primary language that starts the game in it
    const char* englishName;      // for the log
};

constexpr std::int32_t kBuiltInLanguageCount = 5;

// In menu order: the menu lists them as English, French, Italian, German, Spanish.
constexpr BuiltInLanguage kBuiltInLanguagesByMenuRow[kBuiltInLanguageCount] = {
    {0, "ENG", LANG_ENGLISH, "English"}, {2, "FRA", LANG_FRENCH, "French"},
    {3, "ITA", LANG_ITALIAN, "Italian"}, {1, "GER", LANG_GERMAN, "German"},
    {4, "ESP", LANG_SPANISH, "Spanish"},
};

// The entry of a built-in language index (0 to 4).
constexpr const BuiltInLanguage& BuiltInLanguageOfIndex(std::int32_t index) {
    for (const BuiltInLanguage& language : kBuiltInLanguagesByMenuRow)
        if (language.index == index)
            return language;
    return kBuiltInLanguagesByMenuRow[0];
}

// Every index appears once, so that each of the host's languages has a row.
static_assert(BuiltInLanguageOfIndex(0).index == 0 && BuiltInLanguageOfIndex(1).index == 1 &&
              BuiltInLanguageOfIndex(2).index == 2 && BuiltInLanguageOfIndex(3).index == 3 &&
              BuiltInLanguageOfIndex(4).index == 4);

} // namespace voxa
