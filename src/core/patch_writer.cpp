#include "core/patch_writer.h"

#include <windows.h>

#include <cstring>

namespace voxa {

void WriteHostBytes(host::Address address, std::size_t length, const std::uint8_t* bytes) {
    void* span = reinterpret_cast<void*>(address);
    DWORD kept = 0;
    // A span that cannot be made writable is left alone: storing into it would crash the game.
    if (!VirtualProtect(span, length, PAGE_EXECUTE_READWRITE, &kept))
        return;
    std::memcpy(span, bytes, length);
    DWORD scratch = 0;
    VirtualProtect(span, length, kept, &scratch);
}

std::int32_t RelativeDisplacement(host::Address site, std::uintptr_t target) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(target) - (site + 5));
}

namespace {

void WriteOpcodeAndDisplacement(host::Address site, std::uint8_t opcode, std::int32_t displacement) {
    std::uint8_t little[4];
    std::memcpy(little, &displacement, 4); // x86 is little-endian, as the instruction wants
    WriteHostBytes(site, 1, &opcode);
    WriteHostBytes(site + 1, 4, little);
}

constexpr std::uint8_t kCall = 0xE8;
constexpr std::uint8_t kJump = 0xE9;

} // namespace

void WritePatch(const PatchEntry& entry) {
    const auto pluginAddress = reinterpret_cast<std::uintptr_t>(entry.plugin);
    switch (entry.kind) {
    case PatchKind::CallToPlugin:
        WriteOpcodeAndDisplacement(entry.site, kCall, RelativeDisplacement(entry.site, pluginAddress));
        break;
    case PatchKind::JumpToPlugin:
        WriteOpcodeAndDisplacement(entry.site, kJump, RelativeDisplacement(entry.site, pluginAddress));
        break;
    case PatchKind::HostInternalCall:
        WriteOpcodeAndDisplacement(entry.site, kCall, RelativeDisplacement(entry.site, entry.hostTarget));
        break;
    case PatchKind::HostInternalJump:
        WriteOpcodeAndDisplacement(entry.site, kJump, RelativeDisplacement(entry.site, entry.hostTarget));
        break;
    case PatchKind::Raw2:
        WriteHostBytes(entry.site, 2, entry.bytes);
        break;
    case PatchKind::Raw5:
        WriteHostBytes(entry.site, 5, entry.bytes);
        break;
    case PatchKind::Pointer: {
        const auto datum = static_cast<std::uint32_t>(pluginAddress);
        std::uint8_t little[4];
        std::memcpy(little, &datum, 4);
        WriteHostBytes(entry.site, 4, little);
        break;
    }
    }
}

void WritePatches(std::span<const PatchEntry> table) {
    for (const PatchEntry& entry : table)
        WritePatch(entry);
}

} // namespace voxa
