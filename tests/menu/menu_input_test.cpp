#include "menu/menu_state.h"
#include "simhost/host_code.h"
#include "simhost/plugin_state.h"

#include <gtest/gtest.h>

namespace {

using namespace host::addr;
using sim::Address;

std::int32_t& SelectedRow() {
    return sim::Data<std::int32_t>(HostSelectedRow);
}

class MenuInputTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(sim::Host().complaints, std::vector<std::string>{}); }
    Address begin = 0, checkReset = 0, input = 0;

    void SetUp() override {
        sim::ResetPlugin();
        ASSERT_TRUE(sim::InstallPluginPatches());
        begin = sim::EmitCaller(host::site::LanguageMenuBeginEntry, {});
        checkReset = sim::EmitCaller(host::site::LanguageMenuCheckResetEntry, {});
        input = sim::EmitCaller(host::site::LanguageMenuInputEntry, {});
    }
    void Languages(int extra) {
        for (int i = 0; i < extra; ++i)
            sim::AddLanguage("L" + std::to_string(i));
    }
    std::uint32_t Run(Address entry) {
        const sim::HostCodeRun run = sim::RunHostCode(entry);
        EXPECT_TRUE(run.stackBalanced);
        EXPECT_TRUE(run.registersKept);
        return run.eax;
    }
    void Input(sim::MenuInputs inputs) {
        sim::Host().menu = inputs;
        sim::Host().log.clear();
        EXPECT_EQ(Run(input) & 0xFF, 1u);
    }
    std::vector<std::string> Effects() const {
        std::vector<std::string> effects;
        for (const std::string& line : sim::Host().log)
            if (line.rfind("HostSetLanguage", 0) == 0 || line.rfind("HostPlayFrontendSound", 0) == 0)
                effects.push_back(line);
        return effects;
    }
    void ArrowsEnabled(bool enabled) {
        sim::Data<std::int32_t>(HostCursor + CursorArrowsEnabledOffset) = enabled;
    }
};

TEST_F(MenuInputTest, PageCountFromTheNumberOfRows) {
    const std::pair<int, std::uint32_t> cases[] = {{0, 1}, {5, 1}, {6, 2}, {15, 2}, {16, 3}, {20, 3}};
    int added = 0;
    for (const auto& [extra, pages] : cases) {
        Languages(extra - added);
        added = extra;
        EXPECT_EQ(Run(begin), pages) << extra;
        EXPECT_EQ(voxa::MenuPaging.PageCount, static_cast<std::int32_t>(pages));
    }
}

TEST_F(MenuInputTest, OnePageSelectionStopsAtBothEnds) {
    Run(begin);
    SelectedRow() = 4;
    Input({.down = true});
    EXPECT_EQ(SelectedRow(), 4);
    SelectedRow() = 0;
    Input({.up = true});
    EXPECT_EQ(SelectedRow(), 0);
    Input({.down = true});
    EXPECT_EQ(SelectedRow(), 1);
}

TEST_F(MenuInputTest, MovingAcrossThePageBoundary) {
    Languages(6); // 11 rows
    Run(begin);
    SelectedRow() = 9;
    Input({.down = true});
    EXPECT_EQ(SelectedRow(), 10);
    EXPECT_EQ(voxa::MenuPaging.CurrentPage, 1);
    Input({.up = true});
    EXPECT_EQ(SelectedRow(), 9);
    EXPECT_EQ(voxa::MenuPaging.CurrentPage, 0);
}

TEST_F(MenuInputTest, ASelectionOffThePageComesBackAtTheEdgeItIsEnteredFrom) {
    Languages(20); // 25 rows
    Run(begin);
    ArrowsEnabled(true);
    for (const auto& [up, expected] : {std::pair{true, 19}, std::pair{false, 10}}) {
        voxa::MenuPaging.CurrentPage = 0;
        SelectedRow() = 3;
        voxa::MenuPaging.DownArrowHot = true;
        Input({});
        EXPECT_EQ(voxa::MenuPaging.CurrentPage, 1);
        EXPECT_FALSE(voxa::MenuPaging.DownArrowHot);
        EXPECT_EQ(SelectedRow(), 3) << "paging leaves the selection";
        Input({.up = up, .down = !up});
        EXPECT_EQ(SelectedRow(), expected);
        EXPECT_EQ(voxa::MenuPaging.CurrentPage, 1);
    }
}

TEST_F(MenuInputTest, HotArrowsTurnThePageOnlyWhileThePointerMayActAndStayInRange) {
    Languages(20);
    Run(begin);
    ArrowsEnabled(false);
    voxa::MenuPaging.DownArrowHot = voxa::MenuPaging.UpArrowHot = true;
    Input({});
    EXPECT_EQ(voxa::MenuPaging.CurrentPage, 0);
    EXPECT_FALSE(voxa::MenuPaging.DownArrowHot);
    EXPECT_FALSE(voxa::MenuPaging.UpArrowHot);
    ArrowsEnabled(true);
    // Each turn is checked: a page pushed past the end must stay on the last, not fall back.
    for (const int page : {1, 2, 2, 2}) {
        voxa::MenuPaging.DownArrowHot = true;
        Input({});
        EXPECT_EQ(voxa::MenuPaging.CurrentPage, page) << "the last page is 2";
    }
    for (const int page : {1, 0, 0, 0}) {
        voxa::MenuPaging.UpArrowHot = true;
        Input({});
        EXPECT_EQ(voxa::MenuPaging.CurrentPage, page);
    }
}

TEST_F(MenuInputTest, ThePointerSelectsARowOfThePageShown) {
    Languages(20);
    Run(begin);
    voxa::MenuPaging.CurrentPage = 1;
    Input({.overItem = true, .itemUnderCursor = 3});
    EXPECT_EQ(SelectedRow(), 13);
}

TEST_F(MenuInputTest, AcceptingARowSetsItsLanguageWithASound) {
    Languages(5);
    Run(begin);
    const std::pair<int, const char*> rows[] = {
        {1, "HostSetLanguage(2, 1)"}, {3, "HostSetLanguage(1, 1)"}, {7, "HostSetLanguage(7, 1)"}};
    for (const auto& [row, call] : rows) {
        SelectedRow() = row;
        Input({.accept = true});
        EXPECT_EQ(Effects(), (std::vector<std::string>{call, "HostPlayFrontendSound(2)"}));
    }
    sim::Data<std::int32_t>(HostMenuContext) = 10;
    SelectedRow() = 0;
    Input({.accept = true});
    EXPECT_EQ(Effects(), (std::vector<std::string>{"HostSetLanguage(0, 1)", "HostPlayFrontendSound(10)"}));
    for (int outside : {-1, 10, 11}) {
        SelectedRow() = outside;
        Input({.accept = true});
        EXPECT_TRUE(Effects().empty()) << outside;
    }
}

TEST_F(MenuInputTest, TheHostsQueriesInOrderAndTheMenuSound) {
    Run(begin);
    Input({.overItem = true, .aux = true});
    EXPECT_EQ(sim::Host().log,
              (std::vector<std::string>{"HostMenuUpPressed", "HostMenuDownPressed", "HostMenuCursorOverItem",
                                        "HostMenuItemUnderCursor", "HostMenuAuxInput",
                                        "HostPlayFrontendSound(10)", "HostMenuAcceptPressed"}));
    sim::Data<std::int32_t>(HostCursor + CursorAuxSoundOffset) = 1;
    Input({});
    EXPECT_EQ(Effects(), std::vector<std::string>{"HostPlayFrontendSound(10)"});
}

TEST_F(MenuInputTest, AChangedMarkerResetsPageAndSelectionUntilTheMenuBeginsAgain) {
    Languages(20);
    sim::Data<std::int32_t>(HostMenuMarker) = 4;
    Run(begin);
    voxa::MenuPaging.CurrentPage = 2;
    SelectedRow() = 21;
    EXPECT_EQ(Run(checkReset), 4u);
    EXPECT_EQ(SelectedRow(), 21);
    sim::Data<std::int32_t>(HostMenuMarker) = 5;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Run(checkReset), 4u);
        EXPECT_EQ(voxa::MenuPaging.CurrentPage, 0);
        EXPECT_EQ(SelectedRow(), 0);
        voxa::MenuPaging.CurrentPage = 1;
        SelectedRow() = 12;
    }
    Run(begin);
    EXPECT_EQ(Run(checkReset), 5u);
    EXPECT_EQ(SelectedRow(), 12);
}

TEST(MenuPaging, ThePageOfARowIsItsTenth) {
    for (std::int32_t row : {0, 9, 10, 19, 99, 12345, 13765924})
        EXPECT_EQ(voxa::PageOfRow(row), row / 10) << row;
}

} // namespace
