#pragma once
// Conversion between the host's wide and narrow text, by value, into the host's fixed buffers.

#include <cstdint>

namespace voxa {

constexpr int kNarrowBufferLength = 256; // 255 characters and a NUL
constexpr int kWideBufferLength = 257;   // 256 units and a 0

char* __cdecl WideToNarrow(const wchar_t* text);
// Widens exactly `length` bytes; null (and nothing written) for a length outside 0 to 256.
wchar_t* __cdecl NarrowToWideShared(const char* text, std::int32_t length);
void __cdecl NarrowToWide(wchar_t* destination, const char* text);

} // namespace voxa
