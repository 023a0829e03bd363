#include "core/patch_writer.h"

#include <windows.h>

#include <cstring>

namespace voxa {

bool WriteHostBytes(host::Address address, std::size_t length, const std::uint8_t* bytes) {
    void* span = reinterpret_cast<void*>(address);
    DWORD kept = 0;
    // A span that cannot be made writable is left alone: storing into it would crash the game.
    if (!VirtualProtect(span, length, PAGE_EXECUTE_READWRITE, &kept))
        return false;
    std::memcpy(span, bytes, length);
    DWORD scratch = 0;
    VirtualProtect(span, length, kept, &scratch);
    return true;
}

std::int32_t RelativeDisplacement(host::Address site, std::uintptr_t target) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(target) - (site + 5));
}

namespace {

bool WriteOpcodeAndDisplacement(host::Address site, std::uint8_t opcode, std::int32_t displacement) {
    std::uint8_t little[4];
    std::memcpy(little, &displacement, 4); // x86 is little-endian, as the instruction wants
    return WriteHostBytes(site, 1, &opcode) && WriteHostBytes(site + 1, 4, little);
}

constexpr std::uint8_t kCall = 0xE8;
constexpr std::uint8_t kJump = 0xE9;

} // namespace

std::size_t RowSpans(PatchKind kind, RowSpan (&spans)[2]) {
    switch (kind) {
    case PatchKind::CallToPlugin:
    case PatchKind::JumpToPlugin:
    case PatchKind::HostInternalCall:
    case PatchKind::HostInternalJump:
        spans[0] = {0, 1};
        spans[1] = {1, 4};
        return 2;
    default:
        spans[0] = {0, static_cast<std::uint8_t>(PatchLength(kind))};
        return 1;
    }
}

std::size_t PatchLength(PatchKind kind) {
    switch (kind) {
    case PatchKind::Raw2:
        return 2;
    case PatchKind::Pointer:
        return 4;
    default:
        return 5;
    }
}

bool WritePatch(const PatchEntry& entry) {
    const auto pluginAddress = reinterpret_cast<std::uintptr_t>(entry.plugin);
    switch (entry.kind) {
    case PatchKind::CallToPlugin:
        return WriteOpcodeAndDisplacement(entry.site, kCall, RelativeDisplacement(entry.site, pluginAddress));
    case PatchKind::JumpToPlugin:
        return WriteOpcodeAndDisplacement(entry.site, kJump, RelativeDisplacement(entry.site, pluginAddress));
    case PatchKind::HostInternalCall:
        return WriteOpcodeAndDisplacement(entry.site, kCall,
                                          RelativeDisplacement(entry.site, entry.hostTarget));
    case PatchKind::HostInternalJump:
        return WriteOpcodeAndDisplacement(entry.site, kJump,
                                          RelativeDisplacement(entry.site, entry.hostTarget));
    case PatchKind::Raw2:
        return WriteHostBytes(entry.site, 2, entry.bytes);
    case PatchKind::Raw5:
        return WriteHostBytes(entry.site, 5, entry.bytes);
    case PatchKind::Pointer: {
        const auto datum = static_cast<std::uint32_t>(pluginAddress);
        std::uint8_t little[4];
        std::memcpy(little, &datum, 4);
        return WriteHostBytes(entry.site, 4, little);
    }
    }
    return false;
}

namespace {

bool PutBack(const PatchEntry& entry, const std::uint8_t* kept) {
    RowSpan spans[2];
    bool whole = true;
    for (std::size_t span = RowSpans(entry.kind, spans); span-- > 0;) {
        const host::Address at = entry.site + spans[span].offset;
        const std::uint8_t* old = kept + spans[span].offset;
        if (std::memcmp(host::Pointer<const std::uint8_t>(at), old, spans[span].length) != 0 &&
            !WriteHostBytes(at, spans[span].length, old))
            whole = false;
    }
    return whole;
}

} // namespace

PatchesWritten WritePatches(std::span<const PatchEntry> table) {
    PatchesWritten result;
    if (table.size() > kMaxPatchRows) {
        result.failedRow = kMaxPatchRows;
        return result;
    }
    std::uint8_t kept[kMaxPatchRows][5];
    for (std::size_t row = 0; row < table.size(); ++row) {
        const PatchEntry& entry = table[row];
        std::memcpy(kept[row], host::Pointer<const std::uint8_t>(entry.site), PatchLength(entry.kind));
        if (WritePatch(entry))
            continue;
        // A game with some rows written would call the plug-in from one place and run its own
        // code at the next: put back every row that changed, this one too (its opcode may be in).
        // Each span goes back on its own, and only where it changed: Windows refuses whole
        // pages, so the span that was refused still holds its old bytes, and a put-back that
        // covered it would be refused as well.
        for (std::size_t back = row + 1; back-- > 0;)
            if (!PutBack(table[back], kept[back]))
                result.putBack = false;
        result.failedRow = row;
        return result;
    }
    result.rows = table.size();
    return result;
}

} // namespace voxa
