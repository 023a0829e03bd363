#pragma once
// Where an extra language's text files lie, and the host's two text loads served from them.

#include "catalogue/language_record.h"
#include "core/host.h"

#include <cstdint>
#include <string>

namespace voxa {

// The record's TextDirectory with every "%GAMEPATH%" replaced by `replacement`.
std::string ResolveTextDirectory(const LanguageRecord& record, const std::string& replacement);

// The path of a language's game text, as the host's string object builds it.
void BuildGameTextPath(const LanguageRecord& record, host::HostString& path);

std::uint8_t GameTextLoadHook(host::HostTextTable* table, const char* path);
std::uint8_t LevelTextLoadHook(host::HostTextTable* table, const char* path);

// The host's calling form of its text-table load: the table in ECX, the path on the stack,
// removed by the callee, the result in AL.
std::uint8_t __thiscall GameTextLoadAdapter(host::HostTextTable* table, const char* path);
std::uint8_t __thiscall LevelTextLoadAdapter(host::HostTextTable* table, const char* path);

} // namespace voxa
