#include "catalogue/language_index.h"
#include "fonts/language_switch.h"
#include "menu/menu_host.h"
#include "menu/menu_state.h"
#include "text/language_names.h"

#include <algorithm>

namespace voxa {

namespace {

constexpr char kUpArrow[] = "~up~";
constexpr char kDownArrow[] = "~down~";
constexpr float kArrowScale = 1.25f;
constexpr std::int32_t kArrowFont = 1;
constexpr std::int32_t kRowFont = 2;

// The arrows' placement, tuned to the host's fonts. Each is a single-precision number held
// in double precision, and the arithmetic is done in double.
constexpr double kUpArrowRise = 0.7229999899864197;     // the float nearest 0.723
constexpr double kArrowNudge = 0.011249999515712261;    // one float step below 0.01125
constexpr double kArrowGapTrim = 0.0020000000949949026; // the float nearest 0.002
constexpr double kDownArrowRise = 0.3840000033378601;   // the float nearest 0.384
constexpr double kRowsAboveDownArrow = 9.0;

struct Layout {
    float x, y, scaleX, scaleY, rowSpacing;
};

struct ArrowBox {
    float y, width, height;
};

bool PointerOver(const Layout& layout, const ArrowBox& box) {
    const double px = menu_host::CursorFloat(host::addr::CursorPointerXOffset);
    const double py = menu_host::CursorFloat(host::addr::CursorPointerYOffset);
    return layout.x <= px && px < static_cast<double>(layout.x) + box.width && box.y <= py &&
           py < static_cast<double>(box.y) + box.height;
}

void ArrowColour(bool hot) {
    if (!hot)
        menu_host::DefaultTextColour();
    else if (host::At<std::int32_t>(host::addr::HostHighlightFlag) != 0)
        menu_host::SetTextColour(255, 255, 255, 255);
    else
        menu_host::SetTextColour(200, 200, 200, 255);
}

void DrawUpArrow(const Layout& layout) {
    const float height = menu_host::FontHeight(kArrowFont, kArrowScale);
    const float width = menu_host::TextWidth(kUpArrow, kArrowScale);
    const auto y = static_cast<float>(static_cast<double>(layout.y) - kUpArrowRise * height - kArrowNudge);
    if (PointerOver(layout, {y, width, height}))
        MenuPaging.UpArrowHot = true;
    ArrowColour(MenuPaging.UpArrowHot);
    menu_host::DrawNarrowText(kUpArrow, layout.x, y, kArrowScale, kArrowScale);
}

void DrawDownArrow(const Layout& layout) {
    const float rowHeight = menu_host::FontHeight(kRowFont, layout.scaleY);
    const auto gap =
        static_cast<float>(static_cast<double>(menu_host::LayoutFloat(host::addr::HostMenuArrowGap)) +
                           rowHeight - kArrowGapTrim);
    const float height = menu_host::FontHeight(kArrowFont, kArrowScale);
    const float width = menu_host::TextWidth(kDownArrow, kArrowScale);
    const auto y = static_cast<float>(kRowsAboveDownArrow * layout.rowSpacing + layout.y + gap -
                                      kDownArrowRise * height + kArrowNudge);
    if (PointerOver(layout, {y, width, height}))
        MenuPaging.DownArrowHot = true;
    ArrowColour(MenuPaging.DownArrowHot);
    menu_host::DrawNarrowText(kDownArrow, layout.x, y, kArrowScale, kArrowScale);
}

const wchar_t* RowName(std::int32_t row) {
    if (row < kBuiltInLanguageCount)
        return BuiltInLanguageNames[row];
    if (const LanguageRecord* record = CatalogueEntryForIndex(row))
        return record->displayName;
    return L"UNKNOWNLANG";
}

} // namespace

void __cdecl LanguageMenuDraw() {
    menu_host::DrawTitle(host::HostTextTableGet(host::MainTextTable(), "LANGUA"));
    const Layout layout{menu_host::LayoutFloat(host::addr::HostMenuX),
                        menu_host::LayoutFloat(host::addr::HostMenuY),
                        menu_host::LayoutFloat(host::addr::HostMenuRowScaleX),
                        menu_host::LayoutFloat(host::addr::HostMenuRowScaleY),
                        menu_host::LayoutFloat(host::addr::HostMenuRowSpacing)};
    if (MenuPaging.CurrentPage > 0)
        DrawUpArrow(layout);
    if (MenuPaging.PageCount > 1 && MenuPaging.CurrentPage < MenuPaging.PageCount - 1)
        DrawDownArrow(layout);

    const std::int32_t first = MenuPaging.CurrentPage * kRowsPerPage;
    const std::int32_t end = std::min(first + kRowsPerPage, MenuRowCount());
    float y = layout.y;
    for (std::int32_t row = first; row < end; ++row) {
        // Each name in its own language's fonts.
        ApplyLanguage(row);
        const wchar_t* name = RowName(row);
        menu_host::DrawItem(name, layout.x, y, layout.scaleX, layout.scaleY,
                            menu_host::SelectedRow() == row ? 1 : 0);
        menu_host::TrackItem(name, layout.x, y, layout.scaleX, layout.scaleY);
        y = y + layout.rowSpacing;
    }
    ApplyCurrentLanguage();
    menu_host::DrawButtonLabels(L"", L"", host::HostTextTableGet(host::MainTextTable(), "IBACK"), L"");
}

} // namespace voxa
