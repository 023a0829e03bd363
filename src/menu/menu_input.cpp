#include "catalogue/language_index.h"
#include "menu/menu_host.h"
#include "menu/menu_state.h"

#include <algorithm>
#include <cmath>

namespace voxa {

namespace {

constexpr std::int32_t kChosenSound = 2;
constexpr std::int32_t kMenuSound = 10;
constexpr std::int32_t kMenuContextWithMenuSound = 10;

struct PageRows {
    std::int32_t first;
    std::int32_t last;
};

PageRows RowsOfCurrentPage() {
    const std::int32_t first = MenuPaging.CurrentPage * kRowsPerPage;
    return {first, std::min(first + kRowsPerPage, MenuRowCount()) - 1};
}

// A hot arrow turns the page only while the host lets the pointer act; it is spent either way.
void TurnPageByArrows() {
    const bool arrowsEnabled = menu_host::CursorInt(host::addr::CursorArrowsEnabledOffset) != 0;
    if (MenuPaging.DownArrowHot) {
        if (arrowsEnabled && ++MenuPaging.CurrentPage >= MenuPaging.PageCount)
            MenuPaging.CurrentPage = MenuPaging.PageCount - 1;
        MenuPaging.DownArrowHot = false;
    }
    if (MenuPaging.UpArrowHot) {
        if (arrowsEnabled && --MenuPaging.CurrentPage < 0)
            MenuPaging.CurrentPage = 0;
        MenuPaging.UpArrowHot = false;
    }
}

// A selection off the page shown comes back onto it at the edge it is entered from.
void MoveSelectionUp() {
    std::int32_t& selected = menu_host::SelectedRow();
    const PageRows rows = RowsOfCurrentPage();
    if (selected < rows.first || selected > rows.last)
        selected = rows.last + 1;
    if (--selected < 0)
        selected = 0;
    MenuPaging.CurrentPage = PageOfRow(selected);
}

void MoveSelectionDown() {
    std::int32_t& selected = menu_host::SelectedRow();
    const PageRows rows = RowsOfCurrentPage();
    if (selected < rows.first || selected > rows.last)
        selected = rows.first - 1;
    if (++selected >= MenuRowCount())
        selected = MenuRowCount() - 1;
    MenuPaging.CurrentPage = PageOfRow(selected);
}

} // namespace

std::int32_t __cdecl LanguageMenuBegin() {
    MenuPaging.RecordedMenuMarker = menu_host::MenuMarker();
    MenuPaging.PageCount =
        static_cast<std::int32_t>(std::ceil(static_cast<double>(MenuRowCount()) / kRowsPerPage));
    return MenuPaging.PageCount;
}

std::int32_t __cdecl LanguageMenuCheckReset() {
    if (MenuPaging.RecordedMenuMarker != menu_host::MenuMarker()) {
        MenuPaging.CurrentPage = 0;
        menu_host::SelectedRow() = 0;
    }
    return MenuPaging.RecordedMenuMarker;
}

bool __cdecl LanguageMenuInput() {
    TurnPageByArrows();
    if (menu_host::MenuUpPressed())
        MoveSelectionUp();
    if (menu_host::MenuDownPressed())
        MoveSelectionDown();
    if (menu_host::MenuCursorOverItem())
        menu_host::SelectedRow() = MenuPaging.CurrentPage * kRowsPerPage + menu_host::MenuItemUnderCursor();
    if (menu_host::MenuAuxInput() || menu_host::CursorInt(host::addr::CursorAuxSoundOffset) != 0)
        menu_host::PlayFrontendSound(kMenuSound);
    if (menu_host::MenuAcceptPressed()) {
        const std::int32_t selected = menu_host::SelectedRow();
        if (selected >= 0 && selected < MenuRowCount()) {
            menu_host::SetLanguage(MenuRowToLanguage(selected));
            menu_host::PlayFrontendSound(
                menu_host::MenuContext() == kMenuContextWithMenuSound ? kMenuSound : kChosenSound);
        }
    }
    return true;
}

} // namespace voxa
