#include "catalogue/load_failures.h"

#include "catalogue/catalogue.h"
#include "catalogue/language_index.h"
#include "core/startup_log.h"

#include <algorithm>
#include <string>
#include <vector>

namespace voxa {

namespace {

std::vector<std::string> textNamed;

} // namespace

void LogFileNotLoaded(const LanguageRecord& record, const char* what, const char* path) noexcept {
    const auto position = &record - LanguageCatalogue.begin();
    LogLine("language %d (NameKey \"%s\"): the game could not load its %s, %s",
            static_cast<int>(kBuiltInLanguageCount + position), record.NameKey.c_str(), what, path);
}

void LogTextNotLoaded(const char* path) noexcept {
    try {
        if (std::find(textNamed.begin(), textNamed.end(), path) != textNamed.end())
            return;
        textNamed.emplace_back(path);
    } catch (...) {
        return; // out of memory: the line is not worth the game
    }
    LogLine("the game could not load the text file %s", path);
}

void ForgetTextNotLoaded() noexcept {
    std::vector<std::string>().swap(textNamed);
}

} // namespace voxa
