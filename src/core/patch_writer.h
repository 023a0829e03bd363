#pragma once
// Writes the plug-in's patches into the host's code.

#include "core/host.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace voxa {

enum class PatchKind : std::uint8_t {
    CallToPlugin,     // E8 + displacement to a plug-in routine
    JumpToPlugin,     // E9 + displacement to a plug-in routine
    HostInternalCall, // E8 + fixed displacement to a host address
    HostInternalJump, // E9 + fixed displacement to a host address
    Raw2,             // two literal bytes
    Raw5,             // five literal bytes
    Pointer,          // the 4-byte address of a plug-in datum
};

struct PatchEntry {
    host::Address site;
    PatchKind kind;
    const void* plugin = nullptr; // the routine or datum of the plug-in kinds
    host::Address hostTarget = 0; // the target of the host-internal kinds
    std::uint8_t bytes[5] = {};   // the literal bytes of the raw kinds
};

// One protected store: the span is made writable, written, and given back the protection
// it had. The reported protection goes to a real variable; Windows rejects a null pointer
// there. A span whose protection cannot be changed is not written, and false is returned.
bool WriteHostBytes(host::Address address, std::size_t length, const std::uint8_t* bytes);

// The signed distance from the end of a 5-byte call or jump at site to target.
std::int32_t RelativeDisplacement(host::Address site, std::uintptr_t target);

// The bytes a row covers at its site.
std::size_t PatchLength(PatchKind kind);

// One protected store of a row: its offset from the site and its length.
struct RowSpan {
    std::uint8_t offset;
    std::uint8_t length;
};

// The stores a row is written in, in order: a call or jump as its opcode, then its
// displacement; any other row as one. Returns how many.
std::size_t RowSpans(PatchKind kind, RowSpan (&spans)[2]);

// Writes one row; false when one of its spans could not be made writable (an earlier span of
// the row may then hold its new bytes).
bool WritePatch(const PatchEntry& entry);

// The most rows one table may have: the original bytes of each are kept on the stack.
constexpr std::size_t kMaxPatchRows = 64;

struct PatchesWritten {
    std::size_t rows = 0;      // rows written and left in place: the whole table, or none
    std::size_t failedRow = 0; // when not the whole table: the row that could not be written
    bool putBack = true;       // every byte written before the failure was put back
};

// Writes the table in order, all or nothing: each row's bytes are kept before it is written,
// and when a span cannot be made writable every row changed so far is put back, last first,
// span by span, each span only where it changed.
// A table longer than kMaxPatchRows is not written at all.
PatchesWritten WritePatches(std::span<const PatchEntry> table);

} // namespace voxa
