#include "fonts/font_data.h"
#include "fonts/texture_dictionaries.h"
#include "menu/menu_state.h"
#include "simhost/host_code.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"
#include "text/language_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace host::addr;
using sim::Address;

constexpr float kX = 40.0f, kY = 120.5f, kScaleX = 0.75f, kScaleY = 0.875f, kSpacing = 21.25f, kGap = 3.5f;
// The arrows differ in width, so that measuring the wrong one, or reusing one's box for the
// other, puts a hot spot in the wrong place.
constexpr float kArrowHeight = 20.0f, kRowFontHeight = 16.0f, kArrowWidth = 40.0f, kDownArrowWidth = 56.0f;

class MenuDrawTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(sim::Host().complaints, std::vector<std::string>{}); }
    sim::TempFolder temp;
    Address draw = 0;

    void SetUp() override {
        sim::ResetPlugin();
        ASSERT_TRUE(sim::InstallPluginPatches());
        draw = sim::EmitCaller(host::site::LanguageMenuDrawEntry, {});
        sim::Data<float>(HostMenuX) = kX;
        sim::Data<float>(HostMenuY) = kY;
        sim::Data<float>(HostMenuRowScaleX) = kScaleX;
        sim::Data<float>(HostMenuRowScaleY) = kScaleY;
        sim::Data<float>(HostMenuRowSpacing) = kSpacing;
        sim::Data<float>(HostMenuArrowGap) = kGap;
        sim::Host().fontHeight[1] = kArrowHeight;
        sim::Host().fontHeight[2] = kRowFontHeight;
        sim::Host().textWidth = 1000.0f;
        sim::Host().textWidths = {{"~up~", kArrowWidth}, {"~down~", kDownArrowWidth}};
        sim::Host().tables[host::MainTextTable()] = {{"LANGUA", L"Language"}, {"IBACK", L"Back"}};
        const wchar_t* builtIn[5] = {L"English", L"Francais", L"Italiano", L"Deutsch", L"Espanol"};
        for (int row = 0; row < 5; ++row)
            std::wcscpy(voxa::BuiltInLanguageNames[row], builtIn[row]);
    }
    void Languages(int extra) {
        for (int i = 0; i < extra; ++i) {
            voxa::LanguageRecord& record = sim::AddLanguage("L" + std::to_string(i));
            std::swprintf(record.displayName, 64, L"Lang%d", i);
        }
    }
    void Pointer(float x, float y) {
        sim::Data<float>(HostCursor + CursorPointerXOffset) = x;
        sim::Data<float>(HostCursor + CursorPointerYOffset) = y;
    }
    void Draw() {
        sim::Host().log.clear();
        sim::Host().drawnItems.clear();
        sim::Host().narrowTexts.clear();
        sim::Host().trackedItems.clear();
        const sim::HostCodeRun run = sim::RunHostCode(draw);
        EXPECT_TRUE(run.stackBalanced);
        EXPECT_TRUE(run.registersKept);
    }
    void Begin() { sim::RunHostCode(sim::EmitCaller(host::site::LanguageMenuBeginEntry, {})); }
};

// The arrows' places, from the layout rules: the factors are the single-precision numbers
// nearest 0.723, 0.002 and 0.384, and one single-precision step below 0.01125.
struct ArrowLayout {
    float y = kY, spacing = kSpacing, gap = kGap, rowFontHeight = kRowFontHeight, arrowHeight = kArrowHeight;
};
const double kNudge = std::ldexp(0xB851EB, -30);
float UpArrowY(const ArrowLayout& at = {}) {
    return static_cast<float>(double{at.y} - double{0.723f} * at.arrowHeight - kNudge);
}
float DownArrowY(const ArrowLayout& at = {}) {
    const float gap = static_cast<float>(double{at.gap} + at.rowFontHeight - double{0.002f});
    return static_cast<float>(9.0 * at.spacing + at.y + gap - double{0.384f} * at.arrowHeight + kNudge);
}

TEST_F(MenuDrawTest, APageIsTitleArrowsRowsAndBackLabelInOrder) {
    Languages(20);
    Begin();
    voxa::MenuPaging.CurrentPage = 1;
    sim::Data<std::int32_t>(HostSelectedRow) = 12;
    Pointer(-100, -100);
    Draw();
    std::vector<std::string> expected = {"HostMenuDrawTitle(Language)",
                                         "HostFontHeight(1, 1.25)",
                                         "HostTextWidth(~up~, 1.25, 1)",
                                         "HostMenuDefaultTextColour",
                                         "HostDrawNarrowText(~up~, 40, " + std::to_string(0).substr(0, 0),
                                         "HostFontHeight(2, 0.875)",
                                         "HostFontHeight(1, 1.25)",
                                         "HostTextWidth(~down~, 1.25, 1)",
                                         "HostMenuDefaultTextColour",
                                         "HostDrawNarrowText(~down~, 40, "};
    for (int row = 10; row < 20; ++row) {
        const std::string name = "Lang" + std::to_string(row - 5);
        expected.push_back("HostMenuDrawItem(" + name + ", " + (row == 12 ? "1" : "0") + ")");
        expected.push_back("HostMenuTrackItem(" + name + ")");
    }
    expected.push_back("HostMenuDrawButtonLabels(||Back|)");
    std::vector<std::string> drawn;
    for (const std::string& line : sim::Host().log)
        if (line.rfind("HostFindTexture", 0) != 0)
            drawn.push_back(line);
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i)
        EXPECT_EQ(drawn[i].substr(0, expected[i].size()), expected[i]) << i;
}

TEST_F(MenuDrawTest, ArrowAndRowPlacesAreExact) {
    Languages(20);
    Begin();
    voxa::MenuPaging.CurrentPage = 1;
    Pointer(-100, -100);
    Draw();
    ASSERT_EQ(sim::Host().narrowTexts.size(), 2u);
    const sim::DrawnText& up = sim::Host().narrowTexts[0];
    const sim::DrawnText& down = sim::Host().narrowTexts[1];
    EXPECT_EQ(sim::FloatBits(up.y), sim::FloatBits(UpArrowY()));
    EXPECT_EQ(sim::FloatBits(down.y), sim::FloatBits(DownArrowY()));
    for (const sim::DrawnText* arrow : {&up, &down}) {
        EXPECT_EQ(arrow->x, kX);
        EXPECT_EQ(arrow->scaleX, 1.25f);
        EXPECT_EQ(arrow->scaleY, 1.25f);
        EXPECT_EQ(sim::FloatBits(arrow->trailingFloat), sim::FloatBits(0.0f));
        EXPECT_EQ(arrow->trailingInt, 1);
    }
    // Each row is drawn and then tracked with the same name, place and scales.
    const auto& drawn = sim::Host().drawnItems;
    const auto& tracked = sim::Host().trackedItems;
    ASSERT_EQ(drawn.size(), 10u);
    ASSERT_EQ(tracked.size(), drawn.size());
    float y = kY;
    for (std::size_t row = 0; row < drawn.size(); ++row) {
        for (const sim::DrawnText* item : {&drawn[row], &tracked[row]}) {
            EXPECT_EQ(item->text, L"Lang" + std::to_wstring(row + 5)) << row;
            EXPECT_EQ(sim::FloatBits(item->y), sim::FloatBits(y)) << row;
            EXPECT_EQ(item->x, kX) << row;
            EXPECT_EQ(item->scaleX, kScaleX) << row;
            EXPECT_EQ(item->scaleY, kScaleY) << row;
        }
        y = y + kSpacing;
    }
}

// Layouts where each likely slip in the arithmetic moves an arrow by at least one float
// step: a factor taken as the exact decimal instead of its single-precision value (0.723,
// 0.002, 0.384), the nudge as exactly 0.01125, the gap kept unrounded, or float arithmetic.
TEST_F(MenuDrawTest, ArrowPlacesTellEverySlipInTheirFactorsApart) {
    const ArrowLayout layouts[] = {
        {.y = 12.21401309967041f, .arrowHeight = 23.94943618774414f},
        {.y = 14.501626968383789f, .arrowHeight = 20.02529525756836f},
        {.y = 106.1456298828125f,
         .spacing = 10.742918968200684f,
         .gap = 4.785362243652344f,
         .rowFontHeight = 8.23316764831543f,
         .arrowHeight = 9.96234130859375f},
        {.y = 0.22390949726104736f,
         .spacing = 0.019435660913586617f,
         .gap = 0.0043462873436510563f,
         .rowFontHeight = 0.0049160202033817768f,
         .arrowHeight = 0.43969917297363281f},
        {.y = 119.99715423583984f,
         .spacing = 13.00968074798584f,
         .gap = 8.7704849243164062f,
         .rowFontHeight = 2.4241588115692139f,
         .arrowHeight = 8.4589853286743164f},
    };
    Languages(20);
    Begin();
    voxa::MenuPaging.CurrentPage = 1;
    Pointer(-100, -100);
    for (const ArrowLayout& at : layouts) {
        sim::Data<float>(HostMenuY) = at.y;
        sim::Data<float>(HostMenuRowSpacing) = at.spacing;
        sim::Data<float>(HostMenuArrowGap) = at.gap;
        sim::Host().fontHeight[1] = at.arrowHeight;
        sim::Host().fontHeight[2] = at.rowFontHeight;
        Draw();
        ASSERT_EQ(sim::Host().narrowTexts.size(), 2u);
        EXPECT_EQ(sim::FloatBits(sim::Host().narrowTexts[0].y), sim::FloatBits(UpArrowY(at))) << at.y;
        EXPECT_EQ(sim::FloatBits(sim::Host().narrowTexts[1].y), sim::FloatBits(DownArrowY(at))) << at.y;
    }
}

TEST_F(MenuDrawTest, ArrowsAppearOnlyWhereThereArePagesInTheirDirection) {
    auto arrows = [&] {
        std::vector<std::wstring> texts;
        for (const auto& text : sim::Host().narrowTexts)
            texts.push_back(text.text);
        return texts;
    };
    Begin();
    Draw();
    EXPECT_TRUE(arrows().empty()) << "one page";
    Languages(20);
    Begin();
    Draw();
    EXPECT_EQ(arrows(), std::vector<std::wstring>{L"~down~"});
    voxa::MenuPaging.CurrentPage = 2;
    Draw();
    EXPECT_EQ(arrows(), std::vector<std::wstring>{L"~up~"});
    EXPECT_EQ(sim::Host().drawnItems.size(), 5u);
}

TEST_F(MenuDrawTest, ArrowsAreHotInsideTheirBoxOnly) {
    Languages(20);
    Begin();
    voxa::MenuPaging.CurrentPage = 1;
    Pointer(kX, UpArrowY());
    Draw();
    EXPECT_TRUE(voxa::MenuPaging.UpArrowHot);
    EXPECT_FALSE(voxa::MenuPaging.DownArrowHot);
    voxa::MenuPaging.UpArrowHot = false;
    Pointer(kX + kArrowWidth, UpArrowY());
    Draw();
    EXPECT_FALSE(voxa::MenuPaging.UpArrowHot);
    Pointer(kX + 1, UpArrowY() + kArrowHeight);
    Draw();
    EXPECT_FALSE(voxa::MenuPaging.UpArrowHot);
    // The down arrow's own, wider box.
    Pointer(kDownArrowWidth + kX - 0.5f, DownArrowY() + kArrowHeight - 0.5f);
    Draw();
    EXPECT_TRUE(voxa::MenuPaging.DownArrowHot);
    EXPECT_FALSE(voxa::MenuPaging.UpArrowHot);
    voxa::MenuPaging.DownArrowHot = false;
    Pointer(kX + kDownArrowWidth, DownArrowY());
    Draw();
    EXPECT_FALSE(voxa::MenuPaging.DownArrowHot);
    // Beyond the up arrow's width, within what the down arrow's would be.
    Pointer(kX + kArrowWidth + 1, UpArrowY() + 1);
    Draw();
    EXPECT_FALSE(voxa::MenuPaging.UpArrowHot);
}

TEST_F(MenuDrawTest, AHotArrowIsWhiteOrGreyByTheHighlightFlag) {
    Languages(20);
    Begin();
    Pointer(kX + 1, DownArrowY() + 1);
    sim::Data<std::int32_t>(HostHighlightFlag) = 0;
    Draw();
    EXPECT_NE(
        std::find(sim::Host().log.begin(), sim::Host().log.end(), "HostSetTextColour(200, 200, 200, 255)"),
        sim::Host().log.end());
    Pointer(-100, -100); // the flag still set from before keeps the highlight
    sim::Data<std::int32_t>(HostHighlightFlag) = 1;
    Draw();
    EXPECT_NE(
        std::find(sim::Host().log.begin(), sim::Host().log.end(), "HostSetTextColour(255, 255, 255, 255)"),
        sim::Host().log.end());
}

TEST_F(MenuDrawTest, NoRowIsSelectedWhenTheSelectionIsOnAnotherPage) {
    Languages(20);
    Begin();
    sim::Data<std::int32_t>(HostSelectedRow) = 15;
    Draw();
    for (const sim::DrawnText& item : sim::Host().drawnItems)
        EXPECT_EQ(item.selected, 0);
    EXPECT_EQ(sim::Narrow(sim::Host().drawnItems[4].text), "Espanol");
}

TEST_F(MenuDrawTest, EachRowInItsOwnFontsAndTheCurrentLanguageAfterwards) {
    Languages(6); // 11 rows
    sim::Language(0).DataFile = temp.WriteFile("l0.dat", "1 1 1 1 1 1 1 1");
    sim::Language(2).DataFile = temp.WriteFile("l2.dat", "2 2 2 2 2 2 2 2");
    sim::Language(2).textureDictionary = sim::MakeDictionary(10, {"font1"});
    voxa::LoadLanguageFontData();
    ASSERT_EQ(voxa::FontDataLoadHook(temp.WriteFile("host.dat", "3 3 3 3 3 3 3 3").c_str()), 1);
    const std::uint32_t hostHead = voxa::defaultFontData->block.headWord0;
    sim::FakeDictionary* hostFonts = sim::MakeDictionary(1, {"font1"});
    sim::Data<void*>(HostFontDictionaryA) = hostFonts;
    sim::Data<sim::FakeTexture*>(FontTextureSlot0) = hostFonts->textures["font1"].get();
    sim::SetLanguageIndex(7);
    Begin();
    Draw();
    std::vector<std::uint32_t> heads;
    for (const sim::DrawnText& item : sim::Host().drawnItems)
        heads.push_back(item.fontHeadWord);
    EXPECT_EQ(heads,
              (std::vector<std::uint32_t>{hostHead, hostHead, hostHead, hostHead, hostHead,
                                          sim::Language(0).fontData->block.headWord0, hostHead,
                                          sim::Language(2).fontData->block.headWord0, hostHead, hostHead}));
    EXPECT_EQ(
        std::memcmp(&voxa::HostFontData(), &sim::Language(2).fontData->block, sizeof(voxa::FontDataBlock)),
        0);
    EXPECT_EQ(sim::Data<sim::FakeTexture*>(FontTextureSlot0)->dictionaryTag, 10);

    voxa::MenuPaging.CurrentPage = 1;
    sim::SetLanguageIndex(3);
    Draw();
    ASSERT_EQ(sim::Host().drawnItems.size(), 1u);
    EXPECT_EQ(sim::Narrow(sim::Host().drawnItems[0].text), "Lang5");
    EXPECT_EQ(sim::FloatBits(sim::Host().drawnItems[0].y), sim::FloatBits(kY));
    EXPECT_EQ(voxa::HostFontData().headWord0, hostHead);
    EXPECT_EQ(sim::Data<sim::FakeTexture*>(FontTextureSlot0)->dictionaryTag, 1);
}

TEST_F(MenuDrawTest, DrawingAllocatesNothingAndOpensNoFile) {
    Languages(20);
    Begin();
    voxa::MenuPaging.CurrentPage = 1;
    sim::Host().quiet = true;
    sim::StartCounting();
    for (int i = 0; i < 20; ++i)
        sim::RunHostCode(draw);
    const sim::IoAndHeapCounts counts = sim::Counted();
    sim::Host().quiet = false;
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.fileCalls, 0);
}

} // namespace
