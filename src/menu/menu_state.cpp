#include "menu/menu_state.h"

#include "catalogue/catalogue.h"
#include "catalogue/language_index.h"

#include <cmath>

namespace voxa {

MenuPagingState MenuPaging;

std::int32_t MenuRowCount() {
    return kBuiltInLanguageCount + static_cast<std::int32_t>(LanguageCatalogue.size());
}

// Computed as the host computes its own pages, through a float quotient.
std::int32_t PageOfRow(std::int32_t row) {
    const float quotient = static_cast<float>((static_cast<double>(row) + 1.0) / kRowsPerPage);
    return static_cast<std::int32_t>(std::ceil(quotient)) - 1;
}

void ResetMenuState() {
    MenuPaging = MenuPagingState{};
}

} // namespace voxa
