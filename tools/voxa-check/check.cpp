#include "check.h"
#include "windows_reading.h"

#include "catalogue/built_in_languages.h"
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

void Warn(std::vector<Finding>& warnings, Rule rule, std::string message) {
    warnings.push_back({rule, std::move(message)});
}

// The line of a key in the first [LANG] section, for messages; 0 when it is not there.
int LineOf(const WindowsReading& windows, const char* key) {
    for (const Entry& entry : windows.entries)
        if (_stricmp(entry.key.c_str(), key) == 0)
            return entry.line;
    return 0;
}

std::string KeyAt(const WindowsReading& windows, const char* key) {
    const int line = LineOf(windows, key);
    return line == 0 ? std::string(key) : std::string(key) + " (line " + std::to_string(line) + ")";
}

void CheckFile(LanguageReport& report, const char* key, const std::string& path) {
    if (path.empty())
        return;
    if (path.size() > voxa::kPathBufferLength - 1) {
        report.lines.push_back(std::string(key) + ": " + path + "  (too long)");
        Warn(report.warnings, Rule::PathTooLong,
             std::string(key) + " gives a path of " + std::to_string(path.size()) +
                 " characters: the game opens no path longer than 259 characters: " + path);
        return;
    }
    const bool exists = Exists(path);
    report.lines.push_back(std::string(key) + ": " + path + (exists ? "" : "  (missing)"));
    if (!exists)
        Warn(report.warnings, Rule::MissingFile,
             std::string(key) + " names a file that does not exist: " + path);
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

void CheckKeys(LanguageReport& report, const voxa::LanguageRecord& record, const std::string& ini,
               const WindowsReading& windows) {
    for (const char* key : voxa::kLangIniTextKeys) {
        const RawValue raw = ReadRaw(ini, key);
        if (raw.present && raw.text.empty())
            Warn(report.warnings, Rule::EmptyValue,
                 KeyAt(windows, key) + " is present but empty: " +
                     (std::string(key) == "NameKey" ? "the name key is empty, not UNKNOWNLANG"
                                                    : "it counts as not given"));
        if (raw.text.size() > voxa::kPathBufferLength - 1)
            Warn(report.warnings, Rule::ValueCut,
                 KeyAt(windows, key) + " is " + std::to_string(raw.text.size()) +
                     " characters long and is cut to its first 259");
    }
    if (!ReadRaw(ini, "NameKey").present)
        Warn(report.warnings, Rule::NameKeyMissing,
             "NameKey is missing: the menu shows UNKNOWNLANG unless the text defines it");
    if (record.NameKey.size() > 63)
        Warn(report.warnings, Rule::NameKeyLong,
             "NameKey is longer than 63 characters: a name shown from it is cut to 63");

    const std::int32_t id = record.WindowsLangID;
    if (id > 0x3FF)
        Warn(report.warnings, Rule::WholeLanguageId,
             KeyAt(windows, "WindowsLangID") + " is " + std::to_string(id) +
                 ", a whole Windows language id: voxa compares only the primary language, so it never "
                 "matches; its primary language is " +
                 std::to_string(id & 0x3FF));
    for (const voxa::BuiltInLanguage& builtIn : voxa::kBuiltInLanguagesByMenuRow)
        if (id == builtIn.primaryLanguage)
            Warn(report.warnings, Rule::BuiltInLanguageId,
                 KeyAt(windows, "WindowsLangID") + " is " + std::to_string(id) +
                     ", the primary language of " + builtIn.englishName +
                     ", a built-in language: players whose Windows is in " + builtIn.englishName +
                     " start in this language instead");
}

void CheckText(LanguageReport& report, const voxa::LanguageRecord& record, const Options& options,
               bool keysRead) {
    const std::string& directory = record.TextDirectory;
    const bool placeholder = directory.find("%GAMEPATH%") != std::string::npos;
    if (directory.empty()) {
        if (keysRead)
            Warn(report.warnings, Rule::NoTextDirectory,
                 "TextDirectory is not given: the language loads none of its own text");
        report.loadsText = false;
    } else {
        report.lines.push_back("TextDirectory: " + directory);
        const char last = directory.back();
        const bool endsInPlaceholder =
            directory.size() >= 10 && directory.compare(directory.size() - 10, 10, "%GAMEPATH%") == 0;
        if (last != '\\' && last != '/' && !endsInPlaceholder)
            Warn(report.warnings, Rule::NoSeparator,
                 "TextDirectory does not end in a separator: file names are joined to it directly (" +
                     directory + record.GameGXTName + ")");
    }
    if (record.GameGXTName.empty()) {
        if (keysRead)
            Warn(report.warnings, Rule::NoGameGXTName,
                 "GameGXTName is not given: the game text stays the game's own");
        report.loadsText = false;
    }
    if (!directory.empty() && !record.GameGXTName.empty()) {
        if (!placeholder || options.hasTextRoot) {
            const std::string gameText =
                voxa::ResolveTextDirectory(record, options.textRoot + "/PC_Text/") + record.GameGXTName;
            if (gameText.size() > voxa::kPathBufferLength - 1) {
                report.lines.push_back("game text: " + gameText + "  (too long)");
                Warn(report.warnings, Rule::PathTooLong,
                     "the game text's path is " + std::to_string(gameText.size()) +
                         " characters long: the game opens no path longer than 259 characters: " + gameText);
                report.loadsText = false;
            } else {
                const bool exists = Exists(gameText);
                report.lines.push_back("game text: " + gameText + (exists ? "" : "  (missing)"));
                if (!exists) {
                    Warn(report.warnings, Rule::MissingGameText,
                         "the game text file does not exist: " + gameText);
                    report.loadsText = false;
                }
            }
        } else {
            report.lines.push_back("game text: " + directory + record.GameGXTName +
                                   "  (not looked for: give --text-root to resolve %GAMEPATH%)");
        }
    }
    report.lines.push_back(
        "level text: " + directory + "PC_<level>" + record.LevelGXTPostfix + ".GXT" +
        (placeholder ? "  (%GAMEPATH% here: the level root, the level name, /PC_Text/)" : ""));
}

void CheckLanguage(LanguageReport& report, const voxa::LanguageRecord& record, const std::string& ini,
                   const Options& options) {
    // The record comes from this machine's profile reader; where Windows would read the file
    // otherwise, the player's game does what Windows reads.
    const WindowsReading windows = HowWindowsReads(FileBytes(ini));
    report.warnings.insert(report.warnings.end(), windows.findings.begin(), windows.findings.end());
    if (windows.readsNoKey)
        report.loadsText = false;
    report.lines.push_back("NameKey: " + Quoted(record.NameKey));
    // Where Windows reads no key, the keys' own symptoms would only repeat the cause.
    if (!windows.readsNoKey)
        CheckKeys(report, record, ini, windows);
    CheckFile(report, "DataFile", record.DataFile);
    CheckFile(report, "TextureFile", record.TextureFile);
    CheckText(report, record, options, !windows.readsNoKey);
    report.lines.push_back(std::string("UseWholeAsciiTable: ") + (record.UseWholeAsciiTable ? "yes" : "no"));
    report.lines.push_back("WindowsLangID: " + std::to_string(record.WindowsLangID));
}

// The files of a folder whose names come near lang.ini.
std::vector<std::string> NearMisses(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsNearLangIni(entry.cFileName))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

// Says what discovery made of a folder that did not become a language.
void WarnAboutFolder(Report& report, const std::string& voxaFolder, const voxa::FolderAccount& folder) {
    const std::string name = "folder " + Quoted(voxa::ShownName(folder));
    if (folder.outcome != voxa::FolderOutcome::Hidden && folder.outcome != voxa::FolderOutcome::Added)
        report.folderLost = true;
    switch (folder.outcome) {
    case voxa::FolderOutcome::NoLangIni: {
        const std::vector<std::string> misses = NearMisses(voxaFolder + folder.name);
        if (misses.empty())
            Warn(report.warnings, Rule::NoLangIni, name + " has no lang.ini: it is not a language");
        for (const std::string& file : misses)
            Warn(report.warnings, Rule::LangIniNearMiss,
                 name + " holds " + Quoted(file) +
                     " but no lang.ini: voxa looks for lang.ini only, so it "
                     "is not a language");
        return;
    }
    case voxa::FolderOutcome::NameBeyondCodePage:
        Warn(report.warnings, Rule::FolderNameBeyondCodePage,
             name + ": its name holds letters that this Windows' ANSI code page (" +
                 std::to_string(GetACP()) +
                 ") cannot write, and the drive keeps no short name for it, so voxa cannot reach it");
        return;
    case voxa::FolderOutcome::LangIniFolder:
        Warn(report.warnings, Rule::LangIniIsAFolder,
             name + ": its lang.ini is a folder, not a file, so voxa skips it");
        return;
    case voxa::FolderOutcome::IniPathTooLong:
        Warn(
            report.warnings, Rule::IniPathTooLong,
            name +
                ": the path of its lang.ini is longer than 259 characters, so a language there is not found");
        return;
    case voxa::FolderOutcome::Hidden:
        Warn(report.warnings, Rule::HiddenFolder,
             name + " begins with a dot: the plug-in takes it for hidden and skips it");
        return;
    case voxa::FolderOutcome::NotRead:
        Warn(report.warnings, Rule::FolderNotRead, name + " was not read: memory ran out");
        return;
    case voxa::FolderOutcome::Added:
        return;
    }
}

void WarnAboutListing(Report& report, const voxa::DiscoveryAccount& account) {
    if (account.listing != voxa::ListingOutcome::Listed)
        report.folderLost = true;
    switch (account.listing) {
    case voxa::ListingOutcome::Listed:
    case voxa::ListingOutcome::PluginPathTooLong:
    case voxa::ListingOutcome::PluginPathBeyondCodePage:
        return;
    case voxa::ListingOutcome::NoSuchFolder:
        Warn(report.warnings, Rule::NoVoxaFolder, "there is no folder " + account.languagesPath);
        return;
    case voxa::ListingOutcome::NotAFolder:
        Warn(report.warnings, Rule::VoxaNotListed, account.languagesPath + " is a file, not a folder");
        return;
    case voxa::ListingOutcome::AccessDenied:
        Warn(report.warnings, Rule::VoxaNotListed,
             account.languagesPath + " cannot be read: access is denied");
        return;
    case voxa::ListingOutcome::PatternTooLong:
        Warn(report.warnings, Rule::VoxaNotListed,
             account.languagesPath + " is too long a path to search: the plug-in finds no language there");
        return;
    case voxa::ListingOutcome::OtherError:
        Warn(report.warnings, Rule::VoxaNotListed,
             account.languagesPath + " cannot be listed: Windows error " +
                 std::to_string(account.windowsError));
        return;
    }
}

// The starting language and the menu: what one language's settings do to another's.
void WarnAcrossLanguages(Report& report) {
    // The default language: the first record for the system's language, or for any (0), wins.
    std::map<std::int32_t, std::string> firstWithId;
    std::map<std::string, std::string> firstWithName;
    bool anyBefore = false;
    std::string anyFolder;
    for (LanguageReport& language : report.languages) {
        const voxa::LanguageRecord& record = *voxa::CatalogueEntryForIndex(language.index);
        const auto [named, firstName] = firstWithName.emplace(record.NameKey, language.folder);
        if (!firstName)
            Warn(language.warnings, Rule::NameKeyTwice,
                 "NameKey " + Quoted(record.NameKey) + " is also " + Quoted(named->second) +
                     "'s: the menu shows two rows of one name");
        const std::int32_t id = record.WindowsLangID;
        if (id == -1)
            continue;
        if (anyBefore)
            Warn(language.warnings, Rule::LanguageIdShadowed,
                 "WindowsLangID " + std::to_string(id) + " never chooses this language: " +
                     Quoted(anyFolder) + " comes first with WindowsLangID 0 (any language)");
        if (id == 0 && !anyBefore) {
            anyBefore = true;
            anyFolder = language.folder;
        }
        const auto [it, first] = firstWithId.emplace(id, language.folder);
        if (!first)
            Warn(language.warnings, Rule::LanguageIdTwice,
                 "WindowsLangID " + std::to_string(id) + " is also " + Quoted(it->second) +
                     "'s, which comes first and is chosen instead");
    }
}

} // namespace

bool Report::ok() const {
    if (folderLost)
        return false;
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
    if (account.memoryRanOut) {
        report.folderLost = true;
        Warn(report.warnings, Rule::FolderNotRead,
             "memory ran out while the folders were read; the report is not whole");
    }
    for (const voxa::FolderAccount& folder : account.folders) {
        if (folder.outcome != voxa::FolderOutcome::Added) {
            WarnAboutFolder(report, voxaFolder, folder);
            continue;
        }
        LanguageReport language;
        language.index = folder.languageIndex;
        language.folder = voxa::ShownName(folder);
        if (!folder.shownName.empty())
            Warn(language.warnings, Rule::ShortNameOnly,
                 "folder " + Quoted(folder.shownName) + " is found only through its short name " +
                     folder.name +
                     ": its name holds letters beyond ASCII that this Windows' ANSI code page (" +
                     std::to_string(GetACP()) +
                     ") cannot write, and on a drive that keeps no short names, or a Windows of another code "
                     "page, "
                     "voxa does not find it");
        CheckLanguage(language, *voxa::CatalogueEntryForIndex(folder.languageIndex),
                      voxaFolder + folder.name + "\\lang.ini", options);
        report.languages.push_back(language);
    }
    WarnAcrossLanguages(report);
    voxa::LanguageCatalogue.Clear();
    return report;
}

namespace {

void FormatFinding(std::ostringstream& out, const char* indent, const Finding& finding) {
    const RuleInfo& rule = Describe(finding.rule);
    out << indent << "warning: " << finding.message << " [" << rule.code << "]\n"
        << indent << "  fix: " << rule.fix << "\n";
}

} // namespace

std::string Format(const Report& report) {
    std::ostringstream out;
    int warnings = static_cast<int>(report.warnings.size());
    for (const LanguageReport& language : report.languages) {
        out << "Language " << language.index << ": " << language.folder << "\n";
        for (const std::string& line : language.lines)
            out << "  " << line << "\n";
        for (const Finding& warning : language.warnings)
            FormatFinding(out, "  ", warning);
        warnings += static_cast<int>(language.warnings.size());
    }
    for (const Finding& warning : report.warnings)
        FormatFinding(out, "", warning);
    out << report.languages.size() << " language(s), " << warnings << " warning(s)";
    if (!report.ok())
        out << (report.folderLost ? "; a folder yields no language"
                                  : "; some language would not load its text");
    out << "\n";
    return out.str();
}

} // namespace voxa_check
