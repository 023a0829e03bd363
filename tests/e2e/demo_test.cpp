// The demo's account, run inside the end-to-end program: the text voxa-demo.exe prints.

#include "demo/demo_report.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

TEST(DemoTest, TellsWhatThePluginDoesForAPolishPlayer) {
    std::string report;
    ASSERT_NO_THROW(RunDemo(report)) << report;
    const char* expected[] = {
        "text conversion +3 of 3 places",
        "formatted text drawing +8 of 8 places",
        " +[0-9]+  Polski +\\(from VOXA\\)",
        "   2  Fran.+ais +\\(built in\\)",
        "primary language 21\\),\nso the game starts in Polski \\(index [0-9]+\\)",
        "  Page 2 of 2:\n      \\^ \\(more above\\)\n      Svenska\n      Turkce",
        "VOXA.Polski.DATA/PC_Text/polski.gxt",
        "VOXA.Polski.LEVELS/DOCKS/PC_Text/PC_DOCKS_PL.GXT",
        "for English: +Za#### g##l# ja## \\(#t#\\)",
        "for Polski: +Za#<F3>## g##l# ja## \\(<E9>t<E9>\\)",
        "56 font tables and 7 texture dictionaries",
        "voxa: reading the languages in <game>.VOXA.\n",
        "voxa: language [0-9]+: NameKey \"POLSKI\", folder Polski\n",
        "voxa: 7 extra languages found\n  voxa: build check passed: 42 rows written",
        "voxa: starting language: Windows language 0x0415 \\(primary language 21\\) gives NameKey \"POLSKI\"",
    };
    for (const char* line : expected)
        EXPECT_TRUE(std::regex_search(report, std::regex(line))) << "missing: " << line << "\n" << report;
}

} // namespace
