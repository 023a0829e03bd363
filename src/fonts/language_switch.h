#pragma once
// Putting one language's fonts into the host: its font data block and its font textures.

#include <cstdint>

namespace voxa {

// A language index or a menu row: rows 0 to 4 all stand for the built-in fonts.
void ApplyLanguage(std::int32_t languageIndex);
void ApplyCurrentLanguage();

} // namespace voxa
