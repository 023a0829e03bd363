#include "catalogue/language_record.h"
#include "check.h"
#include "simhost/short_names.h"
#include "simhost/test_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using voxa_check::CheckVoxaFolder;
using Messages = std::vector<std::string>;

Messages MessagesOf(const std::vector<voxa_check::Finding>& findings) {
    Messages messages;
    for (const auto& finding : findings)
        messages.push_back(finding.message);
    return messages;
}

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
        Language(folder, "NameKey=" + folder +
                             "\r\nTextDirectory=%GAMEPATH%\r\nGameGXTName=good.gxt\r\n"
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
    ExpectWarning("LevelGXTPostfix (line 7) is present but empty");
}

TEST_F(CheckerTest, AnEmptyNameKeyIsNotUnknownLang) {
    Language("A", "NameKey=\r\nTextDirectory=t\\\r\nGameGXTName=g.gxt\r\n");
    ExpectWarning("NameKey (line 2) is present but empty: the name key is empty, not UNKNOWNLANG");
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
    ExpectWarning("LevelGXTPostfix (line 7) is 300 characters long and is cut to its first 259");
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
    EXPECT_EQ(MessagesOf(report.languages.at(0).warnings), Messages{});
    Save(keys);
    report = CheckVoxaFolder(voxa, withRoot);
    EXPECT_EQ(MessagesOf(report.languages.at(0).warnings), Messages{});
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
    EXPECT_EQ(MessagesOf(CheckVoxaFolder(voxa, withRoot).languages.at(0).warnings), Messages{});
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
    EXPECT_EQ(MessagesOf(CheckVoxaFolder(voxa, withRoot).languages.at(0).warnings), Messages{})
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
    EXPECT_EQ(MessagesOf(CheckVoxaFolder(voxa, withRoot).languages.at(0).warnings), Messages{});
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
            EXPECT_EQ(MessagesOf(language.warnings), Messages{}) << language.folder;
            continue;
        }
        ASSERT_EQ(language.warnings.size(), 1u) << language.folder;
        EXPECT_EQ(language.warnings[0].message.rfind(want->second, 0), 0u)
            << language.folder << ": " << language.warnings[0].message;
    }
    EXPECT_EQ(MessagesOf(report.warnings),
              Messages{"folder \"A_NoLanguage\" has no lang.ini: it is not a language"});
    EXPECT_FALSE(report.ok()) << "a folder that yields no language fails the check";
}

} // namespace

namespace {

// A clean language's lang.ini with one key left out and lines added after the others (from
// line 6 or 7 on).
std::string CleanIni(const std::string& drop = "", const std::string& add = "") {
    std::string ini = "[LANG]\r\n";
    for (const std::string line : {"NameKey=SUOMI", "TextDirectory=%GAMEPATH%", "GameGXTName=good.gxt",
                                   "DataFile=fonts.dat", "TextureFile=fonts.txd"})
        if (drop.empty() || !line.starts_with(drop + "="))
            ini += line + "\r\n";
    return ini + add;
}

struct Mistake {
    std::string ini;      // the whole lang.ini
    std::string code;     // the warning's code; empty: the language must stay quiet
    std::string message;  // the start of its message
    bool loads;           // whether the check passes
    bool aloneIsTheCause; // no other warning repeats its symptoms
};

} // namespace

// Each mistake made once, in a language that is otherwise clean, with its files all there:
// the warning says where, what Windows reads, and the fix.
TEST_F(CheckerTest, EachCommonMistakeIsNamedWithItsCause) {
    const std::string bom = "\xEF\xBB\xBF";
    const Mistake mistakes[] = {
        {CleanIni("", "LevelGXTPostfx=_FI\r\n"), "V201",
         "LevelGXTPostfx: no such key (line 7); did you mean LevelGXTPostfix?", true, true},
        {CleanIni("", "UseWholeASCIITabel=1\r\n"), "V201",
         "UseWholeASCIITabel: no such key (line 7); did you mean UseWholeAsciiTable?", true, true},
        {CleanIni("DataFile", "DataFlie=fonts.dat\r\n"), "V201",
         "DataFlie: no such key (line 6); did you mean DataFile?", true, true},
        {CleanIni("NameKey", "NameKey SUOMI\r\n"), "V202", "\"NameKey SUOMI\" (line 6) has no '='", true,
         false},
        {CleanIni("", "WindowsLangID=Finnish\r\n"), "V208",
         "WindowsLangID (line 7) is \"Finnish\", not a number: Windows reads 0, which stands for every "
         "Windows "
         "language",
         true, true},
        {CleanIni("", "UseWholeAsciiTable=yes\r\n"), "V208",
         "UseWholeAsciiTable (line 7) is \"yes\", not a number: Windows reads 0, which is off", true, true},
        {CleanIni("", "WindowsLangID=0x0B\r\n"), "V208",
         "WindowsLangID (line 7) is \"0x0B\", not a number: Windows reads 11", true, true},
        {CleanIni("", "WindowsLangID=1035\r\n"), "V401",
         "WindowsLangID (line 7) is 1035, a whole Windows language id: voxa compares only the primary "
         "language, "
         "so it never matches; its primary language is 11",
         true, true},
        {CleanIni("", "WindowsLangID=7\r\n"), "V402",
         "WindowsLangID (line 7) is 7, the primary language of German, a built-in language: players whose "
         "Windows is in German start in this language instead",
         true, true},
        {CleanIni("TextureFile", "TextureFile=C:\\Games\\fonts.txd\r\n"), "V301",
         "TextureFile (line 6) is an absolute path, \"C:\\Games\\fonts.txd\"", true, false},
        {CleanIni("TextDirectory", "TextDirectory=\\text\\\r\n"), "V301",
         "TextDirectory (line 6) is an absolute path", false, false},
        {"", "V106", "lang.ini is empty", false, true},
        {" \r\n\r\n", "V106", "lang.ini is empty", false, true},
        {CleanIni().substr(8), "V107", "lang.ini has no [LANG] line", false, true},
        {bom + "[LANG] ; Polish\r\n" + CleanIni().substr(8), "V101",
         "lang.ini starts with a UTF-8 byte-order mark: Windows does not recognise it and reads the first "
         "line as "
         "\"" +
             bom + "[LANG] ; Polish\", which is no section header",
         false, false},
        {CleanIni() + std::string(1, '\0'), "", "", true, true},
        {CleanIni() + std::string("LevelGXTPostfix=_F\0I\r\n", 22) + std::string(300, 'z'), "V105",
         "lang.ini holds a NUL byte on line 7", true, false},
        {"; Suomi \xE2\x80\x93 kieli\r\n" + CleanIni(), "", "", true, true},
        {CleanIni("NameKey", "NameKey=\"SUOMI\"\r\nLevelGXTPostfix='_FI'\r\n"), "", "", true, true},
        {CleanIni("NameKey", "namekey = SUOMI\r\nWINDOWSLANGID=11\r\nusewholeasciitable=-1\r\n"), "", "",
         true, true},
        {CleanIni("", "GameGXTName=good.gxt\r\n"), "", "", true, true},
    };
    int row = 0;
    for (const Mistake& mistake : mistakes) {
        SCOPED_TRACE("row " + std::to_string(row) + ": " + mistake.ini);
        const std::string folder = "VOXA" + std::to_string(++row);
        const std::string root = temp.MakeFolder(folder);
        temp.WriteFile(folder + "\\Suomi\\lang.ini", mistake.ini);
        temp.WriteFile(folder + "\\Suomi\\DATA\\PC_Text\\good.gxt", "x");
        temp.WriteFile(folder + "\\Suomi\\fonts.dat", "x");
        temp.WriteFile(folder + "\\Suomi\\fonts.txd", "x");
        const auto report = CheckVoxaFolder(root, withRoot);
        ASSERT_EQ(report.languages.size(), 1u);
        const auto& warnings = report.languages[0].warnings;
        const std::string output = voxa_check::Format(report);
        EXPECT_EQ(report.ok(), mistake.loads) << output;
        if (mistake.code.empty()) {
            EXPECT_EQ(MessagesOf(warnings), Messages{}) << output;
            continue;
        }
        ASSERT_FALSE(warnings.empty()) << output;
        const auto& rule = voxa_check::Describe(warnings[0].rule);
        EXPECT_EQ(rule.code, mistake.code) << output;
        EXPECT_EQ(warnings[0].message.rfind(mistake.message, 0), 0u) << output;
        EXPECT_NE(output.find("[" + mistake.code + "]\n    fix: " + rule.fix), std::string::npos) << output;
        if (mistake.aloneIsTheCause) {
            EXPECT_EQ(warnings.size(), 1u) << output;
        }
    }
}

// Mistakes in the folders around lang.ini, and between languages.
TEST_F(CheckerTest, FolderMistakesFailTheCheckWithTheirCause) {
    temp.WriteFile("VOXA\\Hidden extension\\lang.ini.txt", CleanIni());
    temp.MakeFolder("VOXA\\Folder named lang.ini\\lang.ini");
    temp.MakeFolder("VOXA\\.git");
    GoodLanguage("Suomi");
    GoodLanguage("Suomi again");
    temp.WriteFile("VOXA\\Suomi again\\lang.ini",
                   "[LANG]\r\nNameKey=Suomi\r\nTextDirectory=%GAMEPATH%\r\n"
                   "GameGXTName=good.gxt\r\nDataFile=fonts.dat\r\nTextureFile=fonts.txd\r\n");
    const auto report = CheckVoxaFolder(voxa, withRoot);
    const std::string output = voxa_check::Format(report);
    EXPECT_FALSE(report.ok()) << output;
    EXPECT_NE(
        output.find("warning: folder \"Hidden extension\" holds \"lang.ini.txt\" but no lang.ini: voxa looks "
                    "for lang.ini only, so it is not a language [V502]"),
        std::string::npos)
        << output;
    EXPECT_NE(output.find(
                  "warning: folder \"Folder named lang.ini\": its lang.ini is a folder, not a file, so voxa "
                  "skips it [V503]"),
              std::string::npos)
        << output;
    EXPECT_NE(
        output.find("NameKey \"Suomi\" is also \"Suomi\"'s: the menu shows two rows of one name [V405]"),
        std::string::npos)
        << output;
    ASSERT_EQ(report.languages.size(), 2u) << "a lang.ini that is a folder makes no language";

    // A dot folder beside good languages alone does not fail the check.
    sim::TempFolder other;
    other.MakeFolder("VOXA\\.git");
    EXPECT_TRUE(CheckVoxaFolder(other.MakeFolder("VOXA"), withRoot).ok());
}

// A folder whose name the ANSI code page cannot write is found through its short name, which a
// drive need not keep: the checker warns of that, and where there is none, says that voxa
// cannot reach the folder.
TEST_F(CheckerTest, AFolderBeyondTheCodePageWorksOnlyThroughItsShortName) {
    const std::wstring russian = L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439";
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, russian.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (!lost)
        GTEST_SKIP() << "this code page (" << GetACP() << ") writes Cyrillic letters";
    GoodLanguage("Ru");
    wchar_t folder[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, voxa.c_str(), -1, folder, MAX_PATH);
    ASSERT_TRUE(MoveFileW((std::wstring(folder) + L"Ru").c_str(), (folder + russian).c_str()));
    const std::string shown = "\"\u0420\u0443\u0441\u0441\u043A\u0438\u0439\"";

    auto report = CheckVoxaFolder(voxa, withRoot);
    std::string output = voxa_check::Format(report);
    EXPECT_TRUE(report.ok()) << output;
    EXPECT_NE(output.find("warning: folder " + shown + " is found only through its short name "),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("voxa does not find it [V510]"), std::string::npos) << output;
    ASSERT_EQ(report.languages.size(), 1u) << "its lang.ini is read through the short name";

    {
        sim::DriveWithoutShortNames noShortNames;
        report = CheckVoxaFolder(voxa, withRoot);
    }
    output = voxa_check::Format(report);
    EXPECT_FALSE(report.ok()) << output;
    EXPECT_NE(output.find("folder " + shown + ": its name holds letters that this Windows' ANSI code page (" +
                          std::to_string(GetACP()) +
                          ") cannot write, and the drive keeps no short name for it, so voxa cannot reach it "
                          "[V509]"),
              std::string::npos)
        << output;
    EXPECT_TRUE(report.languages.empty()) << output;
}

// A path past Windows' limit is too long, not missing: the file may well be there.
TEST_F(CheckerTest, APathTooLongIsCalledTooLong) {
    const std::string deep = std::string(200 - voxa.size(), 'd');
    const std::string dataFile(260 - (voxa.size() + 2) + 1, 'f'); // one character past the limit
    Language("A", "NameKey=A\r\nTextDirectory=" + deep + "\\\r\nGameGXTName=" + std::string(70, 'g') +
                      ".gxt\r\nDataFile=" + dataFile + "\r\n");
    const std::string gameText = voxa + "A\\" + deep + "\\" + std::string(70, 'g') + ".gxt";
    ASSERT_TRUE(sim::MakeLongFolder(voxa + "A\\" + deep));
    ASSERT_TRUE(sim::WriteLongFile(gameText, "x"));
    const auto report = CheckVoxaFolder(voxa, withRoot);
    const std::string output = voxa_check::Format(report);
    EXPECT_FALSE(report.ok()) << output;
    EXPECT_NE(output.find("warning: the game text's path is " + std::to_string(gameText.size()) +
                          " characters long: the game opens no path longer than 259 characters"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("warning: DataFile gives a path of 261 characters"), std::string::npos) << output;
    EXPECT_EQ(output.find("does not exist"), std::string::npos) << output;
}
