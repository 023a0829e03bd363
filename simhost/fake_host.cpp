#include "fake_host.h"

#include "host_code.h"
#include "io_counter.h"
#include "test_folders.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sim {

using namespace host::addr;

namespace {

FakeHost* theHost = new FakeHost; // never destroyed: fakes may run during static destruction

template <typename... Args> void Log(const char* format, Args... args) {
    const AllocationFailureSuspended bookkeeping;
    if (theHost->quiet)
        return;
    char line[512];
    std::snprintf(line, sizeof line, format, args...);
    theHost->log.emplace_back(line);
}

// A call the host would never take: the wrong object, or a block it never gave out.
void Complain(const char* what) {
    theHost->complaints.emplace_back(what);
    Log("%s", what);
}

std::wstring Widen(const std::string& narrow) {
    std::wstring wide;
    for (unsigned char byte : narrow)
        wide += static_cast<wchar_t>(byte);
    return wide;
}

std::vector<std::string> Lines(const std::string& contents) {
    std::vector<std::string> lines;
    std::istringstream in(contents);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// ---- memory
void* __thiscall FakeMemAlloc(void* allocator, std::uint32_t bytes) {
    const AllocationFailureSuspended bookkeeping;
    if (allocator != host::Pointer<void>(HostAllocator))
        Complain("HostMemAlloc on a wrong allocator");
    if (theHost->allocationsBeforeFailure == 0 || (bytes == 0 && theHost->emptyAllocationsGiveNull)) {
        Log("HostMemAlloc(%u) fails", bytes);
        return nullptr;
    }
    if (theHost->allocationsBeforeFailure > 0)
        --theHost->allocationsBeforeFailure;
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    theHost->liveBlocks.insert(block);
    theHost->allocSizes.push_back(bytes);
    return block;
}

void __thiscall FakeMemFree(void* allocator, void* block) {
    const AllocationFailureSuspended bookkeeping;
    if (allocator != host::Pointer<void>(HostAllocator))
        Complain("HostMemFree on a wrong allocator");
    ++theHost->freeCount[block];
    Log("HostMemFree");
    if (theHost->liveBlocks.erase(block) == 1)
        std::free(block);
    else
        Complain("HostMemFree of a block not allocated");
}

// ---- font data
std::uint8_t __cdecl FakeLoadFontData(const char* path) {
    const AllocationFailureSuspended bookkeeping;
    theHost->fontLoads.emplace_back(path);
    Log("HostLoadFontData(%s)", path);
    std::string contents;
    if (!ReadWholeFile(path, contents))
        return 0;
    std::istringstream numbers(contents);
    std::int32_t counts[8] = {};
    for (std::int32_t& count : counts)
        if (!(numbers >> count))
            break;
    auto& block = Data<std::uint32_t[34]>(HostFontDataBlock);
    const auto loadNumber = static_cast<std::uint32_t>(theHost->fontLoads.size());
    block[0] = 0x48454144 + loadNumber; // headWord0
    block[1] = 0xAB000000 + loadNumber; // headWord1
    for (int font = 0; font < 4; ++font) {
        const std::int32_t entries = counts[2 * font], records = counts[2 * font + 1];
        auto* entryTable =
            static_cast<std::uint8_t*>(FakeMemAlloc(host::Pointer<void>(HostAllocator), (entries + 1) * 4));
        auto* recordTable =
            static_cast<std::uint8_t*>(FakeMemAlloc(host::Pointer<void>(HostAllocator), records * 24));
        for (int i = 0; i < entries * 4; ++i)
            entryTable[i] = static_cast<std::uint8_t>(loadNumber * 31 + font * 7 + i);
        for (int i = 0; i < records * 24; ++i)
            recordTable[i] = static_cast<std::uint8_t>(loadNumber * 17 + font * 5 + i);
        block[2 + font] = reinterpret_cast<std::uint32_t>(recordTable);
        block[6 + font] = reinterpret_cast<std::uint32_t>(entryTable);
        block[10 + font] = static_cast<std::uint32_t>(entries);
        block[14 + font] = 0xA0 + font + loadNumber * 0x100;
        block[18 + font] = 0xB0 + font + loadNumber * 0x100;
        block[22 + font] = static_cast<std::uint32_t>(records);
        block[26 + font] = 0xC0 + font + loadNumber * 0x100;
        const float value = 1.5f + static_cast<float>(font) + 0.25f * static_cast<float>(loadNumber);
        std::memcpy(&block[30 + font], &value, 4);
    }
    return 1;
}

// ---- texture dictionaries
void* __cdecl FakeLoadTextureDictionary(const char* path) {
    const AllocationFailureSuspended bookkeeping;
    theHost->dictionaryLoads.emplace_back(path);
    Log("HostLoadTextureDictionary(%s)", path);
    std::string contents;
    if (!ReadWholeFile(path, contents))
        return nullptr;
    auto dictionary = std::make_unique<FakeDictionary>();
    dictionary->tag = 100 + static_cast<int>(theHost->dictionaries.size());
    for (const std::string& name : Lines(contents))
        dictionary->Add(name);
    theHost->dictionaries.push_back(std::move(dictionary));
    return theHost->dictionaries.back().get();
}

void __cdecl FakeReleaseTextureDictionary(void* dictionary) {
    const AllocationFailureSuspended bookkeeping;
    theHost->releasedDictionaries.push_back(dictionary);
    Log("HostReleaseTextureDictionary(%d)", static_cast<FakeDictionary*>(dictionary)->tag);
}

FakeTexture* __cdecl FakeFindTexture(void* dictionary, const char* name) {
    const AllocationFailureSuspended bookkeeping;
    auto* fake = static_cast<FakeDictionary*>(dictionary);
    if (fake == nullptr) {
        Log("HostFindTexture(null, %s)", name);
        return nullptr;
    }
    Log("HostFindTexture(%d, %s)", fake->tag, name);
    auto found = fake->textures.find(std::string_view(name));
    return found == fake->textures.end() ? nullptr : found->second.get();
}

// ---- text tables
// The first word of the host font block: which fonts are in place when something happens.
std::uint32_t FontHeadWord() {
    return Data<std::uint32_t>(HostFontDataBlock);
}

std::uint8_t __thiscall FakeTextTableLoad(void* table, const char* path) {
    const AllocationFailureSuspended bookkeeping;
    theHost->textLoads.emplace_back(path);
    theHost->tableBytesAtLoad.push_back(ReadBytes(reinterpret_cast<Address>(table), 20));
    theHost->textLoadTables.push_back(table);
    theHost->fontHeadAtTextLoad.push_back(FontHeadWord());
    Log("HostTextTableLoad(%s)", path);
    auto& entries = theHost->tables[table];
    entries.clear();
    std::string contents;
    if (!ReadWholeFile(path, contents))
        return 0;
    for (const std::string& line : Lines(contents)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos)
            entries[line.substr(0, equals)] = Widen(line.substr(equals + 1));
    }
    return 1;
}

const wchar_t* __thiscall FakeTextTableFind(void* table, const char* key) {
    const AllocationFailureSuspended bookkeeping;
    auto& entries = theHost->tables[table];
    auto found = entries.find(key);
    return found == entries.end() ? nullptr : found->second.c_str();
}

const wchar_t* __thiscall FakeTextTableGet(void* table, const char* key) {
    const AllocationFailureSuspended bookkeeping;
    const wchar_t* found = FakeTextTableFind(table, key);
    return found != nullptr ? found : L"";
}

void __thiscall FakeTextTableDestroy(void* table) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostTextTableDestroy");
    ++theHost->tableDestroys;
    theHost->tables.erase(table);
}

// ---- strings
char* Duplicate(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    std::memcpy(copy, text, size);
    return copy;
}

void __thiscall FakeStringFromText(host::HostString* string, const char* text) {
    const AllocationFailureSuspended bookkeeping;
    string->text = Duplicate(text);
    ++theHost->liveStrings;
}

void __thiscall FakeStringCopy(host::HostString* string, const host::HostString* source) {
    const AllocationFailureSuspended bookkeeping;
    FakeStringFromText(string, source->text);
}

void __thiscall FakeStringAppend(host::HostString* string, const char* text) {
    const AllocationFailureSuspended bookkeeping;
    const std::string joined = std::string(string->text) + text;
    std::free(const_cast<char*>(string->text));
    string->text = Duplicate(joined.c_str());
}

void __thiscall FakeStringAppendString(host::HostString* string, const host::HostString* other) {
    const AllocationFailureSuspended bookkeeping;
    FakeStringAppend(string, other->text);
}

void __thiscall FakeStringDestroy(host::HostString* string) {
    const AllocationFailureSuspended bookkeeping;
    std::free(const_cast<char*>(string->text));
    string->text = nullptr;
    --theHost->liveStrings;
}

// ---- start-up, shutdown, drawing
void __thiscall FakeStartupInit(void* object) {
    const AllocationFailureSuspended bookkeeping;
    theHost->startupEcx = object;
    Log("HostStartupInit");
}

std::uint32_t __thiscall FakeShutdown(void* object, std::uint32_t a, std::uint32_t b) {
    const AllocationFailureSuspended bookkeeping;
    theHost->shutdownEcx = object;
    theHost->shutdownArgs[0] = a;
    theHost->shutdownArgs[1] = b;
    Log("HostShutdown");
    return 0x5EED5EED;
}

std::int32_t __cdecl FakeDrawString(const wchar_t* text, float a, float b, float c, float d, float zero,
                                    std::int32_t one) {
    const AllocationFailureSuspended bookkeeping;
    theHost->drawnStrings.emplace_back(text);
    theHost->drawStringFloats = {a, b, c, d, zero};
    Log("HostDrawString(%s, %g, %g, %g, %g, %g, %d)", Narrow(text).c_str(), a, b, c, d, zero, one);
    return 0x77;
}

void __cdecl FakeDrawHelper(void* value) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostDrawHelper(%p)", value);
}

// ---- the language menu
bool __thiscall FakeMenuUpPressed(void* cursor) {
    const AllocationFailureSuspended bookkeeping;
    if (cursor != host::Pointer<void>(HostCursor))
        Complain("HostMenuUpPressed on a wrong object");
    Log("HostMenuUpPressed");
    return theHost->menu.up;
}
bool __cdecl FakeMenuDownPressed() {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuDownPressed");
    return theHost->menu.down;
}
bool __cdecl FakeMenuCursorOverItem() {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuCursorOverItem");
    return theHost->menu.overItem;
}
std::int32_t __cdecl FakeMenuItemUnderCursor() {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuItemUnderCursor");
    return theHost->menu.itemUnderCursor;
}
bool __cdecl FakeMenuAuxInput() {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuAuxInput");
    return theHost->menu.aux;
}
bool __cdecl FakeMenuAcceptPressed() {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuAcceptPressed");
    return theHost->menu.accept;
}
void __cdecl FakePlayFrontendSound(std::int32_t sound) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostPlayFrontendSound(%d)", sound);
}
void __thiscall FakeSetLanguage(void* settings, std::int32_t index, std::int32_t flag) {
    const AllocationFailureSuspended bookkeeping;
    if (settings != host::Pointer<void>(HostSettings))
        Complain("HostSetLanguage on a wrong object");
    Log("HostSetLanguage(%d, %d)", index, flag);
    SetLanguageIndex(index);
}
void __cdecl FakeMenuDrawTitle(const wchar_t* text) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuDrawTitle(%s)", Narrow(text).c_str());
}
float __cdecl FakeFontHeight(std::int32_t font, float scale) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostFontHeight(%d, %g)", font, scale);
    return font >= 0 && font < 3 ? theHost->fontHeight[font] : 0.0f;
}
float __cdecl FakeTextWidth(const char* text, float scale, std::int32_t one) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostTextWidth(%s, %g, %d)", text, scale, one);
    const auto width = theHost->textWidths.find(text);
    return width != theHost->textWidths.end() ? width->second : theHost->textWidth;
}
void __cdecl FakeSetTextColour(std::int32_t r, std::int32_t g, std::int32_t b, std::int32_t a) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostSetTextColour(%d, %d, %d, %d)", r, g, b, a);
}
void __thiscall FakeDefaultTextColour(void* cursor) {
    const AllocationFailureSuspended bookkeeping;
    if (cursor != host::Pointer<void>(HostCursor))
        Complain("HostMenuDefaultTextColour on a wrong object");
    Log("HostMenuDefaultTextColour");
}
void __cdecl FakeDrawNarrowText(const char* text, float x, float y, float sx, float sy, float zero,
                                std::int32_t one) {
    const AllocationFailureSuspended bookkeeping;
    if (!theHost->quiet)
        theHost->narrowTexts.push_back({Widen(text), x, y, sx, sy, 0, FontHeadWord(), zero, one});
    Log("HostDrawNarrowText(%s, %g, %g, %g, %g, %g, %d)", text, x, y, sx, sy, zero, one);
}
void __cdecl FakeMenuDrawItem(const wchar_t* text, float x, float y, float sx, float sy,
                              std::int32_t selected) {
    const AllocationFailureSuspended bookkeeping;
    if (!theHost->quiet)
        theHost->drawnItems.push_back({text, x, y, sx, sy, selected, FontHeadWord()});
    Log("HostMenuDrawItem(%s, %d)", Narrow(text).c_str(), selected);
}
void __cdecl FakeMenuTrackItem(const wchar_t* text, float x, float y, float sx, float sy) {
    const AllocationFailureSuspended bookkeeping;
    if (!theHost->quiet)
        theHost->trackedItems.push_back({text, x, y, sx, sy, 0, FontHeadWord()});
    Log("HostMenuTrackItem(%s)", Narrow(text).c_str());
}
void __cdecl FakeMenuDrawButtonLabels(const wchar_t* a, const wchar_t* b, const wchar_t* c,
                                      const wchar_t* d) {
    const AllocationFailureSuspended bookkeeping;
    Log("HostMenuDrawButtonLabels(%s|%s|%s|%s)", Narrow(a).c_str(), Narrow(b).c_str(), Narrow(c).c_str(),
        Narrow(d).c_str());
}

} // namespace

FakeTexture* FakeDictionary::Add(const std::string& name) {
    auto texture = std::make_unique<FakeTexture>();
    std::memset(texture.get(), 0, sizeof(FakeTexture));
    std::snprintf(texture->name, sizeof texture->name, "%s", name.c_str());
    texture->dictionaryTag = tag;
    FakeTexture* raw = texture.get();
    textures[name] = std::move(texture);
    return raw;
}

FakeHost& Host() {
    return *theHost;
}

std::string Narrow(std::wstring_view wide) {
    std::string narrow;
    for (wchar_t unit : wide)
        narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrow;
}

void SetHostString(Address at, const std::string& text) {
    Data<host::HostString>(at) = {ScratchText(text.c_str()), 0};
}

void SetLanguageIndex(std::int32_t index) {
    Data<std::int32_t>(HostSettings + LanguageIndexOffset) = index;
}

void SetCurrentLevel(std::int32_t level, const std::string& name) {
    Data<std::int32_t>(HostCurrentLevel) = level;
    char* entry = &Data<char>(HostLevelNames + HostLevelNameSize * level);
    std::memset(entry, 0, HostLevelNameSize);
    std::memcpy(entry, name.data(), name.size() < HostLevelNameSize ? name.size() : HostLevelNameSize);
}

FakeDictionary* MakeDictionary(int tag, std::initializer_list<const char*> names) {
    auto dictionary = std::make_unique<FakeDictionary>();
    dictionary->tag = tag;
    for (const char* name : names)
        dictionary->Add(name);
    theHost->dictionaries.push_back(std::move(dictionary));
    return theHost->dictionaries.back().get();
}

void InstallFakeHost(const std::string& textRoot, const std::string& levelRoot) {
    ResetHostImage();
    for (void* block : theHost->liveBlocks)
        std::free(block);
    delete theHost;
    theHost = new FakeHost;

    PlaceFake(HostMemAlloc, &FakeMemAlloc);
    PlaceFake(HostMemFree, &FakeMemFree);
    PlaceFake(HostLoadFontData, &FakeLoadFontData);
    PlaceFake(HostLoadTextureDictionary, &FakeLoadTextureDictionary);
    PlaceFake(HostReleaseTextureDictionary, &FakeReleaseTextureDictionary);
    PlaceFake(HostFindTexture, &FakeFindTexture);
    PlaceFake(HostTextTableLoad, &FakeTextTableLoad);
    PlaceFake(HostTextTableGet, &FakeTextTableGet);
    PlaceFake(HostTextTableFind, &FakeTextTableFind);
    PlaceFake(HostTextTableDestroy, &FakeTextTableDestroy);
    PlaceFake(HostStringCopy, &FakeStringCopy);
    PlaceFake(HostStringFromText, &FakeStringFromText);
    PlaceFake(HostStringAppend, &FakeStringAppend);
    PlaceFake(HostStringAppendString, &FakeStringAppendString);
    PlaceFake(HostStringDestroy, &FakeStringDestroy);
    PlaceFake(HostStartupInit, &FakeStartupInit);
    PlaceFake(HostShutdown, &FakeShutdown);
    PlaceFake(HostDrawString, &FakeDrawString);
    PlaceFake(HostDrawHelper, &FakeDrawHelper);
    PlaceFake(HostMenuUpPressed, &FakeMenuUpPressed);
    PlaceFake(HostMenuDownPressed, &FakeMenuDownPressed);
    PlaceFake(HostMenuCursorOverItem, &FakeMenuCursorOverItem);
    PlaceFake(HostMenuItemUnderCursor, &FakeMenuItemUnderCursor);
    PlaceFake(HostMenuAuxInput, &FakeMenuAuxInput);
    PlaceFake(HostMenuAcceptPressed, &FakeMenuAcceptPressed);
    PlaceFake(HostPlayFrontendSound, &FakePlayFrontendSound);
    PlaceFake(HostSetLanguage, &FakeSetLanguage);
    PlaceFake(HostMenuDrawTitle, &FakeMenuDrawTitle);
    PlaceFake(HostFontHeight, &FakeFontHeight);
    PlaceFake(HostTextWidth, &FakeTextWidth);
    PlaceFake(HostSetTextColour, &FakeSetTextColour);
    PlaceFake(HostMenuDefaultTextColour, &FakeDefaultTextColour);
    PlaceFake(HostDrawNarrowText, &FakeDrawNarrowText);
    PlaceFake(HostMenuDrawItem, &FakeMenuDrawItem);
    PlaceFake(HostMenuTrackItem, &FakeMenuTrackItem);
    PlaceFake(HostMenuDrawButtonLabels, &FakeMenuDrawButtonLabels);

    SetHostString(HostTextRoot, textRoot);
    SetHostString(HostLevelRoot, levelRoot);
    const char* fileParts[5] = {"ENGLISH.GXT", "GERMAN.GXT", "FRENCH.GXT", "ITALIAN.GXT", "SPANISH.GXT"};
    for (int language = 0; language < 5; ++language)
        SetHostString(HostLanguageFileParts + HostLanguageFilePartSize * language, fileParts[language]);
    SetCurrentLevel(0, "DOCKS");
    SetLanguageIndex(0);

    RestoreCheckedCalls();
}

void RestoreCheckedCalls() {
    const std::pair<Address, Address> calls[] = {
        {host::site::GameTextLoadCall, HostTextTableLoad}, {host::site::LevelTextLoadCall, HostTextTableLoad},
        {host::site::FindTextureCallA, HostFindTexture},   {host::site::FindTextureCallB, HostFindTexture},
        {host::site::FindTextureCallC, HostFindTexture},   {host::site::FindTextureCallD, HostFindTexture},
        {host::site::FontDataLoadCall, HostLoadFontData},  {host::site::StartupInitCall, HostStartupInit},
        {host::site::ShutdownCall, HostShutdown},
    };
    for (const auto& [site, routine] : calls)
        CodeWriter(site).Call(routine);
}

} // namespace sim
