#pragma once
// Formatted text for the host's drawing sites, and the numbered scene label.

#include <cstdint>

namespace voxa {

// How much of HostPrintBuffer a formatted text may take, terminator included: all of it, as
// the host's next datum lies 0x558 bytes on. Whatever the host would show fits whole; only a
// longer result is cut, rather than written past the buffer.
constexpr int kPrintBufferUnits = 0x558 / 2;
constexpr int kSceneLabelUnits = 512;

extern wchar_t SceneLabelBuffer[kSceneLabelUnits];

// %s in `format` takes a wide text, as in the host's own formats.
std::int32_t __cdecl DrawFormattedText(float a, float b, float c, float d, const wchar_t* format, ...);
wchar_t* __stdcall FormatSceneLabel(std::int32_t sceneLessOne);

} // namespace voxa
