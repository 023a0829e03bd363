#pragma once
// The one build of the host game that the plug-in serves: every routine, datum and code site
// it uses, at the fixed addresses of that build (image at 0x400000). No other file names a
// host address; everything goes through the constants and typed accessors below.
//
// Conventions: a routine that takes a host object takes it in ECX (thiscall) and removes its
// own stack arguments; every other routine is cdecl, its caller removes the arguments.

#include <cstdint>

namespace host {

using Address = std::uint32_t;

struct HostTextTable; // the host's text table object, used only through host routines
struct HostTexture;   // a texture object; its name lies inline at offset 16
using TextureDictionary = void*;

// The host's 8-byte narrow string object. Its first field points at its NUL-terminated text;
// the rest belongs to the host.
struct HostString {
    const char* text;
    std::uint32_t hostPrivate;
};
static_assert(sizeof(HostString) == 8);

namespace addr {
// Memory and resources.
constexpr Address HostAllocator = 0x67D000;
constexpr Address HostMemAlloc = 0x401350;
constexpr Address HostMemFree = 0x401B00;
constexpr Address HostLoadFontData = 0x5F6AA0;
constexpr Address HostLoadTextureDictionary = 0x4777D0;
constexpr Address HostReleaseTextureDictionary = 0x62F340;
constexpr Address HostFindTexture = 0x62F660;

// Text tables and strings.
constexpr Address HostTextTableLoad = 0x4933E0;
constexpr Address HostTextTableGet = 0x4937E0;
constexpr Address HostTextTableFind = 0x493830;
constexpr Address HostTextTableDestroy = 0x493900;
constexpr Address HostStringCopy = 0x4F2400;
constexpr Address HostStringFromText = 0x4F2550;
constexpr Address HostStringAppend = 0x4F2A40;
constexpr Address HostStringAppendString = 0x4F2A90;
constexpr Address HostStringDestroy = 0x4F2520;

// Start-up, shutdown and drawing.
constexpr Address HostStartupInit = 0x5F64F0;
constexpr Address HostShutdown = 0x5F6D50;
constexpr Address HostDrawString = 0x5E5980;
constexpr Address HostDrawHelper = 0x5DDC20;

// The language menu's routines.
constexpr Address HostMenuUpPressed = 0x5D8A10;
constexpr Address HostMenuDownPressed = 0x5D8AA0;
constexpr Address HostMenuCursorOverItem = 0x5DACC0;
constexpr Address HostMenuItemUnderCursor = 0x5DAD00;
constexpr Address HostMenuAuxInput = 0x5D8C60;
constexpr Address HostMenuAcceptPressed = 0x5D8B30;
constexpr Address HostPlayFrontendSound = 0x5D7A40;
constexpr Address HostSetLanguage = 0x604DA0;
constexpr Address HostMenuDrawTitle = 0x5D5740;
constexpr Address HostFontHeight = 0x5FBFC0;
constexpr Address HostTextWidth = 0x5E5670;
constexpr Address HostSetTextColour = 0x5D7AA0;
constexpr Address HostMenuDefaultTextColour = 0x5D7BC0;
constexpr Address HostDrawNarrowText = 0x5E55E0;
constexpr Address HostMenuDrawItem = 0x5D55C0;
constexpr Address HostMenuTrackItem = 0x5D5B30;
constexpr Address HostMenuDrawButtonLabels = 0x5D5BB0;

// Data.
constexpr Address HostSettings = 0x7D6AE0;
constexpr Address LanguageIndexOffset = 16;
constexpr Address MainTextTable = 0x725A38;
constexpr Address HostFontDataBlock = 0x7D2B7C;
constexpr Address FontTextureSlot0 = 0x7D38D8;
constexpr Address FontTextureSlot1 = 0x7D38DC;
constexpr Address FontTextureSlot2 = 0x7D38E0;
constexpr Address FontTextureSlot3 = 0x7D38E4;
constexpr Address HostFontDictionaryA = 0x7D366C; // serves slots 0 and 1
constexpr Address HostFontDictionaryB = 0x7D3590; // serves slot 3
constexpr Address HostFontDictionaryC = 0x7C8704; // serves slot 2
constexpr Address HostTextRoot = 0x7395BC;
constexpr Address HostLevelRoot = 0x7394A4;
constexpr Address HostCurrentLevel = 0x75622C;
constexpr Address HostLevelNames = 0x756034;
constexpr Address HostLevelNameSize = 20;
constexpr Address HostLanguageFileParts = 0x739664;
constexpr Address HostLanguageFilePartSize = 8;
constexpr Address HostNarrowBuffer = 0x725E64;
constexpr Address HostWideBuffer = 0x725A60;
constexpr Address HostPrintBuffer = 0x7D3038;

// The language menu's data.
constexpr Address HostSelectedRow = 0x7C87B4;
constexpr Address HostMenuMarker = 0x7C86F8;
constexpr Address HostMenuContext = 0x7C8700;
constexpr Address HostCursor = 0x7C8F70;
constexpr Address CursorArrowsEnabledOffset = 116;
constexpr Address CursorAuxSoundOffset = 44;
constexpr Address CursorPointerXOffset = 80;
constexpr Address CursorPointerYOffset = 84;
constexpr Address HostHighlightFlag = 0x7C8E44;
constexpr Address HostMenuX = 0x7C8718;
constexpr Address HostMenuY = 0x7C871C;
constexpr Address HostMenuRowScaleX = 0x7C8720;
constexpr Address HostMenuRowScaleY = 0x7C8724;
constexpr Address HostMenuRowSpacing = 0x7C8728;
constexpr Address HostMenuArrowGap = 0x7C8734;
} // namespace addr

// The code sites that the patch table rewrites, in table order.
namespace site {
constexpr Address WideToNarrowEntry = 0x493960;
constexpr Address NarrowToWideSharedEntry = 0x4939B0;
constexpr Address NarrowToWideEntry = 0x5FC000;
constexpr Address TextLoadRangeBranch = 0x49325B;
constexpr Address GameTextLoadCall = 0x4932C8;
constexpr Address LevelTextLoadCall = 0x4933B3;
constexpr Address LanguageMenuBeginEntry = 0x5FFF81;
constexpr Address LanguageMenuCheckResetEntry = 0x5FFFA1;
constexpr Address LanguageMenuInputEntry = 0x5FFFB0;
constexpr Address LanguageMenuDrawEntry = 0x6000F0;
constexpr Address FindTextureCallA = 0x5EC3EA;
constexpr Address FindTextureCallB = 0x5EC45D;
constexpr Address FindTextureCallC = 0x5EEBEB;
constexpr Address FindTextureCallD = 0x5D7EA0;
constexpr Address FontDataLoadCall = 0x5E27D3;
constexpr Address StartupInitCall = 0x5E27A6;
constexpr Address ShutdownCall = 0x5E4F85;
constexpr Address DefaultLanguageCall = 0x604E55;
constexpr Address DefaultLanguageResultMove = 0x604E5A;
constexpr Address DefaultLanguageSkip = 0x604E5C;
constexpr Address DefaultLanguageContinue = 0x604EA2; // where the skip lands
constexpr Address FormatSceneLabelEntry = 0x608420;
constexpr Address DrawArgumentPushA = 0x5DD284;
constexpr Address DrawHelperCallA = 0x5DD289;
constexpr Address DrawArgumentPushB = 0x5DD293;
constexpr Address DrawFormattedCall1 = 0x5DD2AE;
constexpr Address DrawFramePushA = 0x5DC64B;
constexpr Address DrawHelperCallB = 0x5DC650;
constexpr Address DrawFormatOperand = 0x5DC664;
constexpr Address DrawFramePushB = 0x5DC65E;
constexpr Address DrawFormattedCall2 = 0x5DC682;
constexpr Address DrawStackPush3 = 0x5DD7BE;
constexpr Address DrawFormattedCall3 = 0x5DD7DB;
constexpr Address DrawStackPush4 = 0x5DD806;
constexpr Address DrawFormattedCall4 = 0x5DD823;
constexpr Address DrawStackPush5 = 0x5DD3BE;
constexpr Address DrawFormattedCall5 = 0x5DD3DB;
constexpr Address DrawStackPush6 = 0x5DD406;
constexpr Address DrawFormattedCall6 = 0x5DD423;
constexpr Address DrawStackPush7 = 0x5DD719;
constexpr Address DrawFormattedCall7 = 0x5DD736;
constexpr Address DrawStackPush8 = 0x5DD761;
constexpr Address DrawFormattedCall8 = 0x5DD77E;
} // namespace site

// ---- Typed access -------------------------------------------------------------------------

template <typename T> inline T& At(Address address) {
    return *reinterpret_cast<T*>(address);
}
template <typename T> inline T* Pointer(Address address) {
    return reinterpret_cast<T*>(address);
}
template <typename Fn> inline Fn Routine(Address address) {
    return reinterpret_cast<Fn>(address);
}

using HostMemAllocFn = void*(__thiscall*)(void* allocator, std::uint32_t byteCount);
using HostMemFreeFn = void(__thiscall*)(void* allocator, void* block);
using HostLoadFontDataFn = std::uint8_t(__cdecl*)(const char* path);
using HostLoadTextureDictionaryFn = TextureDictionary(__cdecl*)(const char* path);
using HostReleaseTextureDictionaryFn = void(__cdecl*)(TextureDictionary dictionary);
using HostFindTextureFn = HostTexture*(__cdecl*)(TextureDictionary dictionary, const char* name);
using HostTextTableLoadFn = std::uint8_t(__thiscall*)(HostTextTable* table, const char* path);
using HostTextTableGetFn = const wchar_t*(__thiscall*)(HostTextTable* table, const char* key);
using HostTextTableDestroyFn = void(__thiscall*)(HostTextTable* table);
using HostStringTextFn = void(__thiscall*)(HostString* string, const char* text);
using HostStringWithStringFn = void(__thiscall*)(HostString* string, const HostString* other);
using HostStringDestroyFn = void(__thiscall*)(HostString* string);
using HostStartupInitFn = void(__thiscall*)(void* hostObject);
using HostDrawStringFn = std::int32_t(__cdecl*)(const wchar_t* text, float a, float b, float c, float d,
                                                float zero, std::int32_t one);

inline void* HostMemAlloc(std::uint32_t byteCount) {
    return Routine<HostMemAllocFn>(addr::HostMemAlloc)(Pointer<void>(addr::HostAllocator), byteCount);
}
inline void HostMemFree(void* block) {
    Routine<HostMemFreeFn>(addr::HostMemFree)(Pointer<void>(addr::HostAllocator), block);
}
inline std::uint8_t HostLoadFontData(const char* path) {
    return Routine<HostLoadFontDataFn>(addr::HostLoadFontData)(path);
}
inline TextureDictionary HostLoadTextureDictionary(const char* path) {
    return Routine<HostLoadTextureDictionaryFn>(addr::HostLoadTextureDictionary)(path);
}
inline void HostReleaseTextureDictionary(TextureDictionary dictionary) {
    Routine<HostReleaseTextureDictionaryFn>(addr::HostReleaseTextureDictionary)(dictionary);
}
inline HostTexture* HostFindTexture(TextureDictionary dictionary, const char* name) {
    return Routine<HostFindTextureFn>(addr::HostFindTexture)(dictionary, name);
}
inline std::uint8_t HostTextTableLoad(HostTextTable* table, const char* path) {
    return Routine<HostTextTableLoadFn>(addr::HostTextTableLoad)(table, path);
}
inline const wchar_t* HostTextTableGet(HostTextTable* table, const char* key) {
    return Routine<HostTextTableGetFn>(addr::HostTextTableGet)(table, key);
}
inline const wchar_t* HostTextTableFind(HostTextTable* table, const char* key) {
    return Routine<HostTextTableGetFn>(addr::HostTextTableFind)(table, key);
}
inline void HostTextTableDestroy(HostTextTable* table) {
    Routine<HostTextTableDestroyFn>(addr::HostTextTableDestroy)(table);
}
inline void HostStringCopy(HostString* string, const HostString* source) {
    Routine<HostStringWithStringFn>(addr::HostStringCopy)(string, source);
}
inline void HostStringFromText(HostString* string, const char* text) {
    Routine<HostStringTextFn>(addr::HostStringFromText)(string, text);
}
inline void HostStringAppend(HostString* string, const char* text) {
    Routine<HostStringTextFn>(addr::HostStringAppend)(string, text);
}
inline void HostStringAppendString(HostString* string, const HostString* other) {
    Routine<HostStringWithStringFn>(addr::HostStringAppendString)(string, other);
}
inline void HostStringDestroy(HostString* string) {
    Routine<HostStringDestroyFn>(addr::HostStringDestroy)(string);
}
inline void HostStartupInit(void* hostObject) {
    Routine<HostStartupInitFn>(addr::HostStartupInit)(hostObject);
}
inline std::int32_t HostDrawString(const wchar_t* text, float a, float b, float c, float d, float zero,
                                   std::int32_t one) {
    return Routine<HostDrawStringFn>(addr::HostDrawString)(text, a, b, c, d, zero, one);
}

// The language index: the host's current-language number, read afresh every time.
inline std::int32_t LanguageIndex() {
    return At<std::int32_t>(addr::HostSettings + addr::LanguageIndexOffset);
}
inline HostTextTable* MainTextTable() {
    return Pointer<HostTextTable>(addr::MainTextTable);
}
inline const HostString& TextRoot() {
    return At<HostString>(addr::HostTextRoot);
}
inline const HostString& LevelRoot() {
    return At<HostString>(addr::HostLevelRoot);
}
inline const HostString* LanguageFilePart(int languageIndex) {
    return Pointer<HostString>(addr::HostLanguageFileParts + addr::HostLanguageFilePartSize * languageIndex);
}
// The current level's name: a NUL-terminated text in a 20-byte entry of the host's table.
inline const char* CurrentLevelName() {
    return Pointer<const char>(addr::HostLevelNames +
                               addr::HostLevelNameSize * At<std::int32_t>(addr::HostCurrentLevel));
}

} // namespace host
