#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"
#include "text/language_names.h"

#include <gtest/gtest.h>

namespace {

class LanguageNamesTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string root = temp.path() + "game";
    std::string language = temp.MakeFolder("VOXA\\Polski");

    void SetUp() override {
        sim::ResetPlugin(root, "LEVELS/");
        temp.WriteFile("game\\PC_Text\\PC_ENGLISH.GXT", "ENG=English\nFRA=wrong\n");
        temp.WriteFile("game\\PC_Text\\PC_GERMAN.GXT", "GER=Deutsch\nFRA=wrong\n");
        temp.WriteFile("game\\PC_Text\\PC_FRENCH.GXT", "FRA=Fran\xE7"
                                                       "ais\nGER=wrong\n");
        temp.WriteFile("game\\PC_Text\\PC_ITALIAN.GXT", "ITA=Italiano\n");
        temp.WriteFile("game\\PC_Text\\PC_SPANISH.GXT", "ESP=Espa\xF1ol\n");
    }

    voxa::LanguageRecord& AddExtra(const std::string& nameKey, const std::string& gameName,
                                   const std::string& text) {
        voxa::LanguageRecord& record = sim::AddLanguage(nameKey);
        record.TextDirectory = language;
        record.GameGXTName = gameName;
        if (!text.empty())
            temp.WriteFile("VOXA\\Polski\\" + gameName, text);
        return record;
    }
};

TEST_F(LanguageNamesTest, BuiltInNamesInMenuOrderFromEachLanguagesOwnFile) {
    voxa::BuildLanguageNames();
    const std::wstring expected[] = {L"English",
                                     L"Fran\xE7"
                                     L"ais",
                                     L"Italiano", L"Deutsch", L"Espa\xF1ol"};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(std::wstring(voxa::BuiltInLanguageNames[row]), expected[row]) << row;
    EXPECT_EQ(sim::Host().textLoads[1], root + "/PC_Text/PC_FRENCH.GXT");
    EXPECT_EQ(sim::Host().textLoads[3], root + "/PC_Text/PC_GERMAN.GXT");
    EXPECT_EQ(sim::Host().liveStrings, 0);
    EXPECT_TRUE(sim::Host().tables.empty()) << "every temporary table destroyed";
}

TEST_F(LanguageNamesTest, ExtraLanguagesFirstFromTheirGameTextOrElseTheirKey) {
    AddExtra("POLSKI", "polski.gxt", "POLSKI=Polski\nOTHER=x\n");
    AddExtra("\xC4\xD6\x01KEY", "nokey.gxt", "OTHER=x\n");
    AddExtra("MISSING", "missing.gxt", "");
    voxa::BuildLanguageNames();
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[0].displayName), L"Polski");
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[1].displayName), L"\xC4\xD6\x01KEY")
        << "bytes widened by value, a control byte as well";
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[2].displayName), L"MISSING");
    ASSERT_EQ(sim::Host().textLoads.size(), 8u);
    EXPECT_EQ(sim::Host().textLoads[0], language + "polski.gxt");
    EXPECT_EQ(sim::Host().textLoads[3], root + "/PC_Text/PC_ENGLISH.GXT");
    // Each temporary table readied as the host readies an empty one.
    for (const auto& bytes : sim::Host().tableBytesAtLoad) {
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 16),
                  std::vector<std::uint8_t>(16, 0));
        EXPECT_EQ(bytes[16], 0x65);
    }
    EXPECT_EQ(sim::Host().liveStrings, 0);
    // Each temporary table destroyed: the next one lies at the same address, so an empty map
    // of live tables alone would not show one left loaded.
    EXPECT_EQ(sim::Host().tableDestroys, 8);
    EXPECT_TRUE(sim::Host().tables.empty());
}

TEST_F(LanguageNamesTest, ASkippedLanguageOpensNoFileYetShowsItsKey) {
    AddExtra("NOGAME", "", "");
    sim::AddLanguage("NOFOLDER").GameGXTName = "x.gxt";
    voxa::BuildLanguageNames();
    EXPECT_EQ(sim::Host().textLoads.size(), 5u) << "only the built-in files";
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[0].displayName), L"NOGAME");
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[1].displayName), L"NOFOLDER");
}

TEST_F(LanguageNamesTest, NamesUpTo63CharactersAreKeptWholeLongerOnesCut) {
    const std::string name63(63, 'n'), name64(64, 'm'), key300(300, 'k');
    AddExtra("K63", "a.gxt", "K63=" + name63 + "\n");
    AddExtra("K64", "b.gxt", "K64=" + name64 + "\n");
    AddExtra(key300, "c.gxt", "OTHER=x\n");
    voxa::BuildLanguageNames();
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[0].displayName), std::wstring(63, L'n'));
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[1].displayName), std::wstring(63, L'm'));
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[2].displayName), std::wstring(63, L'k'));
}

TEST_F(LanguageNamesTest, WithNoExtraLanguagesOnlyTheBuiltInNamesAreMade) {
    voxa::BuildLanguageNames();
    EXPECT_EQ(sim::Host().textLoads.size(), 5u);
}

} // namespace
