#include "core/ansi_path.h"

#include <windows.h>

namespace voxa {

AnsiConversion ToAnsi(const wchar_t* wide, char* buffer, std::size_t size) {
    if (size > 0)
        buffer[0] = '\0';
    BOOL lost = FALSE;
    const int needed =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lost);
    if (needed == 0 || lost)
        return AnsiConversion::LettersLost;
    if (static_cast<std::size_t>(needed) > size)
        return AnsiConversion::TooLong;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, needed, nullptr, nullptr);
    return AnsiConversion::Exact;
}

bool AnsiPathOf(const wchar_t* wide, char* buffer, std::size_t size) {
    switch (ToAnsi(wide, buffer, size)) {
    case AnsiConversion::Exact:
        return true;
    case AnsiConversion::TooLong:
        return false;
    case AnsiConversion::LettersLost:
        break;
    }
    wchar_t shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameW(wide, shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH && ToAnsi(shortPath, buffer, size) == AnsiConversion::Exact;
}

std::string Utf8(const wchar_t* wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
    text.pop_back();
    return text;
}

} // namespace voxa
