#include "fonts/texture_dictionaries.h"

#include "catalogue/load_failures.h"

#include "catalogue/catalogue.h"
#include "catalogue/language_index.h"

namespace voxa {

namespace {

constexpr host::Address kTextureNameOffset = 16;

const char* TextureName(const host::HostTexture* texture) {
    return reinterpret_cast<const char*>(texture) + kTextureNameOffset;
}

// An empty slot stays empty; a name the dictionary lacks keeps the slot's texture; with no
// dictionary at all the slot is emptied.
void RepointSlot(host::Address slot, host::TextureDictionary dictionary) {
    host::HostTexture*& current = host::At<host::HostTexture*>(slot);
    host::HostTexture* result = nullptr;
    if (current != nullptr && dictionary != nullptr) {
        host::HostTexture* found = host::HostFindTexture(dictionary, TextureName(current));
        result = found != nullptr ? found : current;
    }
    current = result;
}

// Slot order matters to the host's dictionaries only through the names they hold; the order
// is kept as the host's own font set-up has it.
struct SlotSource {
    host::Address slot;
    host::Address hostDictionary;
};
constexpr SlotSource kFontSlots[] = {
    {host::addr::FontTextureSlot0, host::addr::HostFontDictionaryA},
    {host::addr::FontTextureSlot1, host::addr::HostFontDictionaryA},
    {host::addr::FontTextureSlot3, host::addr::HostFontDictionaryB},
    {host::addr::FontTextureSlot2, host::addr::HostFontDictionaryC},
};

} // namespace

void LoadLanguageTextureDictionaries() {
    for (LanguageRecord& record : LanguageCatalogue) {
        if (record.TextureFile.empty())
            continue;
        record.textureDictionary = host::HostLoadTextureDictionary(record.TextureFile.c_str());
        if (record.textureDictionary == nullptr)
            LogFileNotLoaded(record, "texture dictionary", record.TextureFile.c_str());
    }
}

void ReleaseLanguageTextureDictionaries() {
    for (LanguageRecord& record : LanguageCatalogue) {
        if (record.textureDictionary != nullptr) {
            host::HostReleaseTextureDictionary(record.textureDictionary);
            record.textureDictionary = nullptr;
        }
    }
}

void ApplyTextureDictionary(host::TextureDictionary dictionary) {
    for (const SlotSource& source : kFontSlots) {
        // The host's handle is read just before its slot: the host may change it.
        host::TextureDictionary from =
            dictionary != nullptr ? dictionary : host::At<host::TextureDictionary>(source.hostDictionary);
        RepointSlot(source.slot, from);
    }
}

host::HostTexture* __cdecl FindTextureHook(host::TextureDictionary dictionary, const char* name) {
    const LanguageRecord* record = CurrentLanguageRecord();
    if (record != nullptr && record->textureDictionary != nullptr) {
        if (host::HostTexture* found = host::HostFindTexture(record->textureDictionary, name))
            return found;
    }
    return host::HostFindTexture(dictionary, name);
}

} // namespace voxa
