#pragma once
// One extra language: its settings from lang.ini, and the name, font data and texture
// dictionary that the host's start-up gives it.

#include "catalogue/lang_ini_keys.h"
#include "core/host.h"

#include <cstdint>
#include <string>

namespace voxa {

struct FontDataCopy;

constexpr int kDisplayNameLength = 64; // wide characters, terminator included
constexpr std::size_t kPathBufferLength = 260;

struct LanguageRecord {
    host::TextureDictionary textureDictionary = nullptr;
    FontDataCopy* fontData = nullptr;
    wchar_t displayName[kDisplayNameLength] = {}; // always holds a terminator
    std::string NameKey;
    std::string DataFile;
    std::string TextureFile;
    std::string TextDirectory;
    std::string GameGXTName;
    std::string LevelGXTPostfix;
    bool UseWholeAsciiTable = false;
    std::int32_t WindowsLangID = -1;
};

// Builds a record from the lang.ini at iniPath (at most 259 characters). A file that cannot
// be read gives the defaults. Each text value longer than 259 characters is cut there, and
// sets its key's bit (1 << position in kLangIniTextKeys) in cutKeys.
LanguageRecord ReadLangIni(const char* iniPath, std::uint8_t* cutKeys = nullptr);

} // namespace voxa
