#pragma once
// The language menu: all languages, ten rows to a page.

#include <cstdint>

namespace voxa {

constexpr int kRowsPerPage = 10;

// The menu's paging state, one object whose fresh value is the state at load: a field added
// here is reset with the others. The host calls draw and input in turn each frame, so the
// arrow flags are the drawing's one hand-off to the input: raised by LanguageMenuDraw while
// the pointer is over a shown arrow, acted on and cleared by the next LanguageMenuInput.
struct MenuPagingState {
    std::int32_t PageCount = 0;
    std::int32_t CurrentPage = 0;
    std::int32_t RecordedMenuMarker = -1; // the host's menu marker when the menu last began
    bool UpArrowHot = false;
    bool DownArrowHot = false;
};

extern MenuPagingState MenuPaging;

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
