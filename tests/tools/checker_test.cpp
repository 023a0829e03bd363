#include "catalogue/language_record.h"
#include "check.h"
#include "simhost/test_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

namespace {

using voxa_check::CheckVoxaFolder;

class CheckerTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string voxa = temp.MakeFolder("VOXA");
    voxa_check::Options withRoot{"DATA", true};

    void Language(const std::string& folder, const std::string& keys) {
        temp.WriteFile("VOXA\\" + folder + "\\lang.ini", "[LANG]\r\n" + keys);
    }
    // A language that loads: its text file, fonts and textures are all there.
    void GoodLanguage(const std::string& folder, const std::string& extra = "") {
        Language(folder, "NameKey=GOOD\r\nTextDirectory=%GAMEPATH%\r\nGameGXTName=good.gxt\r\n"
                         "DataFile=fonts.dat\r\nTextureFile=fonts.txd\r\n" +
                             extra);
        temp.WriteFile("VOXA\\" + folder + "\\DATA\\PC_Text\\good.gxt", "x");
        temp.WriteFile("VOXA\\" + folder + "\\fonts.dat", "x");
        temp.WriteFile("VOXA\\" + folder + "\\fonts.txd", "x");
    }
    std::string Output() { return voxa_check::Format(CheckVoxaFolder(voxa, withRoot)); }
    void ExpectWarning(const std::string& warning) {
        const std::string output = Output();
        EXPECT_NE(output.find("warning: " + warning), std::string::npos) << output;
    }
};

TEST_F(CheckerTest, AGoodLanguageHasNoWarningAndItsPathsResolved) {
    GoodLanguage("Polski", "WindowsLangID=21\r\nUseWholeAsciiTable=1\r\n");
    const auto report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_TRUE(report.ok());
    ASSERT_EQ(report.languages.size(), 1u);
    EXPECT_EQ(report.languages[0].index, 5);
    EXPECT_TRUE(report.languages[0].warnings.empty()) << Output();
    const std::string output = Output();
    EXPECT_NE(output.find("game text: " + voxa + "Polski\\DATA/PC_Text/good.gxt\n"), std::string::npos)
        << output;
    EXPECT_NE(output.find("DataFile: " + voxa + "Polski\\fonts.dat\n"), std::string::npos);
    EXPECT_NE(output.find("UseWholeAsciiTable: yes"), std::string::npos);
    EXPECT_NE(output.find("1 language(s), 0 warning(s)\n"), std::string::npos);
}

TEST_F(CheckerTest, AKeyPresentButEmpty) {
    GoodLanguage("A", "LevelGXTPostfix=\r\n");
    ExpectWarning("LevelGXTPostfix is present but empty");
}

TEST_F(CheckerTest, AnEmptyNameKeyIsNotUnknownLang) {
    Language("A", "NameKey=\r\nTextDirectory=t\\\r\nGameGXTName=g.gxt\r\n");
    ExpectWarning("NameKey is present but empty: the name key is empty, not UNKNOWNLANG");
}

TEST_F(CheckerTest, ATextDirectoryWithoutASeparator) {
    Language("A", "NameKey=A\r\nTextDirectory=text\r\nGameGXTName=a.gxt\r\n");
    ExpectWarning("TextDirectory does not end in a separator");
    const auto report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_FALSE(report.ok()) << "its text file is not where the plug-in looks";
}

TEST_F(CheckerTest, MissingFiles) {
    Language(
        "A",
        "NameKey=A\r\nTextDirectory=t\\\r\nGameGXTName=a.gxt\r\nDataFile=d.dat\r\nTextureFile=t.txd\r\n");
    ExpectWarning("DataFile names a file that does not exist: " + voxa + "A\\d.dat");
    ExpectWarning("TextureFile names a file that does not exist: " + voxa + "A\\t.txd");
    ExpectWarning("the game text file does not exist: " + voxa + "A\\t\\a.gxt");
}

TEST_F(CheckerTest, ALanguageWithoutItsTextFailsTheCheck) {
    Language("A", "NameKey=A\r\n");
    const auto report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_FALSE(report.ok());
    ExpectWarning("TextDirectory is not given");
    ExpectWarning("GameGXTName is not given");
}

TEST_F(CheckerTest, AValueCutAt259) {
    GoodLanguage("A", "LevelGXTPostfix=" + std::string(300, 'p') + "\r\n");
    ExpectWarning("LevelGXTPostfix is 300 characters long and is cut to its first 259");
}

TEST_F(CheckerTest, AFolderTooLongToBeFound) {
    GoodLanguage("Short");
    const std::string name(260 - voxa.size() - 9 + 1, 'x');
    ASSERT_TRUE(sim::MakeLongFolder(voxa + name));
    ASSERT_TRUE(sim::WriteLongFile(voxa + name + "\\lang.ini", ""));
    ExpectWarning("folder \"" + name + "\": the path of its lang.ini is longer than 259 characters");
    EXPECT_EQ(CheckVoxaFolder(voxa, withRoot).languages.size(), 1u);
}

TEST_F(CheckerTest, AnyLanguageShadowsTheLaterOnesAndTwinIdsTheSecond) {
    GoodLanguage("A", "WindowsLangID=25\r\n");
    GoodLanguage("B", "WindowsLangID=25\r\n");
    GoodLanguage("C", "WindowsLangID=0\r\n");
    GoodLanguage("D", "WindowsLangID=7\r\n");
    const std::string output = Output();
    EXPECT_NE(output.find("warning: WindowsLangID 25 is also \"A\"'s"), std::string::npos) << output;
    EXPECT_NE(output.find("warning: WindowsLangID 7 never chooses this language: \"C\" comes first"),
              std::string::npos)
        << output;
}

TEST_F(CheckerTest, ALongNameKeyAndAFolderWithoutLangIni) {
    GoodLanguage("A");
    Language("B", "NameKey=" + std::string(64, 'k') + "\r\nTextDirectory=t\\\r\nGameGXTName=g\r\n");
    temp.MakeFolder("VOXA\\Empty");
    ExpectWarning("NameKey is longer than 63 characters");
    ExpectWarning("folder \"Empty\" has no lang.ini");
}

TEST_F(CheckerTest, WithoutATextRootThePlaceholderIsNotResolved) {
    GoodLanguage("A");
    const std::string output = voxa_check::Format(CheckVoxaFolder(voxa, {}));
    EXPECT_NE(output.find("not looked for: give --text-root"), std::string::npos) << output;
}

// The same good language saved the ways a translator's editor can save it. Wine's profile
// reader (this process's own) reads every one of them; Windows reads some otherwise, and the
// checker must judge as Windows does.
class CheckerEncodingTest : public CheckerTest {
  protected:
    std::string keys = "[LANG]\r\nNameKey=GOOD\r\nTextDirectory=%GAMEPATH%\r\nGameGXTName=good.gxt\r\n"
                       "DataFile=fonts.dat\r\nTextureFile=fonts.txd\r\n";
    static std::string Utf16(const std::string& ascii, bool bigEndian) {
        std::string bytes;
        for (char c : ascii)
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return bytes;
    }
    // Writes lang.ini as `bytes`; returns the NameKey Wine reads from it.
    std::string Save(const std::string& bytes) {
        GoodLanguage("L");
        const std::string ini = temp.WriteFile("VOXA\\L\\lang.ini", bytes);
        return voxa::ReadLangIni(ini.c_str()).NameKey;
    }
};

TEST_F(CheckerEncodingTest, AUtf8MarkBeforeTheSectionHidesEveryKeyFromWindows) {
    EXPECT_EQ(Save("\xEF\xBB\xBF" + keys), "GOOD") << "Wine skips the mark";
    const auto report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_FALSE(report.ok()) << "on Windows the language loads no text";
    ExpectWarning("lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads the "
                  "first line as \"\xEF\xBB\xBF[LANG]\", which is no section header");
}

TEST_F(CheckerEncodingTest, AUtf8MarkBeforeACommentSpoilsOnlyThatLineAndLettersDiffer) {
    EXPECT_EQ(Save("\xEF\xBB\xBF; Espa\xC3\xB1ol\r\n" + keys), "GOOD");
    EXPECT_TRUE(CheckVoxaFolder(voxa, withRoot).ok());
    ExpectWarning(
        "lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads it as "
        "part of the first line");
    ExpectWarning("lang.ini is UTF-8 with letters beyond ASCII");
}

TEST_F(CheckerEncodingTest, BigEndianUtf16IsReadByWineOnly) {
    EXPECT_EQ(Save(std::string("\xFE\xFF") + Utf16(keys, true)), "GOOD");
    EXPECT_FALSE(CheckVoxaFolder(voxa, withRoot).ok());
    ExpectWarning("lang.ini is UTF-16 big-endian");
}

TEST_F(CheckerEncodingTest, LittleEndianUtf16WithItsMarkAndAnsiAreReadAlike) {
    EXPECT_EQ(Save(std::string("\xFF\xFE") + Utf16(keys, false)), "GOOD");
    auto report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.languages.at(0).warnings, std::vector<std::string>{});
    Save(keys);
    report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_EQ(report.languages.at(0).warnings, std::vector<std::string>{});
}

TEST_F(CheckerEncodingTest, Utf16WithoutItsMarkIsNoTextToEitherReader) {
    EXPECT_NE(Save(Utf16(keys, false)), "GOOD");
    EXPECT_FALSE(CheckVoxaFolder(voxa, withRoot).ok());
    ExpectWarning("lang.ini holds NUL bytes but no byte-order mark");
}

// GetPrivateProfileString's reading rules, each on a real file: what this process's reader
// (Wine's, here) makes of it, which agrees with Windows' documented reading in each case
// below, and the checker's warning.
TEST_F(CheckerEncodingTest, Utf8LettersWithoutAMarkAreWarnedOfAndAnsiLettersAreNot) {
    Save(keys + "LevelGXTPostfix=_Espa\xC3\xB1ol\r\n");
    ExpectWarning("lang.ini is UTF-8 with letters beyond ASCII");
    Save(keys + "LevelGXTPostfix=_Espa\xF1ol\r\n");
    EXPECT_EQ(CheckVoxaFolder(voxa, withRoot).languages.at(0).warnings, std::vector<std::string>{});
}

std::string ReadKey(const std::string& ini, const char* key) {
    char value[260];
    GetPrivateProfileStringA("LANG", key, "(absent)", value, sizeof value, ini.c_str());
    return value;
}

TEST_F(CheckerEncodingTest, ACommentAfterAValueIsPartOfIt) {
    Save(keys + "LevelGXTPostfix=_PL ; the Polish levels\r\n; a comment of its own\r\n");
    EXPECT_EQ(ReadKey(voxa + "L\\lang.ini", "LevelGXTPostfix"), "_PL ; the Polish levels");
    ExpectWarning("LevelGXTPostfix (line 7) holds \"; the Polish levels\": only a ';' at the start of a line "
                  "begins a comment");
    Save(keys + "LevelGXTPostfix=_PL #2\r\n");
    ExpectWarning("LevelGXTPostfix (line 7) holds \"#2\"");
    Save(keys + "LevelGXTPostfix=_PL#2\r\n");
    EXPECT_EQ(CheckVoxaFolder(voxa, withRoot).languages.at(0).warnings, std::vector<std::string>{})
        << "a '#' inside a word is no comment anyone meant";
}

TEST_F(CheckerEncodingTest, OfTwoEqualKeysTheFirstIsRead) {
    Save(keys + "LevelGXTPostfix=_A\r\nlevelgxtpostfix = _B\r\n");
    EXPECT_EQ(ReadKey(voxa + "L\\lang.ini", "LevelGXTPostfix"), "_A");
    ExpectWarning(
        "levelgxtpostfix is given twice in [LANG] (line 7 and line 8): Windows reads the first, \"_A\"");
    // Blanks around the key and value, and one pair of quotes, are read as meant.
    Save(keys + "  LevelGXTPostfix  =  \"_A\"  \r\n");
    EXPECT_EQ(ReadKey(voxa + "L\\lang.ini", "LevelGXTPostfix"), "_A");
    EXPECT_EQ(CheckVoxaFolder(voxa, withRoot).languages.at(0).warnings, std::vector<std::string>{});
}

TEST_F(CheckerEncodingTest, KeysInASecondLangSectionAreNeverRead) {
    Save(keys + "[FONTS]\r\nSize=2\r\n[Lang]\r\nLevelGXTPostfix=_PL\r\n");
    EXPECT_EQ(ReadKey(voxa + "L\\lang.ini", "LevelGXTPostfix"), "(absent)");
    ExpectWarning(
        "LevelGXTPostfix (line 10) stands in a second [LANG] section: Windows reads only the first");
}

// Each language breaks one rule, after a folder that is no language: every warning lands on
// its own language, and the clean one stays quiet.
TEST_F(CheckerTest, EachLanguagesWarningsAreItsOwn) {
    temp.MakeFolder("VOXA\\A_NoLanguage");
    GoodLanguage("B_Utf8", "LevelGXTPostfix=_Espa\xC3\xB1ol\r\n");
    GoodLanguage("C_Comment", "LevelGXTPostfix=_PL ;Polish\r\n");
    GoodLanguage("D_Twice", "NameKey=OTHER\r\n");
    GoodLanguage("E_Second", "[LANG]\r\nWindowsLangID=21\r\n");
    GoodLanguage("F_Clean");
    const auto report = CheckVoxaFolder(voxa, withRoot);
    const std::map<std::string, std::string> expected = {
        {"B_Utf8", "lang.ini is UTF-8 with letters beyond ASCII"},
        {"C_Comment", "LevelGXTPostfix (line 7) holds \";Polish\""},
        {"D_Twice", "NameKey is given twice in [LANG]"},
        {"E_Second", "WindowsLangID (line 8) stands in a second [LANG] section"},
    };
    ASSERT_EQ(report.languages.size(), 5u);
    for (const auto& language : report.languages) {
        const auto want = expected.find(language.folder);
        if (want == expected.end()) {
            EXPECT_EQ(language.warnings, std::vector<std::string>{}) << language.folder;
            continue;
        }
        ASSERT_EQ(language.warnings.size(), 1u) << language.folder;
        EXPECT_EQ(language.warnings[0].rfind(want->second, 0), 0u)
            << language.folder << ": " << language.warnings[0];
    }
    EXPECT_EQ(report.warnings,
              std::vector<std::string>{"folder \"A_NoLanguage\" has no lang.ini: it is not a language"});
}

} // namespace
