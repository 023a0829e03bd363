#pragma once
// The simulated host: a test program's own memory at the host's addresses (0x401000 to
// 0x800000, a NOLOAD section of the test image), where tests put fakes of host routines,
// host data and fragments of host code.

#include "core/host.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace sim {

using host::Address;

constexpr Address kImageStart = 0x401000;
constexpr Address kImageEnd = 0x800000;
// Host addresses above the last one the plug-in knows: room for the host's own text tables,
// then scratch memory for callers and test data.
constexpr Address kHostTablesStart = 0x7E0000;
constexpr Address kScratchStart = 0x7E1000;

// Makes the whole host range writable and executable, and zeroes it.
void ResetHostImage();

// A 5-byte jump at a host routine's address to a C++ function of the same convention.
void PlaceJump(Address from, const void* to);
template <typename Fn> void PlaceFake(Address routine, Fn* fake) {
    PlaceJump(routine, reinterpret_cast<const void*>(fake));
}

void WriteBytes(Address at, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(Address at, std::size_t count);
template <typename T> T& Data(Address at) {
    return *reinterpret_cast<T*>(at);
}

// Bump allocation of scratch host memory (zeroed), for callers and test data.
Address ScratchAlloc(std::size_t bytes);
// A copy of a text in scratch host memory.
const char* ScratchText(const char* text);
const wchar_t* ScratchWideText(const wchar_t* text);

// The 32-bit target of the E8/E9 instruction at `at`.
Address BranchTarget(Address at);

} // namespace sim
