#include "plugin/plugin_state.h"

#include "catalogue/catalogue.h"
#include "catalogue/discovery.h"
#include "catalogue/language_index.h"
#include "catalogue/load_failures.h"
#include "core/startup_log.h"
#include "fonts/font_data.h"
#include "menu/menu_state.h"
#include "text/language_names.h"

namespace voxa {

void ResetPluginState() noexcept {
    ForgetFontData();
    LanguageCatalogue.Clear();
    Discovery = {};
    startingLanguageLogged = false;
    ResetLanguageNames();
    ResetMenuState();
    ResetStartupLog();
    ForgetTextNotLoaded();
}

} // namespace voxa
