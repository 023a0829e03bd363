#pragma once
// The names that the language menu shows, each read from its language's own game text.

#include "catalogue/built_in_languages.h"
#include "catalogue/language_record.h"

namespace voxa {

// In menu order: English, French, Italian, German, Spanish.
extern wchar_t BuiltInLanguageNames[kBuiltInLanguageCount][kDisplayNameLength];

void BuildLanguageNames();
void ResetLanguageNames();

} // namespace voxa
