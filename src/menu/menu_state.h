#pragma once
// The language menu: all languages, ten rows to a page.

#include <cstdint>

namespace voxa {

constexpr int kRowsPerPage = 10;

extern std::int32_t PageCount;
extern std::int32_t CurrentPage;
extern std::int32_t RecordedMenuMarker;
extern bool UpArrowHot;
extern bool DownArrowHot;

// The number of rows: the five built-in languages, then the catalogue.
std::int32_t MenuRowCount();
std::int32_t PageOfRow(std::int32_t row);

// Back to the state the plug-in starts with.
void ResetMenuState();

// Reached from the host's menu code.
std::int32_t __cdecl LanguageMenuBegin();
std::int32_t __cdecl LanguageMenuCheckReset();
bool __cdecl LanguageMenuInput();
void __cdecl LanguageMenuDraw();

} // namespace voxa
