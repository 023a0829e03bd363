#pragma once
// Files of a language that the game could not load, named in voxa.log: a translator can see
// nothing else of a font or text file the game rejected.

#include "catalogue/language_record.h"

namespace voxa {

// One line for a file of the language's start-up resources (font data, texture dictionary,
// name text) that did not load.
void LogFileNotLoaded(const LanguageRecord& record, const char* what, const char* path) noexcept;

// One line for a text file of an extra language that did not load, the first time only: the
// game loads text again at every level.
void LogTextNotLoaded(const char* path) noexcept;

// Forgets the text files already named.
void ForgetTextNotLoaded() noexcept;

} // namespace voxa
