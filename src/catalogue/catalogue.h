#pragma once
// The one list of extra languages, in the order discovery found them. Position p is
// language index kBuiltInLanguageCount + p, so the list never changes once discovery has
// filled it.

#include "catalogue/growable_array.h"
#include "catalogue/language_record.h"

namespace voxa {

constexpr std::size_t kMaxCatalogueSize = 13765920;
using LanguageCatalogueArray = GrowableArray<LanguageRecord, kMaxCatalogueSize>;

extern LanguageCatalogueArray LanguageCatalogue;

} // namespace voxa
