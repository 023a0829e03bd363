#include "catalogue/catalogue.h"
#include "catalogue/discovery.h"
#include "catalogue/language_index.h"
#include "core/startup_log.h"
#include "fonts/font_data.h"
#include "menu/menu_state.h"
#include "plugin/entry.h"
#include "plugin/patch_table.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"
#include "text/language_names.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> HostImageSnapshot() {
    return sim::ReadBytes(sim::kImageStart, sim::kScratchStart - sim::kImageStart);
}

TEST(PluginEntry, ReasonsOtherThanProcessAttachWriteNothingAndSucceed) {
    sim::ResetPlugin();
    const auto before = HostImageSnapshot();
    for (DWORD reason : {DLL_PROCESS_DETACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(voxa::PluginEntry(nullptr, reason, nullptr), TRUE);
        EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    }
    EXPECT_TRUE(HostImageSnapshot() == before);
}

TEST(PluginEntry, ProcessAttachPatchesEveryRowEvenWithNoLanguages) {
    sim::ResetPlugin();
    sim::StartCounting();
    EXPECT_EQ(voxa::PluginEntry(nullptr, DLL_PROCESS_ATTACH, nullptr), TRUE);
    // The build puts voxa.asi beside the test program: the search that finds it must be closed.
    EXPECT_EQ(sim::Counted().openSearches, 0);
    // The test program has no VOXA folder beside it.
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    EXPECT_EQ(voxa::Discovery.listing, voxa::ListingOutcome::NoSuchFolder);
    using enum voxa::PatchKind;
    for (const voxa::PatchEntry& row : voxa::PatchTable()) {
        const auto at = sim::ReadBytes(row.site, 5);
        switch (row.kind) {
        case CallToPlugin:
        case JumpToPlugin:
        case HostInternalCall:
        case HostInternalJump:
            EXPECT_EQ(at[0], row.kind == CallToPlugin || row.kind == HostInternalCall ? 0xE8 : 0xE9)
                << std::hex << row.site;
            EXPECT_EQ(sim::BranchTarget(row.site), row.kind == CallToPlugin || row.kind == JumpToPlugin
                                                       ? reinterpret_cast<sim::Address>(row.plugin)
                                                       : row.hostTarget)
                << std::hex << row.site;
            break;
        case Raw2:
        case Raw5:
            EXPECT_EQ(std::vector<std::uint8_t>(at.begin(), at.begin() + voxa::PatchLength(row.kind)),
                      std::vector<std::uint8_t>(row.bytes, row.bytes + voxa::PatchLength(row.kind)))
                << std::hex << row.site;
            break;
        case Pointer:
            EXPECT_EQ(sim::Data<sim::Address>(row.site), reinterpret_cast<sim::Address>(row.plugin))
                << std::hex << row.site;
            break;
        }
    }
}

// Every piece of the plug-in's state as before start-up, the log keeping its lines again.
void ExpectFreshState() {
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    EXPECT_TRUE(voxa::Discovery.languagesPath.empty());
    EXPECT_TRUE(voxa::Discovery.folders.empty());
    EXPECT_EQ(voxa::defaultFontData, nullptr);
    EXPECT_FALSE(voxa::startingLanguageLogged);
    EXPECT_EQ(voxa::MenuPaging.PageCount, 0);
    EXPECT_EQ(voxa::MenuPaging.CurrentPage, 0);
    EXPECT_EQ(voxa::MenuPaging.RecordedMenuMarker, -1);
    EXPECT_FALSE(voxa::MenuPaging.UpArrowHot || voxa::MenuPaging.DownArrowHot);
    for (const auto& name : voxa::BuiltInLanguageNames)
        EXPECT_EQ(name[0], L'\0');
    // A line now is kept for the next log, not appended to the last one.
    sim::TempFolder temp;
    voxa::LogLine("fresh");
    std::string text;
    ASSERT_TRUE(sim::WriteKeptLog(temp, text));
    EXPECT_EQ(text, "voxa: fresh\r\n");
}

TEST(PluginState, OneResetPutsBackEverythingAStartUpLeft) {
    sim::ResetPlugin();
    ExpectFreshState();
    sim::ResetPlugin();
    sim::AddLanguage("POLSKI", GetUserDefaultLangID() & 0x3FF);
    EXPECT_EQ(voxa::PluginEntry(nullptr, DLL_PROCESS_ATTACH, nullptr), TRUE); // logs, discovers, patches
    EXPECT_EQ(voxa::DefaultLanguageFromSystem(), 5);
    voxa::LanguageMenuBegin();
    voxa::MenuPaging.UpArrowHot = true;
    voxa::MenuPaging.CurrentPage = 1;
    voxa::BuiltInLanguageNames[0][0] = L'E';
    EXPECT_FALSE(voxa::Discovery.languagesPath.empty());
    sim::ResetPlugin();
    ExpectFreshState();
}

} // namespace
