#include "fonts/font_data.h"

#include "catalogue/catalogue.h"
#include "catalogue/load_failures.h"
#include "core/host.h"

#include <cstring>
#include <new>

namespace voxa {

FontDataCopy* defaultFontData = nullptr;

FontDataBlock& HostFontData() {
    return host::At<FontDataBlock>(host::addr::HostFontDataBlock);
}

namespace {

// A fresh host block holding `count` items of `size` bytes from `source` (plus `spare` items
// left unwritten). Null only when the host could not give the memory; a request for 0 bytes
// may well give null and is no failure.
bool CopyTable(void*& destination, const void* source, std::int32_t count, std::size_t size,
               std::size_t spare) {
    destination = nullptr;
    if (count < 0)
        return false;
    const std::uint64_t bytes = (static_cast<std::uint64_t>(count) + spare) * size;
    if (bytes > 0xFFFFFFFFu)
        return false;
    const std::size_t copied = static_cast<std::size_t>(count) * size;
    if (copied > 0 && source == nullptr)
        return false;
    destination = host::HostMemAlloc(static_cast<std::uint32_t>(bytes));
    if (destination == nullptr)
        return bytes == 0;
    if (copied > 0)
        std::memcpy(destination, source, copied);
    return true;
}

bool UsesTableOf(const FontDataBlock& block, const FontDataCopy& copy) {
    for (const void* mine : copy.block.recordTable)
        for (const void* used : block.recordTable)
            if (mine != nullptr && mine == used)
                return true;
    for (const void* mine : copy.block.entryTable)
        for (const void* used : block.entryTable)
            if (mine != nullptr && mine == used)
                return true;
    return false;
}

} // namespace

bool FontDataCopy::CopyFrom(const FontDataBlock& source, bool deep) {
    ownsTables = deep;
    if (!deep) {
        std::memcpy(&block, &source, sizeof block);
        return true;
    }
    std::memset(&block, 0, sizeof block);
    for (int font = 0; font < kFontCount; ++font) {
        block.entryCount[font] = source.entryCount[font];
        block.valueA[font] = source.valueA[font];
        block.valueB[font] = source.valueB[font];
        block.recordCount[font] = source.recordCount[font];
        block.valueC[font] = source.valueC[font];
        block.floatValue[font] = source.floatValue[font];
        // One entry past the counted ones is allocated and left unwritten, as the host's
        // loader does.
        const bool entriesCopied = CopyTable(block.entryTable[font], source.entryTable[font],
                                             source.entryCount[font], kFontEntrySize, 1);
        if (!entriesCopied || !CopyTable(block.recordTable[font], source.recordTable[font],
                                         source.recordCount[font], kFontRecordSize, 0)) {
            ReleaseTables();
            std::memset(&block, 0, sizeof block);
            return false;
        }
    }
    block.headWord0 = source.headWord0;
    return true;
}

void FontDataCopy::ReleaseTables() {
    if (!ownsTables)
        return;
    for (int font = 0; font < kFontCount; ++font) {
        if (block.recordTable[font] != nullptr)
            host::HostMemFree(block.recordTable[font]);
        if (block.entryTable[font] != nullptr)
            host::HostMemFree(block.entryTable[font]);
    }
}

std::uint8_t __cdecl FontDataLoadHook(const char* path) {
    if (host::HostLoadFontData(path) == 0)
        return 0;
    auto* copy = new (std::nothrow) FontDataCopy;
    if (copy != nullptr)
        copy->CopyFrom(HostFontData(), false);
    delete defaultFontData; // a second load replaces the first; shallow copies own nothing
    defaultFontData = copy;
    return 1;
}

void LoadLanguageFontData() {
    for (LanguageRecord& record : LanguageCatalogue) {
        if (record.DataFile.empty())
            continue;
        if (host::HostLoadFontData(record.DataFile.c_str()) == 0) {
            LogFileNotLoaded(record, "font data file", record.DataFile.c_str());
            continue;
        }
        auto* copy = new (std::nothrow) FontDataCopy;
        if (copy != nullptr && !copy->CopyFrom(HostFontData(), true)) {
            delete copy;
            copy = nullptr;
        }
        record.fontData = copy;
    }
}

void ForgetFontData() {
    for (LanguageRecord& record : LanguageCatalogue) {
        delete record.fontData;
        record.fontData = nullptr;
    }
    delete defaultFontData;
    defaultFontData = nullptr;
}

void ReleaseLanguageFontData() {
    for (LanguageRecord& record : LanguageCatalogue) {
        if (record.fontData != nullptr) {
            // Without a default to put back, the host block keeps the data of the language
            // applied last. Its tables came from the host's allocator, so they are left to the
            // host instead of being freed under it.
            const bool hostStillUsesIt =
                defaultFontData == nullptr && UsesTableOf(HostFontData(), *record.fontData);
            if (!hostStillUsesIt)
                record.fontData->ReleaseTables();
            delete record.fontData;
        }
        record.fontData = nullptr;
    }
    if (defaultFontData != nullptr) {
        std::memcpy(&HostFontData(), &defaultFontData->block, sizeof(FontDataBlock));
        defaultFontData->ReleaseTables();
        delete defaultFontData;
        defaultFontData = nullptr;
    }
}

} // namespace voxa
