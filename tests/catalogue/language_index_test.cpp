#include "catalogue/language_index.h"
#include "core/startup_log.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

using voxa::CatalogueEntryForIndex;

int BuiltInAnswerForThisProcess();

class LanguageIndexTest : public ::testing::Test {
  protected:
    void SetUp() override { sim::ResetPlugin(); }
};

TEST_F(LanguageIndexTest, IndicesWithoutARecord) {
    EXPECT_EQ(CatalogueEntryForIndex(4), nullptr);
    EXPECT_EQ(CatalogueEntryForIndex(5), nullptr); // empty catalogue
    sim::AddLanguage("A");
    sim::AddLanguage("B");
    for (int index : {0, 4, -1, -5, 7, INT32_MIN, INT32_MAX})
        EXPECT_EQ(CatalogueEntryForIndex(index), nullptr) << index;
    EXPECT_EQ(CatalogueEntryForIndex(5)->NameKey, "A");
    EXPECT_EQ(CatalogueEntryForIndex(6)->NameKey, "B");
}

TEST_F(LanguageIndexTest, TheCurrentLanguageIsReadFromTheHostEachTime) {
    sim::AddLanguage("A");
    sim::AddLanguage("B").UseWholeAsciiTable = true;
    sim::SetLanguageIndex(6);
    EXPECT_EQ(voxa::CurrentLanguageRecord()->NameKey, "B");
    EXPECT_TRUE(voxa::CurrentLanguageUsesWholeAsciiTable());
    sim::SetLanguageIndex(5);
    EXPECT_FALSE(voxa::CurrentLanguageUsesWholeAsciiTable());
    for (int builtIn = 0; builtIn < 5; ++builtIn) {
        sim::SetLanguageIndex(builtIn);
        EXPECT_EQ(voxa::CurrentLanguageRecord(), nullptr);
        EXPECT_FALSE(voxa::CurrentLanguageUsesWholeAsciiTable());
    }
}

TEST_F(LanguageIndexTest, MenuRowsListTheBuiltInLanguagesInMenuOrder) {
    const int expected[] = {0, 2, 3, 1, 4};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(voxa::MenuRowToLanguage(row), expected[row]);
    // The first extra language's row is just past the built-in table.
    for (int extra : {5, 7})
        EXPECT_EQ(voxa::MenuRowToLanguage(extra), extra);
    EXPECT_EQ(voxa::MenuRowToLanguage(-1), -1);
}

// The built-in answer for this process's Windows language: German 1, Spanish 4, French 2,
// Italian 3, anything else 0.
int BuiltInAnswerForThisProcess() {
    switch (GetUserDefaultLangID() & 0x3FF) {
    case 7:
        return 1;
    case 10:
        return 4;
    case 12:
        return 2;
    case 16:
        return 3;
    default:
        return 0;
    }
}

TEST_F(LanguageIndexTest, TheSystemLanguageChoosesTheDefault) {
    // The test runs under several Windows languages; CTest says which answer it expects.
    if (const char* expected = std::getenv("VOXA_EXPECTED_DEFAULT")) {
        EXPECT_EQ(voxa::DefaultLanguageFromSystem(), std::atoi(expected));
    }
    EXPECT_EQ(voxa::DefaultLanguageFromSystem(), BuiltInAnswerForThisProcess());
    // The log names the built-in language chosen, once.
    static const char* const kNames[] = {"English", "German", "French", "Italian", "Spanish"};
    sim::TempFolder temp;
    std::string text;
    ASSERT_TRUE(sim::WriteKeptLog(temp, text));
    char line[160];
    std::snprintf(
        line, sizeof line,
        "voxa: starting language: Windows language 0x%04X (primary language %d) gives %s (index %d, "
        "built in)\r\n",
        GetUserDefaultLangID(), GetUserDefaultLangID() & 0x3FF, kNames[BuiltInAnswerForThisProcess()],
        BuiltInAnswerForThisProcess());
    EXPECT_EQ(text, line);
    sim::AddLanguage("NONE", -1);
    sim::AddLanguage("OTHER", 0x3FF - 1); // no real primary language
    EXPECT_EQ(voxa::DefaultLanguageFromSystem(), BuiltInAnswerForThisProcess());
}

TEST_F(LanguageIndexTest, TheFirstMatchingRecordWins) {
    const int primary = GetUserDefaultLangID() & 0x3FF;
    sim::AddLanguage("NONE", -1);
    sim::AddLanguage("OTHER", primary + 1);
    sim::AddLanguage("MATCH", primary);
    sim::AddLanguage("ALSO", primary);
    EXPECT_EQ(voxa::DefaultLanguageFromSystem(), 7);
    // The full language id never matches, only the primary language.
    voxa::LanguageCatalogue[2].WindowsLangID = GetUserDefaultLangID();
    voxa::LanguageCatalogue[3].WindowsLangID = -1;
    if (GetUserDefaultLangID() != primary) {
        EXPECT_EQ(voxa::DefaultLanguageFromSystem(), BuiltInAnswerForThisProcess());
    }
}

TEST_F(LanguageIndexTest, ARecordForAnySystemLanguageWinsFromItsPlace) {
    sim::AddLanguage("ANY", 0);
    sim::AddLanguage("THIS", GetUserDefaultLangID() & 0x3FF);
    EXPECT_EQ(voxa::DefaultLanguageFromSystem(), 5);
}

} // namespace
