#include "text/language_names.h"

#include "catalogue/catalogue.h"
#include "catalogue/language_index.h"
#include "catalogue/load_failures.h"
#include "core/host.h"
#include "text/conversion.h"
#include "text/text_paths.h"

#include <cstring>

namespace voxa {

wchar_t BuiltInLanguageNames[kBuiltInLanguageCount][kDisplayNameLength];

namespace {

// Room for the host's text table object, readied the way the host readies an empty one.
struct TemporaryTextTable {
    alignas(4) unsigned char storage[20];

    TemporaryTextTable() {
        std::memset(storage, 0, 16);
        storage[16] = 0x65;
    }
    host::HostTextTable* table() { return reinterpret_cast<host::HostTextTable*>(storage); }
};

// A name longer than the field keeps its first 63 characters.
void CopyName(wchar_t (&name)[kDisplayNameLength], const wchar_t* text) {
    int i = 0;
    for (; text != nullptr && i < kDisplayNameLength - 1 && text[i] != 0; ++i)
        name[i] = text[i];
    name[i] = 0;
}

// The key itself, byte for byte, as the name: what a translator sees when the text lacks it.
void NameFromKey(wchar_t (&name)[kDisplayNameLength], const std::string& key) {
    const std::int32_t length = static_cast<std::int32_t>(key.size() < 256 ? key.size() : 256);
    CopyName(name, NarrowToWideShared(key.c_str(), length));
}

void BuildExtraLanguageName(LanguageRecord& record) {
    host::HostString path;
    BuildGameTextPath(record, path);
    TemporaryTextTable names;
    if (host::HostTextTableLoad(names.table(), path.text) == 0)
        LogFileNotLoaded(record, "name text", path.text);
    if (const wchar_t* found = host::HostTextTableFind(names.table(), record.NameKey.c_str()))
        CopyName(record.displayName, found);
    else
        NameFromKey(record.displayName, record.NameKey);
    host::HostTextTableDestroy(names.table());
    host::HostStringDestroy(&path);
}

void BuildBuiltInName(int menuRow) {
    const BuiltInLanguage& language = kBuiltInLanguagesByMenuRow[menuRow];
    host::HostString path;
    host::HostStringCopy(&path, &host::TextRoot());
    host::HostStringAppend(&path, "/PC_Text/PC_");
    host::HostStringAppendString(&path, host::LanguageFilePart(language.index));
    TemporaryTextTable names;
    host::HostTextTableLoad(names.table(), path.text);
    CopyName(BuiltInLanguageNames[menuRow], host::HostTextTableGet(names.table(), language.nameKey));
    host::HostTextTableDestroy(names.table());
    host::HostStringDestroy(&path);
}

} // namespace

void ResetLanguageNames() {
    std::memset(BuiltInLanguageNames, 0, sizeof BuiltInLanguageNames);
}

void BuildLanguageNames() {
    for (LanguageRecord& record : LanguageCatalogue) {
        if (record.TextDirectory.empty() || record.GameGXTName.empty()) {
            // Its text file is not opened, yet the menu shows a row for it.
            NameFromKey(record.displayName, record.NameKey);
            continue;
        }
        // Should memory run out while its path is made, this language shows its key, which
        // needs no memory, and the other languages still get their names.
        try {
            BuildExtraLanguageName(record);
        } catch (...) {
            NameFromKey(record.displayName, record.NameKey);
        }
    }
    for (int row = 0; row < kBuiltInLanguageCount; ++row)
        BuildBuiltInName(row);
}

} // namespace voxa
