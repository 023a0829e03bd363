#include "check.h"
#include "windows_reading.h"

#include "catalogue/catalogue.h"
#include "catalogue/discovery.h"
#include "catalogue/language_index.h"
#include "text/text_paths.h"

#include <windows.h>

#include <shlwapi.h>

#include <map>
#include <sstream>

namespace voxa_check {

namespace {

constexpr char kSection[] = "LANG";

bool Exists(const std::string& path) {
    return PathFileExistsA(path.c_str()) != FALSE;
}

// The raw value of a key: absent, present and empty, or a text of any length.
struct RawValue {
    bool present = false;
    std::string text;
};

RawValue ReadRaw(const std::string& ini, const char* key) {
    // A default that no file holds tells an absent key from an empty one.
    static const char kAbsent[] = "\x01voxa-absent\x01";
    std::vector<char> buffer(65536);
    GetPrivateProfileStringA(kSection, key, kAbsent, buffer.data(), static_cast<DWORD>(buffer.size()),
                             ini.c_str());
    RawValue value;
    value.present = std::string(buffer.data()) != kAbsent;
    if (value.present)
        value.text = buffer.data();
    return value;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void CheckFile(LanguageReport& report, const char* key, const std::string& path) {
    if (path.empty())
        return;
    const bool exists = Exists(path);
    report.lines.push_back(std::string(key) + ": " + path + (exists ? "" : "  (missing)"));
    if (!exists)
        report.warnings.push_back(std::string(key) + " names a file that does not exist: " + path);
}

std::string FileBytes(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void CheckLanguage(LanguageReport& report, const voxa::LanguageRecord& record, const std::string& ini,
                   const Options& options) {
    // The record comes from this machine's profile reader; where Windows would read the file
    // otherwise, the player's game does what Windows reads.
    const WindowsReading windows = HowWindowsReads(FileBytes(ini));
    report.warnings.insert(report.warnings.end(), windows.warnings.begin(), windows.warnings.end());
    if (windows.readsNoKey)
        report.loadsText = false;
    report.lines.push_back("NameKey: " + Quoted(record.NameKey));
    for (const char* key : voxa::kLangIniTextKeys) {
        const RawValue raw = ReadRaw(ini, key);
        if (raw.present && raw.text.empty())
            report.warnings.push_back(std::string(key) + " is present but empty: " +
                                      (std::string(key) == "NameKey"
                                           ? "the name key is empty, not UNKNOWNLANG"
                                           : "it counts as not given"));
        if (raw.text.size() > voxa::kPathBufferLength - 1)
            report.warnings.push_back(std::string(key) + " is " + std::to_string(raw.text.size()) +
                                      " characters long and is cut to its first 259");
    }
    if (!ReadRaw(ini, "NameKey").present)
        report.warnings.push_back(
            "NameKey is missing: the menu shows UNKNOWNLANG unless the text defines it");
    if (record.NameKey.size() > 63)
        report.warnings.push_back("NameKey is longer than 63 characters: a name shown from it is cut to 63");

    CheckFile(report, "DataFile", record.DataFile);
    CheckFile(report, "TextureFile", record.TextureFile);

    const std::string& directory = record.TextDirectory;
    const bool placeholder = directory.find("%GAMEPATH%") != std::string::npos;
    if (directory.empty()) {
        report.warnings.push_back("TextDirectory is not given: the language loads none of its own text");
        report.loadsText = false;
    } else {
        report.lines.push_back("TextDirectory: " + directory);
        const char last = directory.back();
        const bool endsInPlaceholder =
            directory.size() >= 10 && directory.compare(directory.size() - 10, 10, "%GAMEPATH%") == 0;
        if (last != '\\' && last != '/' && !endsInPlaceholder)
            report.warnings.push_back(
                "TextDirectory does not end in a separator: file names are joined to it "
                "directly (" +
                directory + record.GameGXTName + ")");
    }
    if (record.GameGXTName.empty()) {
        report.warnings.push_back("GameGXTName is not given: the game text stays the game's own");
        report.loadsText = false;
    }
    if (!directory.empty() && !record.GameGXTName.empty()) {
        if (!placeholder || options.hasTextRoot) {
            const std::string gameText =
                voxa::ResolveTextDirectory(record, options.textRoot + "/PC_Text/") + record.GameGXTName;
            const bool exists = Exists(gameText);
            report.lines.push_back("game text: " + gameText + (exists ? "" : "  (missing)"));
            if (!exists) {
                report.warnings.push_back("the game text file does not exist: " + gameText);
                report.loadsText = false;
            }
        } else {
            report.lines.push_back("game text: " + directory + record.GameGXTName +
                                   "  (not looked for: give --text-root to resolve %GAMEPATH%)");
        }
    }
    report.lines.push_back(
        "level text: " + directory + "PC_<level>" + record.LevelGXTPostfix + ".GXT" +
        (placeholder ? "  (%GAMEPATH% here: the level root, the level name, /PC_Text/)" : ""));
    report.lines.push_back(std::string("UseWholeAsciiTable: ") + (record.UseWholeAsciiTable ? "yes" : "no"));
    report.lines.push_back("WindowsLangID: " + std::to_string(record.WindowsLangID));
}

// Says what discovery made of a folder that did not become a language, or of the VOXA folder.
void WarnAboutFolder(Report& report, const voxa::FolderAccount& folder) {
    const std::string name = "folder " + Quoted(folder.name);
    switch (folder.outcome) {
    case voxa::FolderOutcome::NoLangIni:
        report.warnings.push_back(name + " has no lang.ini: it is not a language");
        return;
    case voxa::FolderOutcome::IniPathTooLong:
        report.warnings.push_back(name + ": the path of its lang.ini is longer than 259 characters, so a "
                                         "language there is not found");
        return;
    case voxa::FolderOutcome::Hidden:
        report.warnings.push_back(name + " begins with a dot: the plug-in takes it for hidden and skips it");
        return;
    case voxa::FolderOutcome::NotRead:
        report.warnings.push_back(name + " was not read: memory ran out");
        return;
    case voxa::FolderOutcome::Added:
        return;
    }
}

void WarnAboutListing(Report& report, const voxa::DiscoveryAccount& account) {
    switch (account.listing) {
    case voxa::ListingOutcome::Listed:
    case voxa::ListingOutcome::PluginPathTooLong:
        return;
    case voxa::ListingOutcome::NoSuchFolder:
        report.warnings.push_back("there is no folder " + account.languagesPath);
        return;
    case voxa::ListingOutcome::NotAFolder:
        report.warnings.push_back(account.languagesPath + " is a file, not a folder");
        return;
    case voxa::ListingOutcome::AccessDenied:
        report.warnings.push_back(account.languagesPath + " cannot be read: access is denied");
        return;
    case voxa::ListingOutcome::PatternTooLong:
        report.warnings.push_back(account.languagesPath +
                                  " is too long a path to search: the plug-in finds no language there");
        return;
    case voxa::ListingOutcome::OtherError:
        report.warnings.push_back(account.languagesPath + " cannot be listed: Windows error " +
                                  std::to_string(account.windowsError));
        return;
    }
}

} // namespace

bool Report::ok() const {
    for (const LanguageReport& language : languages)
        if (!language.loadsText)
            return false;
    return true;
}

Report CheckVoxaFolder(const std::string& voxaFolder, const Options& options) {
    Report report;
    voxa::LanguageCatalogue.Clear();
    voxa::DiscoveryAccount account;
    voxa::DiscoverLanguagesIn(voxaFolder.c_str(), account);
    WarnAboutListing(report, account);
    if (account.memoryRanOut)
        report.warnings.push_back("memory ran out while the folders were read; the report is not whole");
    for (const voxa::FolderAccount& folder : account.folders) {
        if (folder.outcome != voxa::FolderOutcome::Added) {
            WarnAboutFolder(report, folder);
            continue;
        }
        LanguageReport language;
        language.index = folder.languageIndex;
        language.folder = folder.name;
        CheckLanguage(language, *voxa::CatalogueEntryForIndex(folder.languageIndex),
                      voxaFolder + folder.name + "\\lang.ini", options);
        report.languages.push_back(language);
    }

    // The default language: the first record for the system's language, or for any (0), wins.
    std::map<std::int32_t, std::string> firstWithId;
    bool anyBefore = false;
    std::string anyFolder;
    for (std::size_t i = 0; i < report.languages.size(); ++i) {
        LanguageReport& language = report.languages[i];
        const std::int32_t id = voxa::CatalogueEntryForIndex(language.index)->WindowsLangID;
        if (id == -1)
            continue;
        if (anyBefore)
            language.warnings.push_back("WindowsLangID " + std::to_string(id) +
                                        " never chooses this language: " + Quoted(anyFolder) +
                                        " comes first with WindowsLangID 0 (any language)");
        if (id == 0 && !anyBefore) {
            anyBefore = true;
            anyFolder = language.folder;
        }
        const auto [it, first] = firstWithId.emplace(id, language.folder);
        if (!first)
            language.warnings.push_back("WindowsLangID " + std::to_string(id) + " is also " +
                                        Quoted(it->second) + "'s, which comes first and is chosen instead");
    }
    voxa::LanguageCatalogue.Clear();
    return report;
}

std::string Format(const Report& report) {
    std::ostringstream out;
    int warnings = static_cast<int>(report.warnings.size());
    for (const LanguageReport& language : report.languages) {
        out << "Language " << language.index << ": " << language.folder << "\n";
        for (const std::string& line : language.lines)
            out << "  " << line << "\n";
        for (const std::string& warning : language.warnings)
            out << "  warning: " << warning << "\n";
        warnings += static_cast<int>(language.warnings.size());
    }
    for (const std::string& warning : report.warnings)
        out << "warning: " << warning << "\n";
    out << report.languages.size() << " language(s), " << warnings << " warning(s)";
    if (!report.ok())
        out << "; some language would not load its text";
    out << "\n";
    return out.str();
}

} // namespace voxa_check
