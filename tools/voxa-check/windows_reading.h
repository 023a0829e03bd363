#pragma once
// How Windows' profile functions read a lang.ini, where that differs from how Wine reads it.
// The checker runs under Wine as often as on Windows, and Wine reads some files that Windows
// does not read the same way: those whose bytes are not plain 8-bit text.
//
// Windows (GetPrivateProfileString and GetPrivateProfileInt) reads a profile file as
// Unicode only when it starts with the UTF-16 little-endian mark FF FE; every other file is
// 8-bit text in the ANSI code page, byte for byte. Wine also recognises the UTF-8 mark
// EF BB BF and the UTF-16 big-endian mark FE FF, and reads those files as Unicode.

#include <string>
#include <vector>

namespace voxa_check {

struct WindowsReading {
    std::vector<std::string> warnings;
    bool readsNoKey = false; // Windows finds no key of the [LANG] section at all
};

// `bytes` is the whole file. Besides the encoding, it finds where GetPrivateProfileString's
// documented reading turns what was written into something else: a ';' or '#' after a value
// is part of it (only a ';' at the start of a line begins a comment), the first of two equal
// keys wins, and a second [LANG] section is never read. What it reads as meant (one pair of
// quotes around a value removed, blanks around keys and values) gets no warning.
WindowsReading HowWindowsReads(const std::string& bytes);

void WarnAboutLayout(WindowsReading& reading, const std::string& text);
void WarnAboutValues(WindowsReading& reading, const std::string& text);

} // namespace voxa_check
