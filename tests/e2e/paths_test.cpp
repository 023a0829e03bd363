// Game and language folders whose names the ANSI code page cannot write (these tests run
// under LC_ALL=C.UTF-8, which gives Wine's programs the Western code page, 1252): the narrow
// calls give such a name as '?' or as a look-alike, and neither opens. The real voxa.asi
// reaches them by their short names, hands the game's loaders paths that open, and says in
// voxa.log what it did; where a drive keeps no short names, it says why a folder is lost.

#include "simhost/fake_host.h"
#include "simhost/host_sites.h"
#include "simhost/plugin_loader.h"
#include "simhost/short_names.h"
#include "simhost/test_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::wstring Widened(const std::string& narrow) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, wide, MAX_PATH);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    char text[4 * MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

void WriteWide(const std::wstring& path, const std::string& contents) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadWide(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(none)";
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    return text;
}

class PathsTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    sim::LoadedPlugin plugin;
    sim::HostSites sites{};
    std::wstring game;

    void SetUp() override {
        sim::InstallFakeHost("DATA", "LEVELS/");
        sim::FakeDictionary* hostFonts = sim::MakeDictionary(1, {"font1", "font2"});
        sim::Data<void*>(host::addr::HostFontDictionaryA) = hostFonts;
        sim::Data<sim::FakeTexture*>(host::addr::FontTextureSlot0) = hostFonts->textures["font1"].get();
        sim::HostSiteData data;
        data.hostFontFile = sim::ScratchText(temp.WriteFile("host.dat", "3 3 3 3 3 3 3 3").c_str());
        data.hostGameText = sim::ScratchText("DATA\\ENGLISH.GXT");
        data.hostLevelText = sim::ScratchText("DATA\\LEVEL.GXT");
        sites = sim::EmitHostSites(data);
    }
    void TearDown() override { sim::UnloadPlugin(plugin); }

    // The game folder and one language in it, both named with wide calls, with every file the
    // language's lang.ini names.
    void MakeGame(const std::wstring& gameName, const std::wstring& languageName) {
        game = Widened(temp.path()) + gameName + L"\\";
        const std::wstring language = game + L"VOXA\\" + languageName + L"\\";
        for (const std::wstring& folder :
             {game, game + L"VOXA", language, language + L"DATA", language + L"DATA\\PC_Text"})
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        WriteWide(language + L"lang.ini",
                  "[LANG]\r\nNameKey=RODNOJ\r\nTextureFile=fonts.txd\r\nDataFile=fonts.dat\r\n"
                  "TextDirectory=%GAMEPATH%\r\nGameGXTName=rodnoj.gxt\r\n");
        WriteWide(language + L"fonts.txd", "font1\n");
        WriteWide(language + L"fonts.dat", "2 2 2 2 2 2 2 2");
        WriteWide(language + L"DATA\\PC_Text\\rodnoj.gxt", "RODNOJ=Rodnoj\n");
        ASSERT_TRUE(CopyFileW(Widened(sim::BuiltPluginPath()).c_str(), (game + L"voxa.asi").c_str(), FALSE));
    }
    std::string Log() const { return ReadWide(game + L"voxa.log"); }
    static bool Has(const std::string& log, const std::string& line) {
        return log.find("voxa: " + line + "\r\n") != std::string::npos;
    }
};

// Names without any letter of the code page, and names whose letters it has only look-alikes
// for (which the narrow calls give without a '?').
TEST_F(PathsTest, FoldersBeyondTheCodePageAreReachedByTheirShortNames) {
    ASSERT_EQ(GetACP(), 1252u) << "the paths tests run under LC_ALL=C.UTF-8";
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\u0418\u0433\u0440\u0430", L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439"}, // Cyrillic
        {L"\u0141ukasz", L"J\u0119zyk"}, // L-stroke and e-ogonek: best fits L and e
    };
    for (const auto& [gameName, languageName] : cases) {
        SCOPED_TRACE(Utf8(languageName));
        char bestFit[64];
        BOOL lost = FALSE;
        WideCharToMultiByte(CP_ACP, 0, languageName.c_str(), -1, bestFit, sizeof bestFit, nullptr, nullptr);
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, languageName.c_str(), -1, nullptr, 0, nullptr,
                            &lost);
        ASSERT_TRUE(lost) << "the code page lacks a letter of " << bestFit;
        SetUp();
        ASSERT_NO_FATAL_FAILURE(MakeGame(gameName, languageName));
        try {
            plugin = sim::LoadPlugin(game + L"voxa.asi");
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        sim::RunChecked(sites.startup);
        const std::string log = Log();
        EXPECT_NE(log.find("voxa: language 5: NameKey \"RODNOJ\", folder " + Utf8(languageName) +
                           " (read through its short name "),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("could not load"), std::string::npos) << "every path opens: " << log;
        EXPECT_EQ(log.find("skipped"), std::string::npos) << log;
        // The loaders were given the language's files, by narrow paths that open them.
        sim::FakeHost& host = sim::Host();
        ASSERT_EQ(host.fontLoads.size(), 1u) << log;
        ASSERT_EQ(host.dictionaryLoads.size(), 1u) << log;
        ASSERT_FALSE(host.textLoads.empty()) << log;
        for (const std::string& path : {host.fontLoads[0], host.dictionaryLoads[0], host.textLoads[0]}) {
            EXPECT_EQ(path.find('?'), std::string::npos) << path;
            EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
        }
        sim::UnloadPlugin(plugin);
    }
}

// On a drive that keeps no short names, a folder the code page cannot write is lost: the log
// says which and why, and not that it holds no lang.ini.
TEST_F(PathsTest, WithoutShortNamesTheLogSaysWhyAFolderIsLost) {
    ASSERT_NO_FATAL_FAILURE(MakeGame(L"Game", L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439"));
    {
        sim::DriveWithoutShortNames noShortNames;
        plugin = sim::LoadPlugin(game + L"voxa.asi");
    }
    EXPECT_TRUE(
        Has(Log(), "skipped \u0420\u0443\u0441\u0441\u043A\u0438\u0439: its name holds letters that the ANSI "
                   "code page (1252) cannot write, and the drive keeps no short name for it. Rename the "
                   "folder with letters of that code page"))
        << Log();
    sim::UnloadPlugin(plugin);

    // The game's own folder: no language can be reached, and the log, written by its wide
    // path, says so.
    SetUp();
    ASSERT_NO_FATAL_FAILURE(MakeGame(L"\u0418\u0433\u0440\u0430", L"Polski"));
    {
        sim::DriveWithoutShortNames noShortNames;
        plugin = sim::LoadPlugin(game + L"voxa.asi");
    }
    std::string folder = Utf8(game);
    folder.pop_back();
    EXPECT_TRUE(
        Has(Log(), "the plug-in's folder, " + folder +
                       ", holds letters that the ANSI code page (1252) cannot write, and the drive keeps no "
                       "short name for it: no extra languages. Rename the folder, or move the game to a "
                       "folder whose path has no such letters"))
        << Log();
}

} // namespace
