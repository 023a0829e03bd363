#include "fonts/language_switch.h"

#include "catalogue/language_index.h"
#include "core/host.h"
#include "fonts/font_data.h"
#include "fonts/texture_dictionaries.h"

#include <cstring>

namespace voxa {

namespace {

void PutFontData(const FontDataCopy* source) {
    if (source != nullptr)
        std::memcpy(&HostFontData(), &source->block, sizeof(FontDataBlock));
}

} // namespace

void ApplyLanguage(std::int32_t languageIndex) {
    if (const LanguageRecord* record = CatalogueEntryForIndex(languageIndex)) {
        PutFontData(record->fontData != nullptr ? record->fontData : defaultFontData);
        ApplyTextureDictionary(record->textureDictionary);
        return;
    }
    PutFontData(defaultFontData);
    ApplyTextureDictionary(nullptr);
}

void ApplyCurrentLanguage() {
    ApplyLanguage(host::LanguageIndex());
}

} // namespace voxa
