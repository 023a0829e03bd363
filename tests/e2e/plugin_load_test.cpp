// The real voxa.asi loaded with LoadLibrary into the simulated host, from a game folder with
// a VOXA folder of several languages, and driven through the patched sites only: every row
// reaches its routine, wherever the plug-in is loaded, and the host lives from start-up to
// shutdown on it.

#include "plugin_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace e2e {
namespace {

using namespace host::addr;
namespace s = host::site;

TEST_F(PluginTest, EveryRowIsWrittenAndReachesThePlugin) {
    Load();
    ExpectEveryRow();
}

// The host's routines and data as the build has them, written out by hand: the plug-in and
// the simulated game both take them from the host interface, so only this catches a wrong
// digit there. The life test below shows that the plug-in calls exactly these.
TEST(HostInterface, AddressesAreTheBuildsOwn) {
    const std::pair<Address, Address> addresses[] = {
        {HostAllocator, 0x67D000},
        {HostMemAlloc, 0x401350},
        {HostMemFree, 0x401B00},
        {HostLoadFontData, 0x5F6AA0},
        {HostLoadTextureDictionary, 0x4777D0},
        {HostReleaseTextureDictionary, 0x62F340},
        {HostFindTexture, 0x62F660},
        {HostTextTableLoad, 0x4933E0},
        {HostTextTableGet, 0x4937E0},
        {HostTextTableFind, 0x493830},
        {HostTextTableDestroy, 0x493900},
        {HostStringCopy, 0x4F2400},
        {HostStringFromText, 0x4F2550},
        {HostStringAppend, 0x4F2A40},
        {HostStringAppendString, 0x4F2A90},
        {HostStringDestroy, 0x4F2520},
        {HostStartupInit, 0x5F64F0},
        {HostShutdown, 0x5F6D50},
        {HostDrawString, 0x5E5980},
        {HostDrawHelper, 0x5DDC20},
        {HostMenuUpPressed, 0x5D8A10},
        {HostMenuDownPressed, 0x5D8AA0},
        {HostMenuCursorOverItem, 0x5DACC0},
        {HostMenuItemUnderCursor, 0x5DAD00},
        {HostMenuAuxInput, 0x5D8C60},
        {HostMenuAcceptPressed, 0x5D8B30},
        {HostPlayFrontendSound, 0x5D7A40},
        {HostSetLanguage, 0x604DA0},
        {HostMenuDrawTitle, 0x5D5740},
        {HostFontHeight, 0x5FBFC0},
        {HostTextWidth, 0x5E5670},
        {HostSetTextColour, 0x5D7AA0},
        {HostMenuDefaultTextColour, 0x5D7BC0},
        {HostDrawNarrowText, 0x5E55E0},
        {HostMenuDrawItem, 0x5D55C0},
        {HostMenuTrackItem, 0x5D5B30},
        {HostMenuDrawButtonLabels, 0x5D5BB0},
        {HostSettings, 0x7D6AE0},
        {LanguageIndexOffset, 16},
        {MainTextTable, 0x725A38},
        {HostFontDataBlock, 0x7D2B7C},
        {FontTextureSlot0, 0x7D38D8},
        {FontTextureSlot1, 0x7D38DC},
        {FontTextureSlot2, 0x7D38E0},
        {FontTextureSlot3, 0x7D38E4},
        {HostFontDictionaryA, 0x7D366C},
        {HostFontDictionaryB, 0x7D3590},
        {HostFontDictionaryC, 0x7C8704},
        {HostTextRoot, 0x7395BC},
        {HostLevelRoot, 0x7394A4},
        {HostCurrentLevel, 0x75622C},
        {HostLevelNames, 0x756034},
        {HostLanguageFileParts, 0x739664},
        {HostLanguageFilePartSize, 8},
        {HostNarrowBuffer, 0x725E64},
        {HostWideBuffer, 0x725A60},
        {HostPrintBuffer, 0x7D3038},
        {HostSelectedRow, 0x7C87B4},
        {HostMenuMarker, 0x7C86F8},
        {HostMenuContext, 0x7C8700},
        {HostCursor, 0x7C8F70},
        {CursorPointerXOffset, 80},
        {CursorPointerYOffset, 84},
        {HostHighlightFlag, 0x7C8E44},
        {HostMenuX, 0x7C8718},
        {HostMenuY, 0x7C871C},
        {HostMenuRowScaleX, 0x7C8720},
        {HostMenuRowScaleY, 0x7C8724},
        {HostMenuRowSpacing, 0x7C8728},
        {HostMenuArrowGap, 0x7C8734},
        {HostCursor + CursorArrowsEnabledOffset, 0x7C8FE4},
        {HostCursor + CursorAuxSoundOffset, 0x7C8F9C},
    };
    for (std::size_t i = 0; i < std::size(addresses); ++i)
        EXPECT_EQ(addresses[i].first, addresses[i].second)
            << "entry " << i << std::hex << " 0x" << addresses[i].second;
    // The sites in the interface are the same as those the table above expects written.
    const Address interfaceSites[] = {s::WideToNarrowEntry,
                                      s::NarrowToWideSharedEntry,
                                      s::NarrowToWideEntry,
                                      s::TextLoadRangeBranch,
                                      s::GameTextLoadCall,
                                      s::LevelTextLoadCall,
                                      s::LanguageMenuBeginEntry,
                                      s::LanguageMenuCheckResetEntry,
                                      s::LanguageMenuInputEntry,
                                      s::LanguageMenuDrawEntry,
                                      s::FindTextureCallA,
                                      s::FindTextureCallB,
                                      s::FindTextureCallC,
                                      s::FindTextureCallD,
                                      s::FontDataLoadCall,
                                      s::StartupInitCall,
                                      s::ShutdownCall,
                                      s::DefaultLanguageCall,
                                      s::DefaultLanguageResultMove,
                                      s::DefaultLanguageSkip,
                                      s::FormatSceneLabelEntry,
                                      s::DrawArgumentPushA,
                                      s::DrawHelperCallA,
                                      s::DrawArgumentPushB,
                                      s::DrawFormattedCall1,
                                      s::DrawFramePushA,
                                      s::DrawHelperCallB,
                                      s::DrawFormatOperand,
                                      s::DrawFramePushB,
                                      s::DrawFormattedCall2,
                                      s::DrawStackPush3,
                                      s::DrawFormattedCall3,
                                      s::DrawStackPush4,
                                      s::DrawFormattedCall4,
                                      s::DrawStackPush5,
                                      s::DrawFormattedCall5,
                                      s::DrawStackPush6,
                                      s::DrawFormattedCall6,
                                      s::DrawStackPush7,
                                      s::DrawFormattedCall7,
                                      s::DrawStackPush8,
                                      s::DrawFormattedCall8};
    ASSERT_EQ(std::size(interfaceSites), ExpectedRows().size());
    for (std::size_t row = 0; row < ExpectedRows().size(); ++row)
        EXPECT_EQ(interfaceSites[row], ExpectedRows()[row].site) << "row " << row + 1;
}

TEST_F(PluginTest, LoadedAwayFromItsPreferredBaseEveryRowStillLandsOnItsRoutine) {
    Load();
    std::map<std::string, Address> offsets;
    for (const auto& [routine, addresses] : Targets())
        offsets[routine] = *addresses.begin() - plugin.base;
    const Address formatOffset = sim::Data<Address>(s::DrawFormatOperand) - plugin.base;
    sim::UnloadPlugin(plugin);
    SetUp();

    Load(true);
    EXPECT_NE(plugin.base, plugin.preferredBase);
    ExpectEveryRow();
    for (const auto& [routine, addresses] : Targets())
        EXPECT_EQ(*addresses.begin() - plugin.base, offsets[routine]) << routine;
    EXPECT_EQ(sim::Data<Address>(s::DrawFormatOperand) - plugin.base, formatOffset);
    // And the relocated plug-in works: a conversion, start-up, and the shutdown hook's jump
    // on into the host's routine.
    EXPECT_EQ(sim::HostNarrows(L"ok"), "ok");
    sim::RunChecked(sites.startup);
    EXPECT_EQ(sim::RunChecked(sites.shutdown).eax, 0x5EED5EEDu);
    EXPECT_EQ(sim::Host().log.back(), "HostShutdown");
}

TEST_F(PluginTest, TheHostsLifeFromStartUpToShutdown) {
    Load();
    sim::FakeHost& host = sim::Host();
    const int polski = IndexOf("Polski");
    const int cestina = IndexOf("Cestina");

    // Start-up: the host's routine with its object, then names, dictionaries, language fonts.
    sim::RunChecked(sites.startup);
    EXPECT_EQ(host.startupEcx, reinterpret_cast<void*>(0x0BADF00D));
    EXPECT_EQ(host.dictionaryLoads, std::vector<std::string>{game + "VOXA\\Polski\\polski.txd"});
    EXPECT_EQ(host.fontLoads, std::vector<std::string>{game + "VOXA\\Polski\\polski.dat"});
    EXPECT_EQ(host.textLoads[0], game + "VOXA\\Polski\\DATA/PC_Text/polski.gxt");
    EXPECT_EQ(sim::RunChecked(sites.hostFontLoad).eax & 0xFF, 1u);
    const std::uint32_t hostFontHead = sim::Data<std::uint32_t>(HostFontDataBlock);

    // The default language: this test runs with the Windows language set to Polish.
    const std::uint32_t chosen = sim::RunChecked(sites.defaultLanguage).eax;
    ASSERT_EQ(GetUserDefaultLangID() & 0x3FF, 21) << "plugin_tests runs under LC_ALL=pl_PL.UTF-8";
    {
        EXPECT_EQ(chosen, static_cast<std::uint32_t>(polski));
        char line[160];
        std::snprintf(
            line, sizeof line,
            "starting language: Windows language 0x%04X (primary language 21) gives NameKey \"POLSKI\" "
            "(index %d, by its WindowsLangID)",
            GetUserDefaultLangID(), polski);
        EXPECT_TRUE(Has(Log(), line)) << Log();
    }
    sim::SetLanguageIndex(0);

    // The menu: seven rows on one page; the pointer over Polski's row, accepted.
    sim::Data<float>(HostMenuX) = 10.0f;
    sim::Data<float>(HostMenuRowSpacing) = 20.0f;
    EXPECT_EQ(sim::RunChecked(sites.menuBegin).eax, 1u);
    sim::RunChecked(sites.menuCheckReset);
    host.menu = {.overItem = true, .accept = true, .itemUnderCursor = polski};
    EXPECT_EQ(sim::RunChecked(sites.menuInput).eax & 0xFF, 1u);
    EXPECT_EQ(sim::Data<std::int32_t>(HostSettings + LanguageIndexOffset), polski);
    host.menu = {};
    host.drawnItems.clear();
    sim::RunChecked(sites.menuDraw);
    ASSERT_EQ(host.drawnItems.size(), 7u);
    EXPECT_EQ(host.drawnItems[polski].text, L"Polski");
    EXPECT_EQ(host.drawnItems[polski].selected, 1);
    EXPECT_EQ(host.drawnItems[cestina].text, L"CESTINA");
    EXPECT_NE(host.drawnItems[polski].fontHeadWord, hostFontHead) << "Polski's row in Polski's fonts";
    EXPECT_EQ(host.drawnItems[0].fontHeadWord, hostFontHead);
    EXPECT_NE(sim::Data<std::uint32_t>(HostFontDataBlock), hostFontHead)
        << "the current language's fonts after";

    // Text loads for the chosen language.
    host.textLoads.clear();
    EXPECT_EQ(sim::RunChecked(sites.gameTextLoad).eax & 0xFF, 1u);
    sim::SetCurrentLevel(2, "HARBOUR");
    sim::RunChecked(sites.levelTextLoad);
    EXPECT_EQ(host.textLoads,
              (std::vector<std::string>{game + "VOXA\\Polski\\DATA/PC_Text/polski.gxt",
                                        game + "VOXA\\Polski\\LEVELS/HARBOUR/PC_Text/PC_HARBOUR_PL.GXT"}));

    // Texture lookups find Polski's font texture first.
    for (Address lookup : sites.findTexture) {
        auto* texture = reinterpret_cast<sim::FakeTexture*>(sim::RunChecked(lookup).eax);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->dictionaryTag, host.dictionaries.back()->tag) << "Polski's own dictionary";
    }

    // Conversions: Polski keeps its characters from 128 to 255.
    EXPECT_EQ(sim::HostNarrows(L"Za\xF3\x142\x107"), "Za\xF3##");
    EXPECT_EQ(std::wstring(sim::HostWidensShared("\xF3k", 2)), L"\xF3k");
    EXPECT_EQ(sim::HostWidens("\xB3\xF3"), L"\xB3\xF3");

    // Formatted drawing at the eight sites, and the scene label.
    const wchar_t* frameText = sim::ScratchWideText(L"Kasia");
    for (int path = 1; path <= 8; ++path) {
        host.drawnStrings.clear();
        const sim::HostCodeRun run =
            sim::RunChecked(sites.drawFormatted[path - 1], reinterpret_cast<std::uint32_t>(frameText));
        EXPECT_EQ(run.eax, 0x77u);
        ASSERT_EQ(host.drawnStrings.size(), 1u) << path;
        EXPECT_EQ(host.drawnStrings[0], sim::ExpectedDrawnText(path, L"Kasia")) << path;
        EXPECT_EQ(host.drawStringFloats,
                  (std::vector<float>{sim::kDrawFloats[0], sim::kDrawFloats[1], sim::kDrawFloats[2],
                                      sim::kDrawFloats[3], 0.0f}));
    }
    host.tables[reinterpret_cast<void*>(MainTextTable)]["SCENE"] = L"Scena";
    EXPECT_EQ(sim::HostSceneLabel(6), L"Scena 7");

    // Shutdown: fonts freed, dictionaries released, then the host's own routine.
    host.log.clear();
    EXPECT_EQ(sim::RunChecked(sites.shutdown).eax, 0x5EED5EEDu);
    EXPECT_EQ(host.shutdownArgs[0], 11u);
    EXPECT_EQ(host.shutdownArgs[1], 22u);
    EXPECT_EQ(host.shutdownEcx, reinterpret_cast<void*>(0xC0FFEE));
    EXPECT_EQ(host.log.back(), "HostShutdown");
    EXPECT_EQ(host.releasedDictionaries.size(), 1u);
    EXPECT_EQ(sim::Data<std::uint32_t>(HostFontDataBlock), hostFontHead) << "the host's own font data back";
    EXPECT_EQ(host.complaints, std::vector<std::string>{}) << "every host routine called on its own object";
}

} // namespace
} // namespace e2e
