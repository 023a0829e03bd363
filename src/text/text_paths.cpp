#include "text/text_paths.h"

#include "catalogue/load_failures.h"

#include "catalogue/language_index.h"
#include "fonts/language_switch.h"

#include <cstring>

namespace voxa {

namespace {

constexpr char kPlaceholder[] = "%GAMEPATH%";
constexpr std::size_t kPlaceholderLength = sizeof kPlaceholder - 1;
constexpr char kTextFolder[] = "/PC_Text/";

// The record of the current language when it is an extra one with a text folder.
const LanguageRecord* CurrentRecordWithTextDirectory() {
    const LanguageRecord* record = CurrentLanguageRecord();
    if (record == nullptr || record->TextDirectory.empty())
        return nullptr;
    return record;
}

// Loads `path` (a host string) into the host's table and lets the string go.
std::uint8_t LoadAndRelease(host::HostTextTable* table, host::HostString& path) {
    const std::uint8_t loaded = host::HostTextTableLoad(table, path.text);
    if (loaded == 0)
        LogTextNotLoaded(path.text);
    host::HostStringDestroy(&path);
    return loaded;
}

} // namespace

std::string ResolveTextDirectory(const LanguageRecord& record, const std::string& replacement) {
    std::string directory = record.TextDirectory;
    // The search goes on after the inserted text: a replacement that itself holds the
    // placeholder (from the host's prefixes or a level name) is not replaced again and again.
    std::size_t from = 0;
    for (std::size_t found; (found = directory.find(kPlaceholder, from)) != std::string::npos;) {
        directory.replace(found, kPlaceholderLength, replacement);
        from = found + replacement.size();
    }
    return directory;
}

void BuildGameTextPath(const LanguageRecord& record, host::HostString& path) {
    const std::string replacement = std::string(host::TextRoot().text) + kTextFolder;
    host::HostStringFromText(&path, ResolveTextDirectory(record, replacement).c_str());
    host::HostStringAppend(&path, record.GameGXTName.c_str());
}

std::uint8_t GameTextLoadHook(host::HostTextTable* table, const char* path) {
    ApplyCurrentLanguage();
    const LanguageRecord* record = CurrentRecordWithTextDirectory();
    if (record == nullptr || record->GameGXTName.empty())
        return host::HostTextTableLoad(table, path);
    host::HostString gamePath;
    BuildGameTextPath(*record, gamePath);
    return LoadAndRelease(table, gamePath);
}

std::uint8_t LevelTextLoadHook(host::HostTextTable* table, const char* path) {
    const LanguageRecord* record = CurrentRecordWithTextDirectory();
    if (record == nullptr)
        return host::HostTextTableLoad(table, path);
    // A level name fills at most its 20-byte entry, terminated or not.
    const char* levelName = host::CurrentLevelName();
    const std::string level(levelName, strnlen(levelName, host::addr::HostLevelNameSize));
    const std::string replacement = std::string(host::LevelRoot().text) + level + kTextFolder;
    host::HostString levelPath;
    host::HostStringFromText(&levelPath, ResolveTextDirectory(*record, replacement).c_str());
    host::HostStringAppend(&levelPath, "PC_");
    host::HostStringAppend(&levelPath, level.c_str());
    host::HostStringAppend(&levelPath, record->LevelGXTPostfix.c_str());
    host::HostStringAppend(&levelPath, ".GXT");
    return LoadAndRelease(table, levelPath);
}

// The adapters are the edge between the host's code and ours: nothing may unwind past them.
// Should memory run out while a path is built, the host's own request is served instead.
std::uint8_t __thiscall GameTextLoadAdapter(host::HostTextTable* table, const char* path) {
    try {
        return GameTextLoadHook(table, path);
    } catch (...) {
        return host::HostTextTableLoad(table, path);
    }
}

std::uint8_t __thiscall LevelTextLoadAdapter(host::HostTextTable* table, const char* path) {
    try {
        return LevelTextLoadHook(table, path);
    } catch (...) {
        return host::HostTextTableLoad(table, path);
    }
}

} // namespace voxa
