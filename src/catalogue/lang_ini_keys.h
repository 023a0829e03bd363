#pragma once
// The keys of lang.ini's [LANG] section. Kept apart from the record so that code reading a
// lang.ini's bytes without Windows (the checker's reading, its fuzz target) names the same keys.

namespace voxa {

// The text keys, in the order of ReadLangIni's cut bits.
constexpr const char* kLangIniTextKeys[] = {"NameKey",       "TextureFile", "DataFile",
                                            "TextDirectory", "GameGXTName", "LevelGXTPostfix"};
// The keys read as integers.
constexpr const char* kLangIniIntegerKeys[] = {"UseWholeAsciiTable", "WindowsLangID"};

} // namespace voxa
