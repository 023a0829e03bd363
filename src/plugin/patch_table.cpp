#include "plugin/patch_table.h"

#include "catalogue/language_index.h"
#include "core/startup_log.h"
#include "fonts/font_data.h"
#include "fonts/lifecycle_hooks.h"
#include "fonts/texture_dictionaries.h"
#include "menu/menu_state.h"
#include "text/conversion.h"
#include "text/formatted_text.h"
#include "text/text_paths.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace voxa {

const wchar_t WideStringFormat[3] = L"%s";

namespace {

namespace s = host::site;
using enum PatchKind;

PatchEntry Call(host::Address site, const void* routine) {
    return {site, CallToPlugin, routine};
}
PatchEntry Jump(host::Address site, const void* routine) {
    return {site, JumpToPlugin, routine};
}
PatchEntry HostCall(host::Address site, host::Address target) {
    return {site, HostInternalCall, nullptr, target};
}
PatchEntry HostJump(host::Address site, host::Address target) {
    return {site, HostInternalJump, nullptr, target};
}
PatchEntry Bytes(host::Address site, std::uint8_t b0, std::uint8_t b1) {
    return {site, Raw2, nullptr, 0, {b0, b1}};
}
PatchEntry Bytes(host::Address site, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                 std::uint8_t b4) {
    return {site, Raw5, nullptr, 0, {b0, b1, b2, b3, b4}};
}
PatchEntry PointerTo(host::Address site, const void* datum) {
    return {site, Pointer, datum};
}

template <typename Fn> const void* Routine(Fn* routine) {
    return reinterpret_cast<const void*>(routine);
}

// clang-format off
static_assert(kPatchRowCount <= kMaxPatchRows);
const PatchEntry kPatchTable[kPatchRowCount] = {
    Jump(s::WideToNarrowEntry,           Routine(&WideToNarrow)),
    Jump(s::NarrowToWideSharedEntry,     Routine(&NarrowToWideShared)),
    Jump(s::NarrowToWideEntry,           Routine(&NarrowToWide)),
    Bytes(s::TextLoadRangeBranch,        0x77, 0x07),                     // ja: an unsigned range test
    Call(s::GameTextLoadCall,            Routine(&GameTextLoadAdapter)),
    Call(s::LevelTextLoadCall,           Routine(&LevelTextLoadAdapter)),
    Jump(s::LanguageMenuBeginEntry,      Routine(&LanguageMenuBegin)),
    Jump(s::LanguageMenuCheckResetEntry, Routine(&LanguageMenuCheckReset)),
    Jump(s::LanguageMenuInputEntry,      Routine(&LanguageMenuInput)),
    Jump(s::LanguageMenuDrawEntry,       Routine(&LanguageMenuDraw)),
    Call(s::FindTextureCallA,            Routine(&FindTextureHook)),
    Call(s::FindTextureCallB,            Routine(&FindTextureHook)),
    Call(s::FindTextureCallC,            Routine(&FindTextureHook)),
    Call(s::FindTextureCallD,            Routine(&FindTextureHook)),
    Call(s::FontDataLoadCall,            Routine(&FontDataLoadHook)),
    Call(s::StartupInitCall,             Routine(&StartupInitHook)),
    Call(s::ShutdownCall,                Routine(&ShutdownHook)),
    Call(s::DefaultLanguageCall,         Routine(&DefaultLanguageFromSystem)),
    Bytes(s::DefaultLanguageResultMove,  0x89, 0xC3),                     // mov ebx, eax
    HostJump(s::DefaultLanguageSkip,     s::DefaultLanguageContinue),     // skip the host's own choice
    Jump(s::FormatSceneLabelEntry,       Routine(&FormatSceneLabel)),
    Bytes(s::DrawArgumentPushA,          0x8D, 0x54, 0x24, 0x08, 0x52),   // lea edx, [esp+8]; push edx
    HostCall(s::DrawHelperCallA,         host::addr::HostDrawHelper),
    Bytes(s::DrawArgumentPushB,          0x8D, 0x54, 0x24, 0x04, 0x52),   // lea edx, [esp+4]; push edx
    Call(s::DrawFormattedCall1,          Routine(&DrawFormattedText)),
    Bytes(s::DrawFramePushA,             0x90, 0x90, 0x90, 0x90, 0x55),   // nop x4; push ebp
    HostCall(s::DrawHelperCallB,         host::addr::HostDrawHelper),
    PointerTo(s::DrawFormatOperand,      WideStringFormat),
    Bytes(s::DrawFramePushB,             0x90, 0x90, 0x90, 0x90, 0x55),   // nop x4; push ebp
    Call(s::DrawFormattedCall2,          Routine(&DrawFormattedText)),
    Bytes(s::DrawStackPush3,             0x8D, 0x0C, 0x24, 0x51, 0x90),   // lea ecx, [esp]; push ecx; nop
    Call(s::DrawFormattedCall3,          Routine(&DrawFormattedText)),
    Bytes(s::DrawStackPush4,             0x8D, 0x0C, 0x24, 0x51, 0x90),
    Call(s::DrawFormattedCall4,          Routine(&DrawFormattedText)),
    Bytes(s::DrawStackPush5,             0x8D, 0x0C, 0x24, 0x51, 0x90),
    Call(s::DrawFormattedCall5,          Routine(&DrawFormattedText)),
    Bytes(s::DrawStackPush6,             0x8D, 0x0C, 0x24, 0x51, 0x90),
    Call(s::DrawFormattedCall6,          Routine(&DrawFormattedText)),
    Bytes(s::DrawStackPush7,             0x8D, 0x0C, 0x24, 0x51, 0x90),
    Call(s::DrawFormattedCall7,          Routine(&DrawFormattedText)),
    Bytes(s::DrawStackPush8,             0x8D, 0x0C, 0x24, 0x51, 0x90),
    Call(s::DrawFormattedCall8,          Routine(&DrawFormattedText)),
};

// The host calls that rows of the table stand in for: where they still call their host
// routine, the process holds the host build the table was made for.
struct ExpectedCall {
    host::Address site;
    host::Address routine;
};
const ExpectedCall kExpectedHostCalls[] = {
    {s::GameTextLoadCall,  host::addr::HostTextTableLoad},
    {s::LevelTextLoadCall, host::addr::HostTextTableLoad},
    {s::FindTextureCallA,  host::addr::HostFindTexture},
    {s::FindTextureCallB,  host::addr::HostFindTexture},
    {s::FindTextureCallC,  host::addr::HostFindTexture},
    {s::FindTextureCallD,  host::addr::HostFindTexture},
    {s::FontDataLoadCall,  host::addr::HostLoadFontData},
    {s::StartupInitCall,   host::addr::HostStartupInit},
    {s::ShutdownCall,      host::addr::HostShutdown},
};
// clang-format on

bool IsReadable(host::Address address, std::size_t length) {
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    for (host::Address at = address; at < address + length;) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0)
            return false;
        if (region.State != MEM_COMMIT || (region.Protect & kReadable) == 0 ||
            (region.Protect & PAGE_GUARD) != 0)
            return false;
        at = reinterpret_cast<host::Address>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

bool HoldsCall(const ExpectedCall& expected) {
    const auto* code = host::Pointer<const std::uint8_t>(expected.site);
    std::int32_t displacement;
    std::memcpy(&displacement, code + 1, 4);
    return code[0] == 0xE8 && displacement == RelativeDisplacement(expected.site, expected.routine);
}

} // namespace

std::span<const PatchEntry> PatchTable() {
    return kPatchTable;
}

namespace {

// Says why the process is not the expected build, or returns true when it is.
bool CheckHostBuild(bool say) {
    for (const PatchEntry& entry : kPatchTable) {
        if (!IsReadable(entry.site, PatchLength(entry.kind))) {
            if (say)
                LogLine("build check failed: the game's code at 0x%06X is not there to read", entry.site);
            return false;
        }
    }
    for (const ExpectedCall& expected : kExpectedHostCalls) {
        if (HoldsCall(expected))
            continue;
        if (say) {
            const auto* found = host::Pointer<const std::uint8_t>(expected.site);
            const std::int32_t displacement = RelativeDisplacement(expected.site, expected.routine);
            std::uint8_t wanted[5] = {0xE8};
            std::memcpy(wanted + 1, &displacement, 4);
            LogLine("build check failed at 0x%06X: found %02X %02X %02X %02X %02X, expected %02X %02X %02X "
                    "%02X %02X "
                    "(a call of 0x%06X)",
                    expected.site, found[0], found[1], found[2], found[3], found[4], wanted[0], wanted[1],
                    wanted[2], wanted[3], wanted[4], expected.routine);
        }
        return false;
    }
    return true;
}

} // namespace

namespace {

// Our own version resource names the plug-in; a module whose resource holds the same
// description is a copy of voxa, whichever version.
bool IsVoxa(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const char*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr)
        return false;
    static constexpr wchar_t kDescription[] = L"voxa language plug-in";
    const std::size_t size = SizeofResource(module, found);
    for (std::size_t at = 0; at + sizeof kDescription <= size; at += 2)
        if (std::memcmp(bytes + at, kDescription, sizeof kDescription) == 0)
            return true;
    return false;
}

HMODULE ModuleAt(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCSTR>(address), &module);
    return module;
}

} // namespace

bool FindServingCopy(char* path, std::size_t size) {
    // The first call row: in a process served by another copy it calls into that copy.
    const PatchEntry* first =
        std::find_if(std::begin(kPatchTable), std::end(kPatchTable),
                     [](const PatchEntry& entry) { return entry.kind == PatchKind::CallToPlugin; });
    if (first == std::end(kPatchTable))
        return false;
    const PatchEntry& row = *first;
    if (!IsReadable(row.site, PatchLength(row.kind)))
        return false;
    const auto* code = host::Pointer<const std::uint8_t>(row.site);
    std::int32_t displacement;
    std::memcpy(&displacement, code + 1, 4);
    const auto target =
        reinterpret_cast<const void*>(row.site + 5 + static_cast<std::uint32_t>(displacement));
    const HMODULE serving = code[0] == 0xE8 ? ModuleAt(target) : nullptr;
    if (serving == nullptr || serving == ModuleAt(reinterpret_cast<const void*>(&FindServingCopy)) ||
        !IsVoxa(serving))
        return false;
    const DWORD length = GetModuleFileNameA(serving, path, static_cast<DWORD>(size));
    if (length == 0)
        return false;
    path[size - 1] = '\0';
    return true;
}

bool HostBuildMatches() {
    return CheckHostBuild(false);
}

void InstallPatches() {
    if (!CheckHostBuild(true)) {
        LogLine("this is not the game build voxa was made for: the game was left untouched, "
                "and its own languages work as before");
        return;
    }
    const PatchesWritten written = WritePatches(kPatchTable);
    if (written.rows == std::size(kPatchTable)) {
        LogLine("build check passed: %u rows written into the game's code",
                static_cast<unsigned>(written.rows));
        return;
    }
    const PatchEntry& failed = kPatchTable[written.failedRow];
    LogLine("build check passed, but row %u (at 0x%06X) could not be made writable: %s",
            static_cast<unsigned>(written.failedRow + 1), failed.site,
            written.putBack ? "the rows written before it were put back, and the game was left as it was"
                            : "some rows written before it could not be put back, and the game may not run");
}

} // namespace voxa
