// A language's files that the game's own loaders reject, named in voxa.log with their paths.

#include "plugin_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace e2e {
namespace {

// Each file of a language that the game rejects is named with its path: those of start-up
// once each, a text file the first time it fails only, however often the game asks again.
TEST_F(PluginTest, FilesTheGameCouldNotLoadAreNamed) {
    WriteLanguage("Broken", "NameKey=BROKEN\r\nTextureFile=gone.txd\r\nDataFile=gone.dat\r\n"
                            "TextDirectory=text\\\r\nGameGXTName=gone.gxt\r\n");
    Load();
    sim::RunChecked(sites.startup);
    const int broken = IndexOf("Broken");
    const std::string folder = game + "VOXA\\Broken\\";
    const std::string language =
        "language " + std::to_string(broken) + " (NameKey \"BROKEN\"): the game could not load its ";
    std::string log = Log();
    for (const std::string& file :
         {"name text, " + folder + "text\\gone.gxt", "texture dictionary, " + folder + "gone.txd",
          "font data file, " + folder + "gone.dat"})
        EXPECT_TRUE(Has(log, language + file)) << log;
    EXPECT_EQ(log.find("POLSKI\"): the game could not"), std::string::npos) << "Polski's files all load";
    sim::SetLanguageIndex(broken);
    for (int load = 0; load < 3; ++load)
        sim::RunChecked(sites.gameTextLoad);
    log = Log();
    const std::string line = "voxa: the game could not load the text file " + folder + "text\\gone.gxt\r\n";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << "named once: " << log;
    sim::SetLanguageIndex(0);
}

} // namespace
} // namespace e2e
