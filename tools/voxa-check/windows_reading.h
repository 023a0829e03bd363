#pragma once
// How Windows' profile functions read a lang.ini, where that differs from what was meant or
// from how Wine reads it. The checker runs under Wine as often as on Windows, and Wine reads
// some files that Windows does not read the same way: those whose bytes are not plain 8-bit
// text.
//
// Windows (GetPrivateProfileString and GetPrivateProfileInt) reads a profile file as
// Unicode only when it starts with the UTF-16 little-endian mark FF FE; every other file is
// 8-bit text in the ANSI code page, byte for byte. Wine also recognises the UTF-8 mark
// EF BB BF and the UTF-16 big-endian mark FE FF, and reads those files as Unicode.
//
// This reading needs nothing of Windows: it takes bytes and gives findings, so that it also
// builds natively for the fuzzer.

#include "rules.h"

#include <string>
#include <vector>

namespace voxa_check {

// One key=value line of the file, as the profile functions split it.
struct Entry {
    int line = 0;
    std::string key;   // as written, without surrounding blanks
    std::string value; // as written, without surrounding blanks (quotes kept)
};

struct WindowsReading {
    std::vector<Finding> findings;
    bool readsNoKey = false;    // Windows finds no key of the [LANG] section at all
    std::vector<Entry> entries; // the first [LANG] section as Windows reads it
};

// `bytes` is the whole file. Besides the encoding, it finds where GetPrivateProfileString's
// documented reading turns what was written into something else: a ';' or '#' after a value
// is part of it (only a ';' at the start of a line begins a comment), the first of two equal
// keys wins, and a second [LANG] section is never read; and where what was written is not what
// the plug-in can use: a key it does not know, a line without '=', an integer that is no
// number, an absolute path. What it reads as meant (one pair of quotes around a value removed,
// blanks around keys and values, keys in another case) gets no finding.
WindowsReading HowWindowsReads(const std::string& bytes);

// The value as GetPrivateProfileString gives it: one pair of surrounding quotes removed.
std::string Unquoted(const std::string& value);

// What GetPrivateProfileInt makes of a value: blanks, a sign, then decimal digits (or
// hexadecimal ones after 0x); reading stops at the first other character, so a word gives 0.
long long WindowsInteger(const std::string& value);

// The known key nearest to a misspelt one, or an empty text when none is near.
std::string NearestKey(const std::string& key);

// Whether a file name is a near miss for lang.ini: lang.ini.txt (Explorer hides the
// extension), lang.txt, lang,ini, a letter or two off.
bool IsNearLangIni(const std::string& fileName);

} // namespace voxa_check
