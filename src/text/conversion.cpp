#include "text/conversion.h"

#include "catalogue/language_index.h"
#include "core/host.h"

namespace voxa {

char* __cdecl WideToNarrow(const wchar_t* text) {
    char* narrow = host::Pointer<char>(host::addr::HostNarrowBuffer);
    constexpr int kLast = kNarrowBufferLength - 1;
    int i = 0;
    for (; i < kLast && text[i] != 0 && static_cast<std::uint16_t>(text[i]) < 0x80; ++i)
        narrow[i] = static_cast<char>(text[i]);
    // From the first unit of 0x80 up: whether the language keeps 128 to 255 is asked once, as
    // nothing can change the language while one text converts.
    if (i < kLast && text[i] != 0) {
        const std::uint16_t kept = CurrentLanguageUsesWholeAsciiTable() ? 0x100 : 0x80;
        for (; i < kLast && text[i] != 0; ++i) {
            const auto unit = static_cast<std::uint16_t>(text[i]);
            narrow[i] = unit < kept ? static_cast<char>(unit) : '#';
        }
    }
    narrow[i] = '\0';
    return narrow;
}

wchar_t* __cdecl NarrowToWideShared(const char* text, std::int32_t length) {
    // A negative length would write before the buffer: refuse it like an over-long one.
    if (length < 0 || length > kWideBufferLength - 1)
        return nullptr;
    wchar_t* wide = host::Pointer<wchar_t>(host::addr::HostWideBuffer);
    for (std::int32_t i = 0; i < length; ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    wide[length] = 0;
    return wide;
}

void __cdecl NarrowToWide(wchar_t* destination, const char* text) {
    std::int32_t i = 0;
    for (; text[i] != '\0'; ++i)
        destination[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    destination[i] = 0;
}

} // namespace voxa
