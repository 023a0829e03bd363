#pragma once
// Formatted text for the host's drawing sites, and the numbered scene label.

#include <cstdint>

namespace voxa {

// How much of HostPrintBuffer a formatted text may take, terminator included. The host's
// buffer is followed by other host data 0x558 bytes on (684 units); one drawn line never
// needs more than this, and a longer result is cut rather than written past the buffer.
constexpr int kPrintBufferUnits = 256;
constexpr int kSceneLabelUnits = 512;

extern wchar_t SceneLabelBuffer[kSceneLabelUnits];

// %s in `format` takes a wide text, as in the host's own formats.
std::int32_t __cdecl DrawFormattedText(float a, float b, float c, float d, const wchar_t* format, ...);
wchar_t* __stdcall FormatSceneLabel(std::int32_t sceneLessOne);

} // namespace voxa
