#pragma once
// Each extra language's texture dictionary, the font texture slots, and texture lookups.

#include "core/host.h"

namespace voxa {

void LoadLanguageTextureDictionaries();
void ReleaseLanguageTextureDictionaries();

// Re-points the four font texture slots by name: to the given dictionary, or with null to the
// host's own font dictionaries.
void ApplyTextureDictionary(host::TextureDictionary dictionary);

// Stands in for the host's texture lookups: the current language's dictionary first.
host::HostTexture* __cdecl FindTextureHook(host::TextureDictionary dictionary, const char* name);

} // namespace voxa
