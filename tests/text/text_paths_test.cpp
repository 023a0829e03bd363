#include "fonts/font_data.h"
#include "simhost/host_code.h"
#include "simhost/host_sites.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"
#include "text/text_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace host::addr;
using sim::Address;

Address Ptr(const void* p) {
    return reinterpret_cast<Address>(p);
}

constexpr Address kGameTable = sim::kGameTextTable; // text tables of the host's own
constexpr Address kLevelTable = sim::kLevelTextTable;

class TextPathsTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string language = temp.MakeFolder("VOXA\\Polski");
    Address gameEntry = 0, levelEntry = 0;
    const char* hostGamePath = nullptr;
    const char* hostLevelPath = nullptr;

    void SetUp() override {
        sim::ResetPlugin("ROOT", "LEVELS/");
        sim::SetCurrentLevel(3, "HARBOUR");
        // The host's own files, absent until a test writes them.
        hostGamePath = sim::ScratchText((temp.path() + "ENGLISH.GXT").c_str());
        hostLevelPath = sim::ScratchText((temp.path() + "LEVEL.GXT").c_str());
        gameEntry = sim::EmitCallSite(host::site::GameTextLoadCall, HostTextTableLoad,
                                      {kGameTable, {Ptr(hostGamePath)}, true});
        levelEntry = sim::EmitCallSite(host::site::LevelTextLoadCall, HostTextTableLoad,
                                       {kLevelTable, {Ptr(hostLevelPath)}, true});
        ASSERT_TRUE(sim::InstallPluginPatches());
    }

    voxa::LanguageRecord& AddPolski(const std::string& textDirectory,
                                    const std::string& gameName = "polski.gxt",
                                    const std::string& postfix = "_PL") {
        voxa::LanguageRecord& record = sim::AddLanguage("POLSKI");
        record.TextDirectory = textDirectory;
        record.GameGXTName = gameName;
        record.LevelGXTPostfix = postfix;
        return record;
    }

    // Runs the host's load at the site; returns the byte in AL and the path the host loaded.
    std::pair<std::uint8_t, std::string> Load(Address entry) {
        sim::Host().textLoads.clear();
        const sim::HostCodeRun run = sim::RunHostCode(entry);
        EXPECT_TRUE(run.stackBalanced) << "the hook removes the path argument itself";
        EXPECT_TRUE(run.registersKept);
        EXPECT_EQ(sim::Host().liveStrings, 0) << "every host string destroyed";
        EXPECT_EQ(sim::Host().textLoads.size(), 1u);
        return {static_cast<std::uint8_t>(run.eax),
                sim::Host().textLoads.empty() ? "" : sim::Host().textLoads[0]};
    }
};

TEST_F(TextPathsTest, AnExtraLanguageLoadsItsOwnFilesFromTheResolvedFolder) {
    AddPolski(language + "%GAMEPATH%");
    sim::Language(0).DataFile = temp.WriteFile("pl.dat", "2 2 2 2 2 2 2 2");
    voxa::LoadLanguageFontData();
    const std::uint32_t polskiFonts = sim::Language(0).fontData->block.headWord0;
    sim::SetLanguageIndex(5);
    temp.WriteFile("VOXA\\Polski\\ROOT\\PC_Text\\polski.gxt", "POLSKI=Polski\n");
    temp.WriteFile("VOXA\\Polski\\LEVELS\\HARBOUR\\PC_Text\\PC_HARBOUR_PL.GXT", "L=l\n");
    std::memset(&voxa::HostFontData(), 0x11, sizeof(voxa::FontDataBlock));
    EXPECT_EQ(Load(gameEntry), std::make_pair(std::uint8_t{1}, language + "ROOT/PC_Text/polski.gxt"));
    EXPECT_EQ(sim::Host().textLoadTables, std::vector<void*>{reinterpret_cast<void*>(kGameTable)});
    EXPECT_EQ(sim::Host().fontHeadAtTextLoad, std::vector<std::uint32_t>{polskiFonts})
        << "the language's fonts are in place before its text loads";

    // The level text goes into the level's own table, and leaves the fonts alone.
    sim::Host().textLoadTables.clear();
    std::memset(&voxa::HostFontData(), 0x11, sizeof(voxa::FontDataBlock));
    EXPECT_EQ(Load(levelEntry),
              std::make_pair(std::uint8_t{1}, language + "LEVELS/HARBOUR/PC_Text/PC_HARBOUR_PL.GXT"));
    EXPECT_EQ(sim::Host().textLoadTables, std::vector<void*>{reinterpret_cast<void*>(kLevelTable)});
    EXPECT_EQ(voxa::HostFontData().headWord0, 0x11111111u) << "a level load applies no language";
    EXPECT_EQ(sim::Host().tables[reinterpret_cast<void*>(kLevelTable)]["L"], L"l");
    std::remove((language + "LEVELS\\HARBOUR\\PC_Text\\PC_HARBOUR_PL.GXT").c_str());
    EXPECT_EQ(Load(levelEntry).first, 0) << "a served level load that fails says so";
}

TEST_F(TextPathsTest, TheResultOfTheLoadComesBackInAL) {
    AddPolski(language);
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Load(gameEntry).first, 0) << "no such file: the load fails, with no second try";
    temp.WriteFile("VOXA\\Polski\\polski.gxt", "POLSKI=Polski\n");
    EXPECT_EQ(Load(gameEntry), std::make_pair(std::uint8_t{1}, language + "polski.gxt"));
}

TEST_F(TextPathsTest, AFolderWithoutThePlaceholderIsUsedAsItIs) {
    AddPolski("D:\\texts", "pl.gxt", "");
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Load(gameEntry).second, "D:\\textspl.gxt") << "no separator of our own";
    EXPECT_EQ(Load(levelEntry).second, "D:\\textsPC_HARBOUR.GXT");
}

TEST_F(TextPathsTest, EveryPlaceholderIsReplacedAndOnlyInItsOwnCase) {
    AddPolski("%GAMEPATH%|%GAMEPATH%|%gamepath%|");
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Load(gameEntry).second, "ROOT/PC_Text/|ROOT/PC_Text/|%gamepath%|polski.gxt");
}

TEST_F(TextPathsTest, APlaceholderInsideTheReplacementIsNotReplacedAgain) {
    voxa::LanguageRecord record;
    record.TextDirectory = "A%GAMEPATH%B%GAMEPATH%";
    EXPECT_EQ(voxa::ResolveTextDirectory(record, "<%GAMEPATH%>"), "A<%GAMEPATH%>B<%GAMEPATH%>");
    EXPECT_EQ(voxa::ResolveTextDirectory(record, ""), "AB");
    // From the host: a level named like the placeholder.
    AddPolski("%GAMEPATH%");
    sim::SetCurrentLevel(3, "%GAMEPATH%");
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Load(levelEntry).second, "LEVELS/%GAMEPATH%/PC_Text/PC_%GAMEPATH%_PL.GXT");
}

TEST_F(TextPathsTest, ALevelNameThatFillsItsEntryIsReadNoFurther) {
    AddPolski("");
    voxa::LanguageCatalogue[0].TextDirectory = "T/";
    sim::SetCurrentLevel(1, std::string(20, 'L'));
    sim::Data<char>(HostLevelNames + 40) = 'X'; // the next entry follows without a NUL
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Load(levelEntry).second, "T/PC_" + std::string(20, 'L') + "_PL.GXT");
}

TEST_F(TextPathsTest, BuiltInLanguagesPassTheHostsCallThroughButStillApplyTheirFonts) {
    AddPolski(language);
    const char* hostFonts = sim::ScratchText(temp.WriteFile("host.dat", "1 1 1 1 1 1 1 1").c_str());
    ASSERT_EQ(voxa::FontDataLoadHook(hostFonts), 1);
    const voxa::FontDataBlock hostBlock = voxa::HostFontData();
    std::memset(&voxa::HostFontData(), 0x11, sizeof hostBlock);
    for (int index : {0, 4, -1, 6, 1000}) {
        sim::SetLanguageIndex(index);
        // The host's own result comes back unchanged: a failure, then a success.
        EXPECT_EQ(Load(gameEntry), std::make_pair(std::uint8_t{0}, std::string(hostGamePath))) << index;
        EXPECT_EQ(std::memcmp(&voxa::HostFontData(), &hostBlock, sizeof hostBlock), 0)
            << "fonts applied first";
        EXPECT_EQ(sim::Host().fontHeadAtTextLoad.back(), hostBlock.headWord0);
        std::memset(&voxa::HostFontData(), 0x11, sizeof hostBlock);
        EXPECT_EQ(Load(levelEntry), std::make_pair(std::uint8_t{0}, std::string(hostLevelPath))) << index;
        EXPECT_EQ(voxa::HostFontData().headWord0, 0x11111111u) << "a level load applies no language";
    }
    temp.WriteFile("ENGLISH.GXT", "ENG=English\n");
    temp.WriteFile("LEVEL.GXT", "L=l\n");
    EXPECT_EQ(Load(gameEntry).first, 1);
    EXPECT_EQ(Load(levelEntry).first, 1);
}

TEST_F(TextPathsTest, WithoutAGameTextNameTheGameTextIsTheHostsButTheLevelTextIsNot) {
    AddPolski(language, "");
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Load(gameEntry).second, hostGamePath);
    EXPECT_EQ(Load(levelEntry).second, language + "PC_HARBOUR_PL.GXT");
    voxa::LanguageCatalogue[0].TextDirectory.clear();
    EXPECT_EQ(Load(levelEntry).second, hostLevelPath);
}

TEST_F(TextPathsTest, RunningOutOfMemoryWhileAPathIsBuiltServesTheHostsOwnRequest) {
    AddPolski(language + "%GAMEPATH%");
    sim::SetLanguageIndex(5);
    for (Address entry : {gameEntry, levelEntry}) {
        const std::string hostPath = entry == gameEntry ? hostGamePath : hostLevelPath;
        for (long after = 0; after < 6; ++after) {
            sim::Host().textLoads.clear();
            sim::StartCounting();
            sim::FailAllocation(after);
            const sim::HostCodeRun run = sim::RunHostCode(entry);
            sim::FailAllocation(-1);
            EXPECT_TRUE(run.stackBalanced && run.registersKept);
            EXPECT_EQ(sim::Host().liveStrings, 0);
            ASSERT_EQ(sim::Host().textLoads.size(), 1u);
            const std::string loaded = sim::Host().textLoads[0];
            EXPECT_TRUE(loaded == hostPath || loaded.rfind(language, 0) == 0) << after << ": " << loaded;
            if (after == 0) {
                EXPECT_EQ(loaded, hostPath);
            }
        }
    }
}

} // namespace
