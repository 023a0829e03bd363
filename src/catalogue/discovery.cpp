#include "catalogue/discovery.h"

#include "catalogue/catalogue.h"
#include "catalogue/language_index.h"
#include "core/ansi_path.h"
#include "core/startup_log.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace voxa {

namespace {

constexpr char kLanguagesFolder[] = "VOXA\\";

// The module that holds this code: the plug-in itself, wherever it was loaded, never the
// host executable.
HMODULE PluginModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&PluginModule), &module);
    return module;
}

// snprintf into a fixed buffer; false when the text did not fit, so that a cut path is
// never used as if it were whole.
template <typename... Args>
bool FormatPath(char (&buffer)[kPathBufferLength], const char* format, Args... args) {
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return length >= 0 && static_cast<std::size_t>(length) < sizeof buffer;
}

} // namespace

namespace {

bool PluginFilePathW(wchar_t (&buffer)[MAX_PATH]) {
    // A module path that does not fit is cut: it would name another file.
    const DWORD length = GetModuleFileNameW(PluginModule(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// Whether the plug-in's own folder cannot be written in the ANSI code page, even in its short
// form; its path goes into utf8 for the log.
bool PluginFolderBeyondCodePage(std::string& utf8) {
    wchar_t wide[MAX_PATH];
    char narrow[MAX_PATH];
    if (!PluginFilePathW(wide) || ToAnsi(wide, narrow, sizeof narrow) != AnsiConversion::LettersLost ||
        AnsiPathOf(wide, narrow, sizeof narrow))
        return false;
    PathRemoveFileSpecW(wide);
    utf8 = Utf8(wide);
    return true;
}

} // namespace

bool PluginFilePath(char* buffer, std::size_t bufferSize) {
    // Where the path's letters do not survive the code page, its short form stands in: the
    // narrow calls and the game's loaders open it.
    wchar_t wide[MAX_PATH];
    if (!PluginFilePathW(wide) || !AnsiPathOf(wide, buffer, bufferSize)) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

bool PluginSubfolderPathW(const wchar_t* subFolder, wchar_t* buffer, std::size_t bufferSize) {
    buffer[0] = L'\0';
    wchar_t folder[MAX_PATH];
    if (!PluginFilePathW(folder))
        return false;
    PathRemoveFileSpecW(folder);
    PathAddBackslashW(folder);
    const int length = std::swprintf(buffer, bufferSize, L"%ls%ls", folder, subFolder);
    if (length < 0 || static_cast<std::size_t>(length) >= bufferSize) {
        buffer[0] = L'\0';
        return false;
    }
    return true;
}

bool PluginSubfolderPath(const char* subFolder, char* buffer, std::size_t bufferSize) {
    buffer[0] = '\0';
    // Only the folder and the sub-folder have to fit: the plug-in's own file name goes before
    // the sub-folder is added, so a module path longer than the result is no reason to fail.
    char folder[MAX_PATH];
    if (!PluginFilePath(folder, sizeof folder))
        return false;
    // Removing the file name freed at least two characters, so the backslash always fits.
    PathRemoveFileSpecA(folder);
    PathAddBackslashA(folder);
    const int length = std::snprintf(buffer, bufferSize, "%s%s", folder, subFolder);
    if (length < 0 || static_cast<std::size_t>(length) >= bufferSize) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

namespace {

// The search is closed however the walk ends, also when memory runs out on the way.
class FolderSearch {
  public:
    FolderSearch(const wchar_t* pattern, WIN32_FIND_DATAW& entry)
        : handle_(FindFirstFileW(pattern, &entry)) {}
    ~FolderSearch() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;
    bool Opened() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& entry) { return FindNextFileW(handle_, &entry) != FALSE; }

  private:
    HANDLE handle_;
};

// Why the folder could not be listed, from what Windows said. A VOXA that is a file gives
// "path not found" or "not a directory" depending on the Windows version, and "invalid name"
// under Wine: its attributes tell.
ListingOutcome ListingFailure(const char* folderPath, DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY: {
        char folder[kPathBufferLength];
        if (FormatPath(folder, "%s", folderPath))
            PathRemoveBackslashA(folder);
        const DWORD attributes = GetFileAttributesA(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return ListingOutcome::NotAFolder;
        if (error == ERROR_DIRECTORY)
            return ListingOutcome::NotAFolder;
        return error == ERROR_INVALID_NAME ? ListingOutcome::OtherError : ListingOutcome::NoSuchFolder;
    }
    case ERROR_ACCESS_DENIED:
        return ListingOutcome::AccessDenied;
    case ERROR_FILENAME_EXCED_RANGE:
        return ListingOutcome::PatternTooLong;
    default:
        return ListingOutcome::OtherError;
    }
}

// The folder is accounted for before it is read, so that memory running out on the way
// leaves an account that matches the catalogue.
void AddLanguageFromFolder(const char* languagesPath, FolderAccount& folder) {
    char iniPath[kPathBufferLength];
    // A lang.ini path too long for its buffer skips this folder only.
    if (!FormatPath(iniPath, "%s%s\\lang.ini", languagesPath, folder.name.c_str()))
        folder.outcome = FolderOutcome::IniPathTooLong;
    else if (!PathFileExistsA(iniPath))
        folder.outcome = FolderOutcome::NoLangIni;
    // PathFileExistsA says yes for a folder too; read as a profile it gives nothing but the
    // defaults, so such a language would only ever be an UNKNOWNLANG row without text.
    else if ((GetFileAttributesA(iniPath) & FILE_ATTRIBUTE_DIRECTORY) != 0)
        folder.outcome = FolderOutcome::LangIniFolder;
    else {
        LanguageCatalogue.PushBack(ReadLangIni(iniPath, &folder.cutKeys));
        folder.outcome = FolderOutcome::Added;
        folder.languageIndex =
            kBuiltInLanguageCount + static_cast<std::int32_t>(LanguageCatalogue.size() - 1);
    }
}

// The folder's name for paths: its own where it survives the code page, else its short name.
// False where it has neither (a drive that keeps no short names).
bool NameOf(const WIN32_FIND_DATAW& entry, FolderAccount& folder) {
    char name[MAX_PATH];
    if (ToAnsi(entry.cFileName, name, sizeof name) == AnsiConversion::Exact) {
        folder.name = name;
        return true;
    }
    folder.shownName = Utf8(entry.cFileName);
    if (entry.cAlternateFileName[0] != L'\0' &&
        ToAnsi(entry.cAlternateFileName, name, sizeof name) == AnsiConversion::Exact) {
        folder.name = name;
        return true;
    }
    folder.name = folder.shownName;
    folder.shownName.clear();
    return false;
}

void ListLanguages(const char* languagesPath, DiscoveryAccount& account) {
    account.languagesPath = languagesPath;
    char pattern[kPathBufferLength];
    if (!FormatPath(pattern, "%s*.*", languagesPath)) {
        account.listing = ListingOutcome::PatternTooLong;
        return;
    }
    // The listing is read wide: a narrow one gives a name beyond the code page as '?' or as a
    // look-alike, neither of which opens.
    wchar_t widePattern[kPathBufferLength];
    if (MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, kPathBufferLength) == 0) {
        account.listing = ListingOutcome::PatternTooLong;
        return;
    }
    WIN32_FIND_DATAW entry;
    FolderSearch search(widePattern, entry);
    if (!search.Opened()) {
        account.windowsError = GetLastError();
        account.listing = ListingFailure(languagesPath, account.windowsError);
        return;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            std::wcscmp(entry.cFileName, L".") == 0 || std::wcscmp(entry.cFileName, L"..") == 0)
            continue;
        account.folders.push_back({{}, {}, FolderOutcome::NotRead});
        FolderAccount& folder = account.folders.back();
        if (!NameOf(entry, folder))
            folder.outcome = FolderOutcome::NameBeyondCodePage;
        else if (entry.cFileName[0] == L'.')
            folder.outcome = FolderOutcome::Hidden;
        else
            AddLanguageFromFolder(languagesPath, folder);
    } while (search.Next(entry));
}

const char* LanguagesWord(std::size_t count) {
    return count == 1 ? "language" : "languages";
}

} // namespace

DiscoveryAccount Discovery;

void DiscoverLanguagesIn(const char* languagesPath, DiscoveryAccount& account) noexcept {
    try {
        ListLanguages(languagesPath, account);
    } catch (...) {
        // bad_alloc, or length_error from a catalogue at its limit: what was found stays.
        account.memoryRanOut = true;
    }
}

void DiscoverLanguages() noexcept {
    char languagesPath[kPathBufferLength];
    if (!PluginSubfolderPath(kLanguagesFolder, languagesPath, sizeof languagesPath)) {
        Discovery.listing = PluginFolderBeyondCodePage(Discovery.languagesPath)
                                ? ListingOutcome::PluginPathBeyondCodePage
                                : ListingOutcome::PluginPathTooLong;
        return;
    }
    DiscoverLanguagesIn(languagesPath, Discovery);
}

void LogDiscovery(const DiscoveryAccount& account) noexcept {
    if (account.listing == ListingOutcome::PluginPathTooLong) {
        LogLine("the plug-in's folder path is too long to hold VOXA\\: no extra languages");
        return;
    }
    if (account.listing == ListingOutcome::PluginPathBeyondCodePage) {
        LogLine(
            "the plug-in's folder, %s, holds letters that the ANSI code page (%u) cannot write, and the "
            "drive "
            "keeps no short name for it: no extra languages. Rename the folder, or move the game to a folder "
            "whose path has no such letters",
            account.languagesPath.c_str(), GetACP());
        return;
    }
    const char* path = account.languagesPath.c_str();
    LogLine("reading the languages in %s", path);
    std::size_t added = 0;
    for (const FolderAccount& folder : account.folders) {
        const char* name = ShownName(folder).c_str();
        switch (folder.outcome) {
        case FolderOutcome::NameBeyondCodePage:
            LogLine(
                "skipped %s: its name holds letters that the ANSI code page (%u) cannot write, and the drive "
                "keeps no short name for it. Rename the folder with letters of that code page",
                name, GetACP());
            break;
        case FolderOutcome::Hidden:
            LogLine("skipped %s: a folder whose name begins with a dot is hidden", name);
            break;
        case FolderOutcome::NoLangIni:
            LogLine("skipped %s: it holds no lang.ini", name);
            break;
        case FolderOutcome::LangIniFolder:
            LogLine("skipped %s: its lang.ini is a folder, not a file", name);
            break;
        case FolderOutcome::IniPathTooLong:
            LogLine("skipped %s: the path of its lang.ini is longer than %u characters", name,
                    static_cast<unsigned>(kPathBufferLength - 1));
            break;
        case FolderOutcome::NotRead:
            LogLine("skipped %s: memory ran out before it was read", name);
            break;
        case FolderOutcome::Added:
            for (unsigned key = 0; key < std::size(kLangIniTextKeys); ++key)
                if (folder.cutKeys & (1u << key))
                    LogLine("%s%s\\lang.ini: %s is longer than %u characters and was cut there", path, name,
                            kLangIniTextKeys[key], static_cast<unsigned>(kPathBufferLength - 1));
            if (folder.shownName.empty())
                LogLine("language %d: NameKey \"%s\", folder %s", static_cast<int>(folder.languageIndex),
                        CatalogueEntryForIndex(folder.languageIndex)->NameKey.c_str(), name);
            else
                LogLine("language %d: NameKey \"%s\", folder %s (read through its short name %s)",
                        static_cast<int>(folder.languageIndex),
                        CatalogueEntryForIndex(folder.languageIndex)->NameKey.c_str(), name,
                        folder.name.c_str());
            ++added;
            break;
        }
    }
    if (account.memoryRanOut)
        LogLine("memory ran out while the language folders were read; the languages found so far are used");
    switch (account.listing) {
    case ListingOutcome::Listed:
        LogLine("%u extra %s found", static_cast<unsigned>(added), LanguagesWord(added));
        return;
    case ListingOutcome::NoSuchFolder:
        LogLine("there is no such folder: no extra languages");
        return;
    case ListingOutcome::NotAFolder:
        LogLine("VOXA there is a file, not a folder: no extra languages");
        return;
    case ListingOutcome::AccessDenied:
        LogLine("the folder cannot be read: Windows denies access to it (error %lu); no extra languages",
                static_cast<unsigned long>(account.windowsError));
        return;
    case ListingOutcome::PatternTooLong:
        LogLine("the folder's path is too long to search (over %u characters): no extra languages",
                static_cast<unsigned>(kPathBufferLength - 1));
        return;
    case ListingOutcome::OtherError:
        LogLine("the folder cannot be listed: Windows error %lu; no extra languages",
                static_cast<unsigned long>(account.windowsError));
        return;
    case ListingOutcome::PluginPathTooLong:
    case ListingOutcome::PluginPathBeyondCodePage:
        return;
    }
}

} // namespace voxa
