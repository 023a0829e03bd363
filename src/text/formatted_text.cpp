#include "text/formatted_text.h"

#include "core/host.h"

#include <cstdarg>
#include <cwchar>

// The formatting is msvcrt's own _vsnwprintf: there %s is a wide text, as the host's formats
// expect. The MinGW replacements behind the standard names read %s as narrow.

namespace voxa {

wchar_t SceneLabelBuffer[kSceneLabelUnits];

namespace {

// Formats into a buffer of `units`, always terminated; a result that does not fit is cut.
void FormatBounded(wchar_t* buffer, int units, const wchar_t* format, va_list args) {
    _vsnwprintf(buffer, units - 1, format, args);
    buffer[units - 1] = 0;
}

void FormatBounded(wchar_t* buffer, int units, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatBounded(buffer, units, format, args);
    va_end(args);
}

} // namespace

std::int32_t __cdecl DrawFormattedText(float a, float b, float c, float d, const wchar_t* format, ...) {
    wchar_t* printBuffer = host::Pointer<wchar_t>(host::addr::HostPrintBuffer);
    va_list args;
    va_start(args, format);
    FormatBounded(printBuffer, kPrintBufferUnits, format, args);
    va_end(args);
    return host::HostDrawString(printBuffer, a, b, c, d, 0.0f, 1);
}

wchar_t* __stdcall FormatSceneLabel(std::int32_t sceneLessOne) {
    const wchar_t* scene = host::HostTextTableGet(host::MainTextTable(), "SCENE");
    FormatBounded(SceneLabelBuffer, kSceneLabelUnits, L"%s %d", scene, sceneLessOne + 1);
    return SceneLabelBuffer;
}

} // namespace voxa
