#include "catalogue/language_record.h"

#include "core/startup_log.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstring>

namespace voxa {

namespace {

constexpr char kSection[] = "LANG";

// Reads a text key. The profile API cuts a long value to fit the buffer (259 characters and
// the terminator). An empty result means the key is absent or empty: the field is kept.
bool ReadText(const char* iniPath, const char* key, const char* fallback, char (&buffer)[kPathBufferLength]) {
    buffer[0] = '\0';
    const DWORD length =
        GetPrivateProfileStringA(kSection, key, fallback, buffer, kPathBufferLength, iniPath);
    // A value that fills the buffer may have been cut: one more character of room tells.
    if (length == kPathBufferLength - 1) {
        char longer[kPathBufferLength + 1];
        if (GetPrivateProfileStringA(kSection, key, fallback, longer, sizeof longer, iniPath) > length)
            LogLine("%s: %s is longer than %u characters and was cut there", iniPath, key,
                    static_cast<unsigned>(length));
    }
    return length > 0;
}

void ReadPrefixedText(const char* iniPath, const char* key, const char* languageFolder, std::string& field) {
    char buffer[kPathBufferLength];
    if (ReadText(iniPath, key, "", buffer))
        field = std::string(languageFolder) + buffer;
}

void ReadPlainText(const char* iniPath, const char* key, const char* fallback, std::string& field) {
    char buffer[kPathBufferLength];
    if (ReadText(iniPath, key, fallback, buffer))
        field = buffer;
}

} // namespace

LanguageRecord ReadLangIni(const char* iniPath) {
    LanguageRecord record;

    // The folder of the lang.ini, with one backslash after it. The caller's path fits 259
    // characters, so the folder and its backslash do too; a longer one is cut, not overrun.
    char languageFolder[kPathBufferLength] = {};
    std::strncpy(languageFolder, iniPath, kPathBufferLength - 2);
    PathRemoveFileSpecA(languageFolder);
    std::strcat(languageFolder, "\\");

    ReadPlainText(iniPath, "NameKey", "UNKNOWNLANG", record.NameKey);
    ReadPrefixedText(iniPath, "TextureFile", languageFolder, record.TextureFile);
    ReadPrefixedText(iniPath, "DataFile", languageFolder, record.DataFile);
    ReadPrefixedText(iniPath, "TextDirectory", languageFolder, record.TextDirectory);
    ReadPlainText(iniPath, "GameGXTName", "", record.GameGXTName);
    ReadPlainText(iniPath, "LevelGXTPostfix", "", record.LevelGXTPostfix);
    record.UseWholeAsciiTable = GetPrivateProfileIntA(kSection, "UseWholeAsciiTable", 0, iniPath) != 0;
    record.WindowsLangID =
        static_cast<std::int32_t>(GetPrivateProfileIntA(kSection, "WindowsLangID", -1, iniPath));
    return record;
}

} // namespace voxa
