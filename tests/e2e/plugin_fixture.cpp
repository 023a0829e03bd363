#include "plugin_fixture.h"

#include <windows.h>

#include <algorithm>

namespace e2e {

using namespace host::addr;

const std::vector<Row>& ExpectedRows() {
    static const std::vector<std::uint8_t> stackPush = {0x8D, 0x0C, 0x24, 0x51, 0x90};
    static const std::vector<Row> rows = {
        {0x493960, Kind::Jump, "WideToNarrow", {}},
        {0x4939B0, Kind::Jump, "NarrowToWideShared", {}},
        {0x5FC000, Kind::Jump, "NarrowToWide", {}},
        {0x49325B, Kind::Bytes, nullptr, {0x77, 0x07}},
        {0x4932C8, Kind::Call, "GameTextLoad", {}},
        {0x4933B3, Kind::Call, "LevelTextLoad", {}},
        {0x5FFF81, Kind::Jump, "MenuBegin", {}},
        {0x5FFFA1, Kind::Jump, "MenuCheckReset", {}},
        {0x5FFFB0, Kind::Jump, "MenuInput", {}},
        {0x6000F0, Kind::Jump, "MenuDraw", {}},
        {0x5EC3EA, Kind::Call, "FindTexture", {}},
        {0x5EC45D, Kind::Call, "FindTexture", {}},
        {0x5EEBEB, Kind::Call, "FindTexture", {}},
        {0x5D7EA0, Kind::Call, "FindTexture", {}},
        {0x5E27D3, Kind::Call, "FontDataLoad", {}},
        {0x5E27A6, Kind::Call, "StartupInit", {}},
        {0x5E4F85, Kind::Call, "Shutdown", {}},
        {0x604E55, Kind::Call, "DefaultLanguage", {}},
        {0x604E5A, Kind::Bytes, nullptr, {0x89, 0xC3}},
        {0x604E5C, Kind::HostBranch, nullptr, {0xE9, 0x41, 0x00, 0x00, 0x00}},
        {0x608420, Kind::Jump, "SceneLabel", {}},
        {0x5DD284, Kind::Bytes, nullptr, {0x8D, 0x54, 0x24, 0x08, 0x52}},
        {0x5DD289, Kind::HostBranch, nullptr, {0xE8, 0x92, 0x09, 0x00, 0x00}},
        {0x5DD293, Kind::Bytes, nullptr, {0x8D, 0x54, 0x24, 0x04, 0x52}},
        {0x5DD2AE, Kind::Call, "DrawFormatted", {}},
        {0x5DC64B, Kind::Bytes, nullptr, {0x90, 0x90, 0x90, 0x90, 0x55}},
        {0x5DC650, Kind::HostBranch, nullptr, {0xE8, 0xCB, 0x15, 0x00, 0x00}},
        {0x5DC664, Kind::Pointer, nullptr, {}},
        {0x5DC65E, Kind::Bytes, nullptr, {0x90, 0x90, 0x90, 0x90, 0x55}},
        {0x5DC682, Kind::Call, "DrawFormatted", {}},
        {0x5DD7BE, Kind::Bytes, nullptr, stackPush},
        {0x5DD7DB, Kind::Call, "DrawFormatted", {}},
        {0x5DD806, Kind::Bytes, nullptr, stackPush},
        {0x5DD823, Kind::Call, "DrawFormatted", {}},
        {0x5DD3BE, Kind::Bytes, nullptr, stackPush},
        {0x5DD3DB, Kind::Call, "DrawFormatted", {}},
        {0x5DD406, Kind::Bytes, nullptr, stackPush},
        {0x5DD423, Kind::Call, "DrawFormatted", {}},
        {0x5DD719, Kind::Bytes, nullptr, stackPush},
        {0x5DD736, Kind::Call, "DrawFormatted", {}},
        {0x5DD761, Kind::Bytes, nullptr, stackPush},
        {0x5DD77E, Kind::Call, "DrawFormatted", {}},
    };
    return rows;
}
// What OutputDebugStringA sends: Windows raises DBG_PRINTEXCEPTION_C with the text, which a
// vectored handler sees first, with or without a debugger attached.
std::string debuggerText;

namespace {

LONG CALLBACK CatchDebugString(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
        debuggerText += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

DebuggerListener::DebuggerListener() : handler_(AddVectoredExceptionHandler(1, CatchDebugString)) {
    debuggerText.clear();
}

DebuggerListener::~DebuggerListener() {
    RemoveVectoredExceptionHandler(handler_);
}

void PluginTest::SetUp() {
    WriteLanguage("Polski", "NameKey=POLSKI\r\nTextureFile=polski.txd\r\nDataFile=polski.dat\r\n"
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

std::string PluginTest::Log() const {
    std::string text;
    return sim::ReadWholeFile(game + "voxa.log", text) ? text : "(none)";
}

std::vector<std::string> PluginTest::Listing() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((game + "VOXA\\*.*").c_str(), &entry);
    do {
        const std::string name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name[0] != '.' && name != "NotALanguage")
            names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

int PluginTest::IndexOf(const std::string& folder) const {
    const auto names = Listing();
    return 5 + static_cast<int>(std::find(names.begin(), names.end(), folder) - names.begin());
}

std::map<std::string, std::set<Address>> PluginTest::Targets() const {
    std::map<std::string, std::set<Address>> targets;
    for (const Row& row : ExpectedRows())
        if (row.kind == Kind::Call || row.kind == Kind::Jump)
            targets[row.routine].insert(sim::BranchTarget(row.site));
    return targets;
}

void PluginTest::ExpectEveryRow() {
    for (const Row& row : ExpectedRows()) {
        const auto at = sim::ReadBytes(row.site, 5);
        switch (row.kind) {
        case Kind::Call:
        case Kind::Jump:
            EXPECT_EQ(at[0], row.kind == Kind::Call ? 0xE8 : 0xE9) << std::hex << row.site;
            EXPECT_TRUE(plugin.Contains(sim::BranchTarget(row.site))) << std::hex << row.site;
            break;
        case Kind::Bytes:
        case Kind::HostBranch:
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
} // namespace e2e
