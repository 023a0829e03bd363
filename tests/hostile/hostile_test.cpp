// Hostile input: broken lang.ini files, paths at every length boundary, odd folder names,
// placeholders where the game's own texts are, and lengths and formats past every buffer.
// Nothing may crash, hang or write past a buffer, and every valid language is still found.

#include "catalogue/catalogue.h"
#include "catalogue/discovery.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"
#include "simhost/test_scale.h"
#include "text/conversion.h"
#include "text/formatted_text.h"
#include "text/language_names.h"
#include "text/text_paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

using namespace host::addr;
using sim::Address;

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

void Discover(const std::string& folder) {
    voxa::DiscoveryAccount account;
    voxa::DiscoverLanguagesIn(folder.c_str(), account);
}

class HostileTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string voxa = temp.MakeFolder("VOXA");
    void SetUp() override { sim::ResetPlugin(); }
    void TearDown() override { voxa::LanguageCatalogue.Clear(); }
};

TEST_F(HostileTest, ThousandsOfRandomLangIniFilesGiveRecordsAndNoCrash) {
    std::mt19937 random(20261208);
    const std::string ini = temp.WriteFile("VOXA\\R\\lang.ini", "");
    for (int round = 0; round < sim::Rounds(2000, 200); ++round) {
        std::string contents = RandomBytes(random, random() % 600);
        // Often a section header and keys among the noise, so that values get read too.
        if (round % 3 != 0)
            contents = "[LANG]\r\nNameKey=" + RandomBytes(random, random() % 300) +
                       "\r\nTextureFile=" + RandomBytes(random, random() % 300) + "\r\n" + contents;
        temp.WriteFile("VOXA\\R\\lang.ini", contents);
        const voxa::LanguageRecord record = voxa::ReadLangIni(ini.c_str());
        ASSERT_LE(record.NameKey.size(), 259u) << round;
        ASSERT_LE(record.TextureFile.size(), voxa.size() + 2 + 259) << round;
    }
}

TEST_F(HostileTest, RandomFilesAmongGoodLanguagesHideNone) {
    std::mt19937 random(7);
    for (int i = 0; i < 30; ++i)
        temp.WriteFile("VOXA\\Good" + std::to_string(i) + "\\lang.ini", "[LANG]\r\nNameKey=GOOD\r\n");
    for (int i = 0; i < 30; ++i)
        temp.WriteFile("VOXA\\Bad" + std::to_string(i) + "\\lang.ini",
                       RandomBytes(random, 1 + random() % 2000));
    Discover(voxa);
    int good = 0;
    for (const auto& record : voxa::LanguageCatalogue)
        good += record.NameKey == "GOOD";
    EXPECT_EQ(good, 30);
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 60u) << "a broken lang.ini still makes a language";
}

TEST_F(HostileTest, ValuesOfEveryLengthUpToAndPast260) {
    const std::string ini = voxa + "V\\lang.ini";
    for (std::size_t length = 0; length <= 300; length += (length < 250 ? 25 : 1)) {
        const std::string value(length, 'v');
        temp.WriteFile("VOXA\\V\\lang.ini", "[LANG]\r\nNameKey=" + value + "\r\nDataFile=" + value + "\r\n");
        const voxa::LanguageRecord record = voxa::ReadLangIni(ini.c_str());
        const std::size_t kept = std::min<std::size_t>(length, 259);
        EXPECT_EQ(record.NameKey, length == 0 ? "" : std::string(kept, 'v')) << length;
        EXPECT_EQ(record.DataFile, length == 0 ? "" : voxa + "V\\" + std::string(kept, 'v')) << length;
    }
}

TEST_F(HostileTest, FolderNamesAtEveryPathLengthBoundary) {
    temp.WriteFile("VOXA\\Anchor\\lang.ini", "[LANG]\r\nNameKey=ANCHOR\r\n");
    std::vector<std::string> expected = {"ANCHOR"};
    for (std::size_t total = 250; total <= 264; ++total) {
        const std::size_t nameLength = total - voxa.size() - 9;
        const std::string name = std::string(nameLength - 3, 'n') + std::to_string(total);
        ASSERT_TRUE(sim::MakeLongFolder(voxa + name));
        ASSERT_TRUE(sim::WriteLongFile(voxa + name + "\\lang.ini",
                                       "[LANG]\r\nNameKey=L" + std::to_string(total) + "\r\n"));
        if (total <= 259)
            expected.push_back("L" + std::to_string(total));
    }
    Discover(voxa);
    std::vector<std::string> found;
    for (const auto& record : voxa::LanguageCatalogue)
        found.push_back(record.NameKey);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}

TEST_F(HostileTest, NamesWithSpacesDotsAndHighBytes) {
    // Windows drops a folder name's trailing dots, so that one is found under its shorter name.
    const std::pair<std::string, std::string> names[] = {
        {"Two Words", "Two Words"},   {"dots.in.name", "dots.in.name"}, {"trailing dot.", "trailing dot"},
        {"Espa\xF1ol", "Espa\xF1ol"}, {"\xC4\xD6\xDC", "\xC4\xD6\xDC"}, {" leading space", " leading space"}};
    for (std::size_t i = 0; i < std::size(names); ++i)
        temp.WriteFile("VOXA\\" + names[i].first + "\\lang.ini",
                       "[LANG]\r\nNameKey=K" + std::to_string(i) + "\r\nDataFile=f.dat\r\n");
    Discover(voxa);
    ASSERT_EQ(voxa::LanguageCatalogue.size(), std::size(names));
    for (const auto& record : voxa::LanguageCatalogue) {
        const std::size_t i = std::stoul(record.NameKey.substr(1));
        EXPECT_EQ(record.DataFile, voxa + names[i].second + "\\f.dat");
    }
}

TEST_F(HostileTest, ThePlaceholderInTheGamesOwnTextsEndsAndIsKept) {
    sim::ResetPlugin("%GAMEPATH%", "%GAMEPATH%/");
    sim::SetCurrentLevel(0, "%GAMEPATH%");
    voxa::LanguageRecord& record = sim::AddLanguage("P");
    record.TextDirectory = "%GAMEPATH%%GAMEPATH%";
    record.GameGXTName = "p.gxt";
    sim::SetLanguageIndex(5);
    auto* table = host::Pointer<host::HostTextTable>(sim::ScratchAlloc(32));
    voxa::GameTextLoadHook(table, "host");
    voxa::LevelTextLoadHook(table, "host");
    ASSERT_EQ(sim::Host().textLoads.size(), 2u);
    EXPECT_EQ(sim::Host().textLoads[0], "%GAMEPATH%/PC_Text/%GAMEPATH%/PC_Text/p.gxt");
    EXPECT_EQ(sim::Host().textLoads[1],
              "%GAMEPATH%/%GAMEPATH%/PC_Text/%GAMEPATH%/%GAMEPATH%/PC_Text/PC_%GAMEPATH%.GXT");
}

TEST_F(HostileTest, LongNamesInTheTextTablesAreCutWithATerminator) {
    voxa::LanguageRecord& record = sim::AddLanguage("K");
    record.TextDirectory = temp.path();
    record.GameGXTName = "k.gxt";
    temp.WriteFile("k.gxt", "K=" + std::string(5000, 'x') + "\n");
    voxa::LanguageCatalogue[0].displayName[63] = L'!';
    voxa::BuildLanguageNames();
    EXPECT_EQ(std::wstring(voxa::LanguageCatalogue[0].displayName), std::wstring(63, L'x'));
}

// Canaries on both sides of each host buffer: a write past one shows.
class Canaries {
  public:
    Canaries() {
        for (const auto& [start, size] : kBuffers) {
            std::memset(reinterpret_cast<void*>(start - kGap), 0xC5, kGap);
            std::memset(reinterpret_cast<void*>(start + size), 0xC5, kGap);
        }
    }
    bool Intact() const {
        for (const auto& [start, size] : kBuffers)
            for (Address at : {start - kGap, start + size})
                for (Address byte = at; byte < at + kGap; ++byte)
                    if (sim::Data<std::uint8_t>(byte) != 0xC5)
                        return false;
        return true;
    }

  private:
    static constexpr Address kGap = 64;
    static constexpr std::pair<Address, Address> kBuffers[] = {
        {HostNarrowBuffer, 256}, {HostWideBuffer, 514}, {HostPrintBuffer, 2 * voxa::kPrintBufferUnits}};
};

TEST_F(HostileTest, NoConversionOrFormatWritesPastItsBuffer) {
    std::mt19937 random(99);
    sim::AddLanguage("W").UseWholeAsciiTable = true;
    const Canaries canaries;
    for (int round = 0; round < sim::Rounds(3000, 300); ++round) {
        sim::SetLanguageIndex(round % 2 == 0 ? 5 : 0);
        std::wstring wide(random() % 700, L'\0');
        for (wchar_t& unit : wide)
            unit = static_cast<wchar_t>(1 + random() % 0xFFFF);
        voxa::WideToNarrow(wide.c_str());
        // Every length asked for lies within the text, so only the plug-in could read past it.
        const std::string narrow = RandomBytes(random, 600);
        voxa::NarrowToWideShared(narrow.c_str(), static_cast<std::int32_t>(random() % 600) - 150);
        voxa::DrawFormattedText(0, 0, 0, 0, L"%s|%d|%s", wide.c_str(), round, wide.c_str());
        ASSERT_TRUE(canaries.Intact()) << round;
    }
    const std::string text(1000, 't');
    for (std::int32_t length : {INT32_MIN, -257, -1, 0, 1, 255, 256, 257, 1000}) {
        const wchar_t* result = voxa::NarrowToWideShared(text.c_str(), length);
        EXPECT_EQ(result != nullptr, length >= 0 && length <= 256) << length;
        ASSERT_TRUE(canaries.Intact()) << length;
    }
    voxa::DrawFormattedText(0, 0, 0, 0, L"%0600d%0600d", 1, 2);
    EXPECT_TRUE(canaries.Intact());
    EXPECT_EQ(std::wcslen(host::Pointer<wchar_t>(HostPrintBuffer)),
              static_cast<std::size_t>(voxa::kPrintBufferUnits - 1));
}

} // namespace
