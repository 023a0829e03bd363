#include "catalogue/language_record.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using voxa::ReadLangIni;

class LangIniTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string Write(const std::string& contents) {
        return temp.WriteFile("VOXA\\Polski\\lang.ini", contents);
    }
    std::string Folder() const { return temp.path() + "VOXA\\Polski\\"; }
};

TEST_F(LangIniTest, ReadsEveryKeyWithTheFolderPrefixOnThePaths) {
    const auto record =
        ReadLangIni(Write("[LANG]\r\nNameKey=POLSKI\r\nTextureFile=font1\r\nDataFile=fonts.dat\r\n"
                          "TextDirectory=%GAMEPATH%\r\nGameGXTName=polski.gxt\r\n"
                          "LevelGXTPostfix=_PL\r\nUseWholeAsciiTable=1\r\nWindowsLangID=21\r\n")
                        .c_str());
    EXPECT_EQ(record.NameKey, "POLSKI");
    EXPECT_EQ(record.TextureFile, Folder() + "font1");
    EXPECT_EQ(record.DataFile, Folder() + "fonts.dat");
    EXPECT_EQ(record.TextDirectory, Folder() + "%GAMEPATH%");
    EXPECT_EQ(record.GameGXTName, "polski.gxt");
    EXPECT_EQ(record.LevelGXTPostfix, "_PL");
    EXPECT_TRUE(record.UseWholeAsciiTable);
    EXPECT_EQ(record.WindowsLangID, 21);
    EXPECT_EQ(record.textureDictionary, nullptr);
    EXPECT_EQ(record.fontData, nullptr);
}

void ExpectDefaults(const voxa::LanguageRecord& record) {
    EXPECT_EQ(record.NameKey, "UNKNOWNLANG");
    EXPECT_EQ(record.TextureFile, "");
    EXPECT_EQ(record.DataFile, "");
    EXPECT_EQ(record.TextDirectory, "");
    EXPECT_EQ(record.GameGXTName, "");
    EXPECT_EQ(record.LevelGXTPostfix, "");
    EXPECT_FALSE(record.UseWholeAsciiTable);
    EXPECT_EQ(record.WindowsLangID, -1);
}

TEST_F(LangIniTest, AnEmptyFileAnEmptySectionOrNoFileGiveTheDefaults) {
    ExpectDefaults(ReadLangIni(Write("").c_str()));
    ExpectDefaults(ReadLangIni(Write("[LANG]\r\n").c_str()));
    ExpectDefaults(ReadLangIni(Write("[OTHER]\r\nNameKey=X\r\n").c_str()));
    ExpectDefaults(ReadLangIni((temp.path() + "missing\\lang.ini").c_str()));
}

TEST_F(LangIniTest, APresentEmptyValueLeavesTheFieldEmpty) {
    const auto record = ReadLangIni(Write("[LANG]\r\nNameKey=\r\nTextureFile=\r\nGameGXTName=\r\n").c_str());
    EXPECT_EQ(record.NameKey, "");
    EXPECT_EQ(record.TextureFile, ""); // not the bare folder
    EXPECT_EQ(record.GameGXTName, "");
}

TEST_F(LangIniTest, AnAbsolutePathStillGetsThePrefix) {
    const auto record = ReadLangIni(Write("[LANG]\r\nTextureFile=C:\\fonts\\a.txd\r\n").c_str());
    EXPECT_EQ(record.TextureFile, Folder() + "C:\\fonts\\a.txd");
}

TEST_F(LangIniTest, ALongValueKeepsItsFirst259Characters) {
    const std::string longValue(300, 'k');
    const auto record =
        ReadLangIni(Write("[LANG]\r\nNameKey=" + longValue + "\r\nDataFile=" + longValue + "\r\n").c_str());
    EXPECT_EQ(record.NameKey, std::string(259, 'k'));
    EXPECT_EQ(record.DataFile, Folder() + std::string(259, 'k'));
}

TEST_F(LangIniTest, IntegerKeys) {
    EXPECT_TRUE(ReadLangIni(Write("[LANG]\r\nUseWholeAsciiTable=2\r\n").c_str()).UseWholeAsciiTable);
    // Every value but 0 is on, a negative one too: Windows gives it back as a large unsigned.
    EXPECT_TRUE(ReadLangIni(Write("[LANG]\r\nUseWholeAsciiTable=-1\r\n").c_str()).UseWholeAsciiTable);
    EXPECT_FALSE(ReadLangIni(Write("[LANG]\r\nUseWholeAsciiTable=0\r\n").c_str()).UseWholeAsciiTable);
    EXPECT_EQ(ReadLangIni(Write("[LANG]\r\nWindowsLangID=25\r\n").c_str()).WindowsLangID, 25);
    EXPECT_EQ(ReadLangIni(Write("[LANG]\r\nWindowsLangID=0\r\n").c_str()).WindowsLangID, 0);
    EXPECT_EQ(ReadLangIni(Write("[LANG]\r\nWindowsLangID=-7\r\n").c_str()).WindowsLangID, -7);
    // Not plain numbers: the profile API reads a sign, a 0x prefix and the digits up to the
    // first other character, trimmed of blanks. A word reads as 0, which claims every Windows
    // language (the checker warns of it).
    const std::pair<const char*, std::int32_t> odd[] = {
        {"abc", 0}, {"+12", 12}, {" 12 ", 12}, {"0x19", 25}, {"1e3", 1}};
    for (const auto& [value, read] : odd) {
        const auto record =
            ReadLangIni(Write(std::string("[LANG]\r\nWindowsLangID=") + value + "\r\nNameKey=K\r\n").c_str());
        EXPECT_EQ(record.WindowsLangID, read) << value;
        EXPECT_EQ(record.NameKey, "K") << value;
    }
    // Too large for 32 bits: a record all the same, with the keys after it read.
    EXPECT_EQ(
        ReadLangIni(Write("[LANG]\r\nWindowsLangID=99999999999999999999\r\nNameKey=K\r\n").c_str()).NameKey,
        "K");
}

TEST_F(LangIniTest, BadFilesGiveARecordAndNoCrash) {
    std::mt19937 random(1234);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(random() % 4096, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        if (round % 2 == 0)
            bytes = "[LANG]\r\n" + bytes; // inside the section, too
        const auto record = ReadLangIni(Write(bytes).c_str());
        EXPECT_LE(record.NameKey.size(), 259u);
    }
    std::string big(1 << 20, 'a');
    big = "[LANG]\r\nNameKey=BIG\r\n" + big;
    EXPECT_EQ(ReadLangIni(Write(big).c_str()).NameKey, "BIG");
}

} // namespace
