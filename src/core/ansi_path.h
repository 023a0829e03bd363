#pragma once
// Narrow paths, as the game's loaders and the profile calls take them, are in the ANSI code
// page. A name with letters the code page lacks comes back from the narrow calls as '?' or as
// a look-alike (a best fit), and neither opens; the wide calls tell, and the short (8.3) name
// that Windows keeps for such a name, where the drive keeps short names, survives.

#include <cstddef>
#include <string>

namespace voxa {

enum class AnsiConversion { Exact, LettersLost, TooLong };

// Converts wide text into buffer, letter for letter; on anything but Exact, buffer holds an
// empty text.
AnsiConversion ToAnsi(const wchar_t* wide, char* buffer, std::size_t size);

// A narrow form of a wide path that opens the same file: the path itself where its letters
// survive the code page, else its short form; false, with an empty text, when neither does or
// the path does not fit.
bool AnsiPathOf(const wchar_t* wide, char* buffer, std::size_t size);

// The text as UTF-8: how the log shows a name that the code page cannot write, so that a
// player recognises it.
std::string Utf8(const wchar_t* wide);

} // namespace voxa
