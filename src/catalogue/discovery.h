#pragma once
// Finding the extra languages: every sub-folder of VOXA beside the plug-in that holds a
// lang.ini is one language. Discovery keeps an account of what it did, folder by folder,
// which the log, the checker and the tests read instead of looking again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace voxa {

// How the VOXA folder itself could be listed.
enum class ListingOutcome : std::uint8_t {
    Listed,
    PluginPathTooLong,        // the plug-in's own path leaves no room for VOXA\ .
    PluginPathBeyondCodePage, // its letters are beyond the ANSI code page, and it has no short form
    PatternTooLong,           // VOXA\*.* would not fit a path
    NoSuchFolder,
    NotAFolder, // VOXA is a file
    AccessDenied,
    OtherError, // see windowsError
};

// What became of one sub-folder.
enum class FolderOutcome : std::uint8_t {
    Added,
    Hidden,             // its name begins with a dot
    NoLangIni,          // it holds no lang.ini
    LangIniFolder,      // its lang.ini is a folder, not a file
    IniPathTooLong,     // its lang.ini path is longer than 259 characters
    NotRead,            // memory ran out before it was
    NameBeyondCodePage, // its name's letters are beyond the ANSI code page, and it has no short name
};

struct FolderAccount {
    std::string name;      // as paths are made of it: its short name where the long one does not survive
    std::string shownName; // the long name as UTF-8, where name is the short one or none: for the log
    FolderOutcome outcome = FolderOutcome::Added;
    std::int32_t languageIndex = -1; // the language it became, when added
    std::uint8_t cutKeys = 0;        // one bit per kLangIniTextKeys entry whose value was cut
};

struct DiscoveryAccount {
    std::string languagesPath; // ends in a backslash; empty when there was no room for it; UTF-8
                               // for PluginPathBeyondCodePage, for the log
    ListingOutcome listing = ListingOutcome::Listed;
    std::uint32_t windowsError = 0;     // what Windows said when the listing failed
    std::vector<FolderAccount> folders; // in listing order
    bool memoryRanOut = false;          // the account and the catalogue stop where it did
};

// What start-up's discovery did; part of the plug-in's state.
extern DiscoveryAccount Discovery;

// Appends the languages of languagesPath (ending in a backslash) to the catalogue, in listing
// order, and says what it did in account. Running out of memory ends the walk: what was
// found until then stays, and the account says so.
void DiscoverLanguagesIn(const char* languagesPath, DiscoveryAccount& account) noexcept;

// Start-up's discovery: the VOXA folder beside the plug-in file, accounted for in Discovery.
void DiscoverLanguages() noexcept;

// The account in plain lines for the start-up log.
void LogDiscovery(const DiscoveryAccount& account) noexcept;

// Writes the plug-in file's own path into buffer; false, with an empty text, when it does not
// fit.
bool PluginFilePath(char* buffer, std::size_t bufferSize);

// Writes the path of subFolder inside the plug-in's folder into buffer. Returns false, with
// buffer holding an empty text, when the result would not fit.
bool PluginSubfolderPath(const char* subFolder, char* buffer, std::size_t bufferSize);

// The same with wide paths, which reach a folder whose name the ANSI code page cannot write.
bool PluginSubfolderPathW(const wchar_t* subFolder, wchar_t* buffer, std::size_t bufferSize);

// The name a folder is shown by: its long name.
inline const std::string& ShownName(const FolderAccount& folder) {
    return folder.shownName.empty() ? folder.name : folder.shownName;
}

} // namespace voxa
