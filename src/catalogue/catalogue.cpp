#include "catalogue/catalogue.h"

namespace voxa {

// Constant-initialised (no storage) before any code of the plug-in runs; destroyed when the
// library is unloaded.
constinit LanguageCatalogueArray LanguageCatalogue;

} // namespace voxa
