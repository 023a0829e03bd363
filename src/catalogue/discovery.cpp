#include "catalogue/discovery.h"

#include "catalogue/catalogue.h"
#include "core/startup_log.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <cstring>

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

bool PluginSubfolderPath(const char* subFolder, char* buffer, std::size_t bufferSize) {
    const std::size_t subFolderLength = std::strlen(subFolder);
    buffer[0] = '\0';
    if (bufferSize < subFolderLength + 2)
        return false;
    // Leave room for the sub-folder once the file name is gone. A module path that does not
    // fit is cut by GetModuleFileNameA, which would name some other folder: find nothing.
    const DWORD limit = static_cast<DWORD>(bufferSize - subFolderLength - 1);
    const DWORD length = GetModuleFileNameA(PluginModule(), buffer, limit);
    if (length == 0 || length >= limit) {
        buffer[0] = '\0';
        return false;
    }
    PathRemoveFileSpecA(buffer);
    if (!PathAppendA(buffer, subFolder)) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

// The search is closed however the walk ends, also when a callback throws (out of memory).
class FolderSearch {
  public:
    FolderSearch(const char* pattern, WIN32_FIND_DATAA& entry) : handle_(FindFirstFileA(pattern, &entry)) {}
    ~FolderSearch() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;
    bool Opened() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(handle_, &entry) != FALSE; }

  private:
    HANDLE handle_;
};

bool ForEachSubfolder(const char* folderPath, SubfolderCallback callback, void* context) {
    char pattern[kPathBufferLength];
    if (!FormatPath(pattern, "%s*.*", folderPath))
        return false;
    WIN32_FIND_DATAA entry;
    FolderSearch search(pattern, entry);
    if (!search.Opened())
        return false;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            continue;
        if (entry.cFileName[0] != '.')
            callback(entry.cFileName, context);
        else if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
            LogLine("skipped %s: a folder whose name begins with a dot is hidden", entry.cFileName);
    } while (search.Next(entry));
    return true;
}

void AddLanguageFromFolder(const char* folderName, void* parentPath) {
    char iniPath[kPathBufferLength];
    // A lang.ini path too long for its buffer skips this folder only.
    if (!FormatPath(iniPath, "%s%s\\lang.ini", static_cast<const char*>(parentPath), folderName)) {
        LogLine("skipped %s: the path of its lang.ini is longer than %u characters", folderName,
                static_cast<unsigned>(kPathBufferLength - 1));
        return;
    }
    if (!PathFileExistsA(iniPath)) {
        LogLine("skipped %s: it holds no lang.ini", folderName);
        return;
    }
    const LanguageRecord record = ReadLangIni(iniPath);
    LanguageCatalogue.PushBack(record);
    LogLine("language %u: NameKey \"%s\", folder %s", static_cast<unsigned>(LanguageCatalogue.size() + 4),
            record.NameKey.c_str(), folderName);
}

void DiscoverLanguages() {
    char languagesPath[kPathBufferLength];
    if (!PluginSubfolderPath(kLanguagesFolder, languagesPath, sizeof languagesPath)) {
        LogLine("the plug-in's folder path is too long to hold VOXA\\: no extra languages");
        return;
    }
    LogLine("reading the languages in %s", languagesPath);
    if (!ForEachSubfolder(languagesPath, AddLanguageFromFolder, languagesPath)) {
        LogLine("there is no such folder: no extra languages");
        return;
    }
    LogLine("%u extra language%s found", static_cast<unsigned>(LanguageCatalogue.size()),
            LanguageCatalogue.size() == 1 ? "" : "s");
}

} // namespace voxa
