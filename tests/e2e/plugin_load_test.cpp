// The real voxa.asi loaded with LoadLibrary into the simulated host, from a game folder with
// a VOXA folder of several languages, and driven through the patched sites only.

#include "simhost/fake_host.h"
#include "simhost/host_sites.h"
#include "simhost/plugin_loader.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

using namespace host::addr;
namespace s = host::site;
using sim::Address;

enum class Kind { Call, Jump, Bytes, Pointer };
struct Row {
    Address site;
    Kind kind;
    const char* routine; // for Call and Jump
    std::vector<std::uint8_t> bytes;
};

// The patch table as the host should see it after start-up, row by row.
const std::vector<Row>& ExpectedRows() {
    static const std::vector<std::uint8_t> stackPush = {0x8D, 0x0C, 0x24, 0x51, 0x90};
    static const std::vector<Row> rows = {
        {s::WideToNarrowEntry, Kind::Jump, "WideToNarrow", {}},
        {s::NarrowToWideSharedEntry, Kind::Jump, "NarrowToWideShared", {}},
        {s::NarrowToWideEntry, Kind::Jump, "NarrowToWide", {}},
        {s::TextLoadRangeBranch, Kind::Bytes, nullptr, {0x77, 0x07}},
        {s::GameTextLoadCall, Kind::Call, "GameTextLoad", {}},
        {s::LevelTextLoadCall, Kind::Call, "LevelTextLoad", {}},
        {s::LanguageMenuBeginEntry, Kind::Jump, "MenuBegin", {}},
        {s::LanguageMenuCheckResetEntry, Kind::Jump, "MenuCheckReset", {}},
        {s::LanguageMenuInputEntry, Kind::Jump, "MenuInput", {}},
        {s::LanguageMenuDrawEntry, Kind::Jump, "MenuDraw", {}},
        {s::FindTextureCallA, Kind::Call, "FindTexture", {}},
        {s::FindTextureCallB, Kind::Call, "FindTexture", {}},
        {s::FindTextureCallC, Kind::Call, "FindTexture", {}},
        {s::FindTextureCallD, Kind::Call, "FindTexture", {}},
        {s::FontDataLoadCall, Kind::Call, "FontDataLoad", {}},
        {s::StartupInitCall, Kind::Call, "StartupInit", {}},
        {s::ShutdownCall, Kind::Call, "Shutdown", {}},
        {s::DefaultLanguageCall, Kind::Call, "DefaultLanguage", {}},
        {s::DefaultLanguageResultMove, Kind::Bytes, nullptr, {0x89, 0xC3}},
        {s::DefaultLanguageSkip, Kind::Bytes, nullptr, {0xE9, 0x41, 0x00, 0x00, 0x00}},
        {s::FormatSceneLabelEntry, Kind::Jump, "SceneLabel", {}},
        {s::DrawArgumentPushA, Kind::Bytes, nullptr, {0x8D, 0x54, 0x24, 0x08, 0x52}},
        {s::DrawHelperCallA, Kind::Bytes, nullptr, {0xE8, 0x92, 0x09, 0x00, 0x00}},
        {s::DrawArgumentPushB, Kind::Bytes, nullptr, {0x8D, 0x54, 0x24, 0x04, 0x52}},
        {s::DrawFormattedCall1, Kind::Call, "DrawFormatted", {}},
        {s::DrawFramePushA, Kind::Bytes, nullptr, {0x90, 0x90, 0x90, 0x90, 0x55}},
        {s::DrawHelperCallB, Kind::Bytes, nullptr, {0xE8, 0xCB, 0x15, 0x00, 0x00}},
        {s::DrawFormatOperand, Kind::Pointer, nullptr, {}},
        {s::DrawFramePushB, Kind::Bytes, nullptr, {0x90, 0x90, 0x90, 0x90, 0x55}},
        {s::DrawFormattedCall2, Kind::Call, "DrawFormatted", {}},
        {s::DrawStackPush3, Kind::Bytes, nullptr, stackPush},
        {s::DrawFormattedCall3, Kind::Call, "DrawFormatted", {}},
        {s::DrawStackPush4, Kind::Bytes, nullptr, stackPush},
        {s::DrawFormattedCall4, Kind::Call, "DrawFormatted", {}},
        {s::DrawStackPush5, Kind::Bytes, nullptr, stackPush},
        {s::DrawFormattedCall5, Kind::Call, "DrawFormatted", {}},
        {s::DrawStackPush6, Kind::Bytes, nullptr, stackPush},
        {s::DrawFormattedCall6, Kind::Call, "DrawFormatted", {}},
        {s::DrawStackPush7, Kind::Bytes, nullptr, stackPush},
        {s::DrawFormattedCall7, Kind::Call, "DrawFormatted", {}},
        {s::DrawStackPush8, Kind::Bytes, nullptr, stackPush},
        {s::DrawFormattedCall8, Kind::Call, "DrawFormatted", {}},
    };
    return rows;
}

class PluginTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string game = temp.MakeFolder("game");
    std::string root = "DATA";
    sim::FakeDictionary* hostFonts = nullptr;
    sim::HostSites sites{};
    sim::LoadedPlugin plugin;
    const char* hostFontFile = nullptr;

    void SetUp() override {
        WriteLanguage("Polski",
                      "NameKey=POLSKI\r\nTextureFile=polski.txd\r\nDataFile=polski.dat\r\n"
                      "TextDirectory=%GAMEPATH%\r\nGameGXTName=polski.gxt\r\nLevelGXTPostfix=_PL\r\n"
                      "UseWholeAsciiTable=1\r\nWindowsLangID=21\r\n");
        temp.WriteFile("game\\VOXA\\Polski\\polski.txd", "font1\n");
        temp.WriteFile("game\\VOXA\\Polski\\polski.dat", "2 2 2 2 2 2 2 2");
        temp.WriteFile("game\\VOXA\\Polski\\DATA\\PC_Text\\polski.gxt", "POLSKI=Polski\nSCENE=Scena\n");
        WriteLanguage("Cestina", "NameKey=CESTINA\r\nWindowsLangID=5\r\n");
        temp.MakeFolder("game\\VOXA\\NotALanguage");
        sim::InstallFakeHost(root, "LEVELS/");
        hostFonts = sim::MakeDictionary(1, {"font1", "font2"});
        sim::Data<void*>(HostFontDictionaryA) = hostFonts;
        sim::Data<sim::FakeTexture*>(FontTextureSlot0) = hostFonts->textures["font1"].get();
        hostFontFile = sim::ScratchText(temp.WriteFile("host.dat", "3 3 3 3 3 3 3 3").c_str());
        sim::HostSiteData data;
        data.hostFontFile = hostFontFile;
        data.hostGameText = sim::ScratchText("DATA\\ENGLISH.GXT");
        data.hostLevelText = sim::ScratchText("DATA\\LEVEL.GXT");
        sites = sim::EmitHostSites(data);
    }
    void TearDown() override { sim::UnloadPlugin(plugin); }

    void WriteLanguage(const std::string& folder, const std::string& keys) {
        temp.WriteFile("game\\VOXA\\" + folder + "\\lang.ini", "[LANG]\r\n" + keys);
    }
    void Load(bool away = false) { plugin = sim::LoadPlugin(sim::InstallPluginInto(game), away); }

    // The language folders in the order the file system lists them: their order in the menu.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((game + "VOXA\\*.*").c_str(), &entry);
        do {
            const std::string name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name[0] != '.' &&
                name != "NotALanguage")
                names.push_back(name);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        return names;
    }
    int IndexOf(const std::string& folder) const {
        const auto names = Listing();
        return 5 + static_cast<int>(std::find(names.begin(), names.end(), folder) - names.begin());
    }

    // The plug-in routine each row reaches.
    std::map<std::string, std::set<Address>> Targets() const {
        std::map<std::string, std::set<Address>> targets;
        for (const Row& row : ExpectedRows())
            if (row.kind == Kind::Call || row.kind == Kind::Jump)
                targets[row.routine].insert(sim::BranchTarget(row.site));
        return targets;
    }
    void ExpectEveryRow() {
        for (const Row& row : ExpectedRows()) {
            const auto at = sim::ReadBytes(row.site, 5);
            switch (row.kind) {
            case Kind::Call:
            case Kind::Jump:
                EXPECT_EQ(at[0], row.kind == Kind::Call ? 0xE8 : 0xE9) << std::hex << row.site;
                EXPECT_TRUE(plugin.Contains(sim::BranchTarget(row.site))) << std::hex << row.site;
                break;
            case Kind::Bytes:
                EXPECT_EQ(std::vector<std::uint8_t>(at.begin(), at.begin() + row.bytes.size()), row.bytes)
                    << std::hex << row.site;
                break;
            case Kind::Pointer: {
                const Address format = sim::Data<Address>(row.site);
                EXPECT_TRUE(plugin.Contains(format));
                EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(format)), L"%s");
                break;
            }
            }
        }
        const auto targets = Targets();
        EXPECT_EQ(targets.size(), 16u);
        std::set<Address> distinct;
        for (const auto& [routine, addresses] : targets) {
            EXPECT_EQ(addresses.size(), 1u) << routine << ": rows of one routine reach one place";
            distinct.insert(*addresses.begin());
        }
        EXPECT_EQ(distinct.size(), targets.size()) << "each routine its own place";
    }
};

TEST_F(PluginTest, EveryRowIsWrittenAndReachesThePlugin) {
    Load();
    ExpectEveryRow();
}

TEST_F(PluginTest, LoadedAwayFromItsPreferredBaseEveryRowStillLandsOnItsRoutine) {
    Load();
    std::map<std::string, Address> offsets;
    for (const auto& [routine, addresses] : Targets())
        offsets[routine] = *addresses.begin() - plugin.base;
    const Address formatOffset = sim::Data<Address>(s::DrawFormatOperand) - plugin.base;
    sim::UnloadPlugin(plugin);
    SetUp();

    Load(true);
    EXPECT_NE(plugin.base, plugin.preferredBase);
    ExpectEveryRow();
    for (const auto& [routine, addresses] : Targets())
        EXPECT_EQ(*addresses.begin() - plugin.base, offsets[routine]) << routine;
    EXPECT_EQ(sim::Data<Address>(s::DrawFormatOperand) - plugin.base, formatOffset);
    // And the relocated plug-in works: a conversion, start-up, and the shutdown hook's jump
    // on into the host's routine.
    EXPECT_EQ(sim::HostNarrows(L"ok"), "ok");
    sim::RunChecked(sites.startup);
    EXPECT_EQ(sim::RunChecked(sites.shutdown).eax, 0x5EED5EEDu);
    EXPECT_EQ(sim::Host().log.back(), "HostShutdown");
}

TEST_F(PluginTest, AHostOfAnotherBuildIsLeftUntouched) {
    const Address checked[] = {s::GameTextLoadCall, s::LevelTextLoadCall, s::FindTextureCallA,
                               s::FindTextureCallB, s::FindTextureCallC,  s::FindTextureCallD,
                               s::FontDataLoadCall, s::StartupInitCall,   s::ShutdownCall};
    for (Address site : checked) {
        SetUp();
        sim::Data<std::uint8_t>(site + 1) ^= 0x01; // the call goes somewhere else in this build
        const auto before = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        Load();
        const auto after = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        EXPECT_TRUE(before == after) << "nothing written for a difference at " << std::hex << site;
        sim::Data<std::uint8_t>(site + 1) ^= 0x01;
        // The host's own code runs as it always did.
        EXPECT_EQ(sim::RunChecked(sites.defaultLanguage).eax, sim::kHostsOwnLanguageChoice);
        sim::UnloadPlugin(plugin);
    }
}

TEST_F(PluginTest, TheHostsLifeFromStartUpToShutdown) {
    Load();
    sim::FakeHost& host = sim::Host();
    const int polski = IndexOf("Polski");
    const int cestina = IndexOf("Cestina");

    // Start-up: the host's routine with its object, then names, dictionaries, language fonts.
    sim::RunChecked(sites.startup);
    EXPECT_EQ(host.startupEcx, reinterpret_cast<void*>(0x0BADF00D));
    EXPECT_EQ(host.dictionaryLoads, std::vector<std::string>{game + "VOXA\\Polski\\polski.txd"});
    EXPECT_EQ(host.fontLoads, std::vector<std::string>{game + "VOXA\\Polski\\polski.dat"});
    EXPECT_EQ(host.textLoads[0], game + "VOXA\\Polski\\DATA/PC_Text/polski.gxt");
    EXPECT_EQ(sim::RunChecked(sites.hostFontLoad).eax & 0xFF, 1u);
    const std::uint32_t hostFontHead = sim::Data<std::uint32_t>(HostFontDataBlock);

    // The default language: this test runs with the Windows language set to Polish.
    const std::uint32_t chosen = sim::RunChecked(sites.defaultLanguage).eax;
    if ((GetUserDefaultLangID() & 0x3FF) == 21) {
        EXPECT_EQ(chosen, static_cast<std::uint32_t>(polski));
    }
    sim::SetLanguageIndex(0);

    // The menu: seven rows on one page; the pointer over Polski's row, accepted.
    sim::Data<float>(HostMenuX) = 10.0f;
    sim::Data<float>(HostMenuRowSpacing) = 20.0f;
    EXPECT_EQ(sim::RunChecked(sites.menuBegin).eax, 1u);
    sim::RunChecked(sites.menuCheckReset);
    host.menu = {.overItem = true, .accept = true, .itemUnderCursor = polski};
    EXPECT_EQ(sim::RunChecked(sites.menuInput).eax & 0xFF, 1u);
    EXPECT_EQ(sim::Data<std::int32_t>(HostSettings + LanguageIndexOffset), polski);
    host.menu = {};
    host.drawnItems.clear();
    sim::RunChecked(sites.menuDraw);
    ASSERT_EQ(host.drawnItems.size(), 7u);
    EXPECT_EQ(host.drawnItems[polski].text, L"Polski");
    EXPECT_EQ(host.drawnItems[polski].selected, 1);
    EXPECT_EQ(host.drawnItems[cestina].text, L"CESTINA");
    EXPECT_NE(host.drawnItems[polski].fontHeadWord, hostFontHead) << "Polski's row in Polski's fonts";
    EXPECT_EQ(host.drawnItems[0].fontHeadWord, hostFontHead);
    EXPECT_NE(sim::Data<std::uint32_t>(HostFontDataBlock), hostFontHead)
        << "the current language's fonts after";

    // Text loads for the chosen language.
    host.textLoads.clear();
    EXPECT_EQ(sim::RunChecked(sites.gameTextLoad).eax & 0xFF, 1u);
    sim::SetCurrentLevel(2, "HARBOUR");
    sim::RunChecked(sites.levelTextLoad);
    EXPECT_EQ(host.textLoads,
              (std::vector<std::string>{game + "VOXA\\Polski\\DATA/PC_Text/polski.gxt",
                                        game + "VOXA\\Polski\\LEVELS/HARBOUR/PC_Text/PC_HARBOUR_PL.GXT"}));

    // Texture lookups find Polski's font texture first.
    for (Address lookup : sites.findTexture) {
        auto* texture = reinterpret_cast<sim::FakeTexture*>(sim::RunChecked(lookup).eax);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->dictionaryTag, host.dictionaries.back()->tag) << "Polski's own dictionary";
    }

    // Conversions: Polski keeps its characters from 128 to 255.
    EXPECT_EQ(sim::HostNarrows(L"Za\xF3\x142\x107"), "Za\xF3##");
    EXPECT_EQ(std::wstring(sim::HostWidensShared("\xF3k", 2)), L"\xF3k");
    EXPECT_EQ(sim::HostWidens("\xB3\xF3"), L"\xB3\xF3");

    // Formatted drawing at the eight sites, and the scene label.
    const wchar_t* frameText = sim::ScratchWideText(L"Kasia");
    for (int path = 1; path <= 8; ++path) {
        host.drawnStrings.clear();
        const sim::HostCodeRun run =
            sim::RunChecked(sites.drawFormatted[path - 1], reinterpret_cast<std::uint32_t>(frameText));
        EXPECT_EQ(run.eax, 0x77u);
        ASSERT_EQ(host.drawnStrings.size(), 1u) << path;
        EXPECT_EQ(host.drawnStrings[0], sim::ExpectedDrawnText(path, L"Kasia")) << path;
        EXPECT_EQ(host.drawStringFloats,
                  (std::vector<float>{sim::kDrawFloats[0], sim::kDrawFloats[1], sim::kDrawFloats[2],
                                      sim::kDrawFloats[3], 0.0f}));
    }
    host.tables[reinterpret_cast<void*>(MainTextTable)]["SCENE"] = L"Scena";
    EXPECT_EQ(sim::HostSceneLabel(6), L"Scena 7");

    // Shutdown: fonts freed, dictionaries released, then the host's own routine.
    host.log.clear();
    EXPECT_EQ(sim::RunChecked(sites.shutdown).eax, 0x5EED5EEDu);
    EXPECT_EQ(host.shutdownArgs[0], 11u);
    EXPECT_EQ(host.shutdownArgs[1], 22u);
    EXPECT_EQ(host.shutdownEcx, reinterpret_cast<void*>(0xC0FFEE));
    EXPECT_EQ(host.log.back(), "HostShutdown");
    EXPECT_EQ(host.releasedDictionaries.size(), 1u);
    EXPECT_EQ(sim::Data<std::uint32_t>(HostFontDataBlock), hostFontHead) << "the host's own font data back";
    EXPECT_EQ(host.complaints, std::vector<std::string>{}) << "every host routine called on its own object";
}

} // namespace
