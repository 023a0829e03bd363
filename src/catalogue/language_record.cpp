#include "catalogue/language_record.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstring>

namespace voxa {

namespace {

constexpr char kSection[] = "LANG";

// Reads the lang.ini's text keys, and notes which values were cut.
class TextReader {
  public:
    TextReader(const char* iniPath, std::uint8_t* cutKeys) : iniPath_(iniPath), cutKeys_(cutKeys) {}

    // A value prefixed with the language's folder; an absent or empty one keeps the field.
    void Prefixed(const char* key, const char* languageFolder, std::string& field) {
        char buffer[kPathBufferLength];
        if (Read(key, "", buffer))
            field = std::string(languageFolder) + buffer;
    }
    void Plain(const char* key, const char* fallback, std::string& field) {
        char buffer[kPathBufferLength];
        if (Read(key, fallback, buffer))
            field = buffer;
    }

  private:
    // The profile API cuts a long value to fit the buffer (259 characters and the
    // terminator). An empty result means the key is absent or empty.
    bool Read(const char* key, const char* fallback, char (&buffer)[kPathBufferLength]) {
        buffer[0] = '\0';
        const DWORD length =
            GetPrivateProfileStringA(kSection, key, fallback, buffer, kPathBufferLength, iniPath_);
        // A value that fills the buffer may have been cut: one more character of room tells.
        if (length == kPathBufferLength - 1 && cutKeys_ != nullptr) {
            char longer[kPathBufferLength + 1];
            if (GetPrivateProfileStringA(kSection, key, fallback, longer, sizeof longer, iniPath_) > length)
                *cutKeys_ |= static_cast<std::uint8_t>(1u << KeyPosition(key));
        }
        return length > 0;
    }
    static unsigned KeyPosition(const char* key) {
        unsigned position = 0;
        while (std::strcmp(kLangIniTextKeys[position], key) != 0)
            ++position;
        return position;
    }

    const char* iniPath_;
    std::uint8_t* cutKeys_;
};

} // namespace

LanguageRecord ReadLangIni(const char* iniPath, std::uint8_t* cutKeys) {
    LanguageRecord record;

    // The folder of the lang.ini, with one backslash after it. The caller's path fits 259
    // characters, so the folder and its backslash do too; a longer one is cut, not overrun.
    char languageFolder[kPathBufferLength] = {};
    std::strncpy(languageFolder, iniPath, kPathBufferLength - 2);
    PathRemoveFileSpecA(languageFolder);
    std::strcat(languageFolder, "\\");

    TextReader read(iniPath, cutKeys);
    read.Plain("NameKey", "UNKNOWNLANG", record.NameKey);
    read.Prefixed("TextureFile", languageFolder, record.TextureFile);
    read.Prefixed("DataFile", languageFolder, record.DataFile);
    read.Prefixed("TextDirectory", languageFolder, record.TextDirectory);
    read.Plain("GameGXTName", "", record.GameGXTName);
    read.Plain("LevelGXTPostfix", "", record.LevelGXTPostfix);
    record.UseWholeAsciiTable = GetPrivateProfileIntA(kSection, "UseWholeAsciiTable", 0, iniPath) != 0;
    record.WindowsLangID =
        static_cast<std::int32_t>(GetPrivateProfileIntA(kSection, "WindowsLangID", -1, iniPath));
    return record;
}

} // namespace voxa
