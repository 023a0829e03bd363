#pragma once
// The language index: below kBuiltInLanguageCount the host's built-in languages, above
// them catalogue position p is kBuiltInLanguageCount + p.

#include "catalogue/built_in_languages.h"
#include "catalogue/language_record.h"

#include <cstdint>

namespace voxa {

// The record of a language index, or null for a built-in language or an index with no record.
LanguageRecord* CatalogueEntryForIndex(std::int32_t languageIndex);
LanguageRecord* CurrentLanguageRecord();
bool CurrentLanguageUsesWholeAsciiTable();

// Menu rows list the built-in languages as English, French, Italian, German, Spanish.
std::int32_t MenuRowToLanguage(std::int32_t menuRow);

// The starting language is logged once, the first time the host asks for it.
extern bool startingLanguageLogged;

// The starting language for the Windows user language; reached from the host's code.
std::int32_t __cdecl DefaultLanguageFromSystem();

} // namespace voxa
