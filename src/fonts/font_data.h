#pragma once
// Each extra language's own font data, and the host's own as the default.

#include <cstddef>
#include <cstdint>

namespace voxa {

constexpr int kFontCount = 4;

// The host's data for its four fonts: a structure of arrays, font 0 first in each.
struct FontDataBlock {
    std::uint32_t headWord0;
    std::uint32_t headWord1;
    void* recordTable[kFontCount]; // recordCount records of 24 bytes
    void* entryTable[kFontCount];  // entryCount entries of 4 bytes
    std::int32_t entryCount[kFontCount];
    std::uint32_t valueA[kFontCount];
    std::uint32_t valueB[kFontCount];
    std::int32_t recordCount[kFontCount];
    std::uint32_t valueC[kFontCount];
    float floatValue[kFontCount];
};
static_assert(sizeof(FontDataBlock) == 136);
static_assert(offsetof(FontDataBlock, recordTable) == 8);
static_assert(offsetof(FontDataBlock, entryTable) == 24);
static_assert(offsetof(FontDataBlock, entryCount) == 40);
static_assert(offsetof(FontDataBlock, valueA) == 56);
static_assert(offsetof(FontDataBlock, valueB) == 72);
static_assert(offsetof(FontDataBlock, recordCount) == 88);
static_assert(offsetof(FontDataBlock, valueC) == 104);
static_assert(offsetof(FontDataBlock, floatValue) == 120);

constexpr std::size_t kFontRecordSize = 24;
constexpr std::size_t kFontEntrySize = 4;

struct FontDataCopy {
    FontDataBlock block{};
    bool ownsTables = false; // the tables were allocated here (deep copy) and are freed here

    // A shallow copy shares the source's tables; a deep one gets its own from the host's
    // allocator. A deep copy whose allocation fails frees what it had and returns false:
    // such a copy must not be used.
    bool CopyFrom(const FontDataBlock& source, bool deep);
    void ReleaseTables();
};

FontDataBlock& HostFontData();

extern FontDataCopy* defaultFontData;

// Stands in for the host's call of its font data loader: loads the host's own font file and
// keeps its data as the default.
std::uint8_t __cdecl FontDataLoadHook(const char* path);
void LoadLanguageFontData();
void ReleaseLanguageFontData();

// Drops every copy without giving its tables back to the host's allocator: only for a host
// that starts over too, whose allocator's memory is gone.
void ForgetFontData();

} // namespace voxa
