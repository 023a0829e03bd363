// The real voxa.asi loaded with LoadLibrary into the simulated host, from a game folder with
// a VOXA folder of several languages, and driven through the patched sites only.

#include "simhost/fake_host.h"
#include "simhost/host_sites.h"
#include "simhost/plugin_loader.h"
#include "simhost/protection_hook.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

#include <voxa_version.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

namespace {

using namespace host::addr;
namespace s = host::site;
using sim::Address;

enum class Kind { Call, Jump, Bytes, HostBranch, Pointer };
struct Row {
    Address site;
    Kind kind;
    const char* routine; // for Call and Jump
    std::vector<std::uint8_t> bytes;
};

// The patch table as the host should see it after start-up, row by row. The sites are
// written out here rather than taken from the host interface, so that a wrong digit there
// fails this test instead of moving the plug-in and the simulated game together.
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

using sim::ProtectionCall;
using sim::protectionCalls;
using sim::ProtectionRecorder;

// What OutputDebugStringA sends: Windows raises DBG_PRINTEXCEPTION_C with the text, which a
// vectored handler sees first, with or without a debugger attached.
std::string debuggerText;

LONG CALLBACK CatchDebugString(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
        debuggerText += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    return EXCEPTION_CONTINUE_SEARCH;
}

class DebuggerListener {
  public:
    DebuggerListener() : handler_(AddVectoredExceptionHandler(1, CatchDebugString)) { debuggerText.clear(); }
    ~DebuggerListener() { RemoveVectoredExceptionHandler(handler_); }

  private:
    void* handler_;
};

// msvcrt's malloc, made to refuse one allocation of the plug-in's own code: the plug-in's
// operator new reaches it through its import. Its entry is replaced by a jump here; the
// original runs from a copy of its first whole instructions followed by a jump back.
using MallocFn = void*(__cdecl*)(std::size_t);
MallocFn originalMalloc = nullptr;
long pluginAllocationsBeforeFailure = -1; // -1: none fails
int pluginAllocations = 0;

bool CalledFromPlugin(const void* returnAddress) {
    HMODULE module = nullptr;
    char name[MAX_PATH] = {};
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(returnAddress), &module) &&
           GetModuleFileNameA(module, name, sizeof name) > 0 && std::string_view(name).ends_with("voxa.asi");
}

void* __cdecl RefusingMalloc(std::size_t size) {
    if (CalledFromPlugin(__builtin_return_address(0)) &&
        pluginAllocations++ == pluginAllocationsBeforeFailure)
        return nullptr;
    return originalMalloc(size);
}

// The length of the instruction at code, for the few that begin functions; 0 for others.
std::size_t PrologueInstructionLength(const std::uint8_t* code) {
    if (code[0] == 0x55 || code[0] == 0x53 || code[0] == 0x56 || code[0] == 0x57)
        return 1; // push ebp / ebx / esi / edi
    if ((code[0] == 0x8B && (code[1] == 0xFF || code[1] == 0xEC)) || (code[0] == 0x89 && code[1] == 0xE5))
        return 2; // mov edi, edi / mov ebp, esp
    if (code[0] == 0x83 && code[1] == 0xEC)
        return 3; // sub esp, imm8
    return 0;
}

class MallocHook {
  public:
    MallocHook() {
        entry_ = reinterpret_cast<std::uint8_t*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "malloc"));
        while (copied_ < 5) {
            const std::size_t length = PrologueInstructionLength(entry_ + copied_);
            if (length == 0)
                return;
            copied_ += length;
        }
        trampoline_ = static_cast<std::uint8_t*>(
            VirtualAlloc(nullptr, 16, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        std::memcpy(trampoline_, entry_, copied_);
        WriteJump(trampoline_ + copied_, entry_ + copied_);
        originalMalloc = reinterpret_cast<MallocFn>(trampoline_);
        std::memcpy(saved_, entry_, 5);
        DWORD previous = 0;
        VirtualProtect(entry_, 5, PAGE_EXECUTE_READWRITE, &previous);
        WriteJump(entry_, reinterpret_cast<std::uint8_t*>(&RefusingMalloc));
        VirtualProtect(entry_, 5, previous, &previous);
        FlushInstructionCache(GetCurrentProcess(), entry_, 5);
    }
    ~MallocHook() {
        if (trampoline_ == nullptr)
            return;
        DWORD previous = 0;
        VirtualProtect(entry_, 5, PAGE_EXECUTE_READWRITE, &previous);
        std::memcpy(entry_, saved_, 5);
        VirtualProtect(entry_, 5, previous, &previous);
        FlushInstructionCache(GetCurrentProcess(), entry_, 5);
        VirtualFree(trampoline_, 0, MEM_RELEASE);
    }
    bool Hooked() const { return trampoline_ != nullptr; }

  private:
    static void WriteJump(std::uint8_t* at, const std::uint8_t* to) {
        const auto displacement = reinterpret_cast<Address>(to) - (reinterpret_cast<Address>(at) + 5);
        at[0] = 0xE9;
        std::memcpy(at + 1, &displacement, 4);
    }
    std::uint8_t* entry_ = nullptr;
    std::uint8_t* trampoline_ = nullptr;
    std::size_t copied_ = 0;
    std::uint8_t saved_[5] = {};
};

// The host's code as a game has it, executable and not writable, for as long as it lives.
class HostCodeReadOnly {
  public:
    HostCodeReadOnly() { VirtualProtect(Code(), kCodeEnd - sim::kImageStart, PAGE_EXECUTE_READ, &previous_); }
    ~HostCodeReadOnly() { VirtualProtect(Code(), kCodeEnd - sim::kImageStart, previous_, &previous_); }

  private:
    static constexpr Address kCodeEnd = 0x700000;
    static void* Code() { return reinterpret_cast<void*>(sim::kImageStart); }
    DWORD previous_ = 0;
};

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

    // voxa.log beside the plug-in, or "(none)".
    std::string Log() const {
        std::string text;
        return sim::ReadWholeFile(game + "voxa.log", text) ? text : "(none)";
    }
    static bool Has(const std::string& log, const std::string& line) {
        return log.find("voxa: " + line + "\r\n") != std::string::npos;
    }

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
};

TEST_F(PluginTest, EveryRowIsWrittenAndReachesThePlugin) {
    Load();
    ExpectEveryRow();
}

TEST_F(PluginTest, TheLogSaysWhatStartUpFoundAndDid) {
    // The last start's log, longer than this start's: none of it may stay behind.
    temp.WriteFile("game\\voxa.log", std::string(4000, '-') + "the last run's log\r\n");
    temp.MakeFolder("game\\VOXA\\.hidden");
    temp.MakeFolder("game\\VOXA\\Unpacked\\lang.ini");
    // A folder whose lang.ini path is one character too long to be read.
    const std::string longName(259 - (game + "VOXA\\").size() - 9 + 1, 'x');
    ASSERT_TRUE(sim::MakeLongFolder(game + "VOXA\\" + longName));
    // Other plug-ins where plug-in loaders look, and files that are none.
    temp.WriteFile("game\\widescreen.asi", "x");
    temp.WriteFile("game\\scripts\\fix.asi", "x");
    temp.WriteFile("game\\plugins\\Old.ASI", "x");
    temp.WriteFile("game\\plugins\\readme.txt", "x");
    temp.WriteFile("game\\VOXA\\Polski\\stray.asi", "x");
    {
        DebuggerListener debugger;
        Load();
    }
    ExpectEveryRow();
    const std::string log = Log();
    const std::vector<std::string> lines = {
        "voxa " VOXA_VERSION,
        "reading the languages in " + game + "VOXA\\",
        "language " + std::to_string(IndexOf("Polski")) + ": NameKey \"POLSKI\", folder Polski",
        "language " + std::to_string(IndexOf("Cestina")) + ": NameKey \"CESTINA\", folder Cestina",
        "skipped NotALanguage: it holds no lang.ini",
        "skipped .hidden: a folder whose name begins with a dot is hidden",
        "skipped Unpacked: its lang.ini is a folder, not a file",
        "skipped " + longName + ": the path of its lang.ini is longer than 259 characters",
        "2 extra languages found",
        "build check passed: 42 rows written into the game's code",
        "another plug-in in the game: widescreen.asi",
        "another plug-in in the game: scripts\\fix.asi",
        "another plug-in in the game: plugins\\Old.ASI",
    };
    for (const std::string& line : lines)
        EXPECT_TRUE(Has(log, line)) << "missing: " << line << "\n" << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), static_cast<long>(lines.size())) << log;
    EXPECT_EQ(log.rfind("voxa: voxa " VOXA_VERSION "\r\n", 0), 0u) << "the version comes first";
    EXPECT_EQ(log.find("the last run"), std::string::npos);
    EXPECT_EQ(log.find("---"), std::string::npos) << "the longer last log is cut";
    // A debugger gets the same lines, with plain line ends.
    std::string plain = log;
    std::erase(plain, '\r');
    EXPECT_EQ(debuggerText, plain);
}

TEST_F(PluginTest, ValuesAreCalledCutOnlyPast259Characters) {
    WriteLanguage("Cestina",
                  "NameKey=" + std::string(300, 'n') + "\r\nGameGXTName=" + std::string(300, 'g') + "\r\n");
    WriteLanguage("Polski", "NameKey=POLSKI\r\nLevelGXTPostfix=" + std::string(259, 'p') + "\r\n");
    Load();
    const std::string log = Log();
    for (const char* key : {"NameKey", "GameGXTName"})
        EXPECT_TRUE(Has(log, game + "VOXA\\Cestina\\lang.ini: " + key +
                                 " is longer than 259 characters and was cut there"))
            << log;
    EXPECT_EQ(log.find("Polski\\lang.ini"), std::string::npos) << "259 characters fit: " << log;
    EXPECT_TRUE(Has(log, "no other plug-in (.asi) in the game folder, scripts or plugins")) << log;
}

TEST_F(PluginTest, AnEarlierLogIsNeverTakenForThisStarts) {
    // Left read-only (copied from a disc, say): rewritten all the same. Windows refuses to open
    // such a file for writing, and the plug-in clears the attribute first; Wine, running these
    // tests as root, writes through it.
    temp.WriteFile("game\\voxa.log", "the last run's log\r\n");
    ASSERT_TRUE(SetFileAttributesA((game + "voxa.log").c_str(), FILE_ATTRIBUTE_READONLY));
    Load();
    EXPECT_EQ(Log().rfind("voxa: voxa " VOXA_VERSION "\r\n", 0), 0u) << Log();
    EXPECT_EQ(Log().find("the last run"), std::string::npos) << Log();
    sim::UnloadPlugin(plugin);
    SetUp();

    // Held open by a program that shares it with no one: it can be neither rewritten nor
    // removed, and a debugger is told that it is not this start's. Left read-only and hidden
    // too: the read-only attribute, which sharing does not guard, is cleared on the way (so
    // this road runs under Wine as well), and the file's other attributes are kept.
    ASSERT_TRUE(
        SetFileAttributesA((game + "voxa.log").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const DWORD keptAttributes = GetFileAttributesA((game + "voxa.log").c_str()) & ~FILE_ATTRIBUTE_READONLY;
    HANDLE holder =
        CreateFileA((game + "voxa.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        DebuggerListener debugger;
        Load();
    }
    CloseHandle(holder);
    EXPECT_EQ(GetFileAttributesA((game + "voxa.log").c_str()), keptAttributes);
    EXPECT_NE(debuggerText.find(
                  "voxa: " + game +
                  "voxa.log could not be written or removed: the log there is from an earlier start\n"),
              std::string::npos)
        << debuggerText;
    EXPECT_NE(debuggerText.find("voxa: build check passed"), std::string::npos) << "the lines still go out";
    ExpectEveryRow();
}

// A download saved twice: the copy loaded second finds the first one's rows in the game, changes
// nothing, and adds one line to the serving copy's log instead of replacing it.
TEST_F(PluginTest, ASecondCopyStandsAsideAndKeepsTheServingCopysLog) {
    Load();
    const std::string served = Log();
    const std::string second = game + "voxa (1).asi";
    ASSERT_TRUE(CopyFileA(sim::BuiltPluginPath().c_str(), second.c_str(), FALSE));
    sim::LoadedPlugin copy = sim::LoadPlugin(second);
    ExpectEveryRow();
    const std::string log = Log();
    EXPECT_EQ(log.rfind(served, 0), 0u) << log;
    EXPECT_EQ(log.substr(std::min(served.size(), log.size())),
              "voxa: another copy of voxa, " + game + "voxa.asi, already serves the game, so " + second +
                  " changed nothing; delete one of them\r\n");
    sim::UnloadPlugin(copy);
}

// From the plugins folder, the game folder is the one above it: the other plug-ins are looked
// for there and in its scripts, and voxa is not its own other plug-in.
TEST_F(PluginTest, FromPluginsTheOtherPluginsAreLookedForFromTheGameFolder) {
    const std::string plugins = temp.MakeFolder("game\\plugins");
    temp.WriteFile("game\\widescreen.asi", "x");
    temp.WriteFile("game\\scripts\\fix.asi", "x");
    plugin = sim::LoadPlugin(sim::InstallPluginInto(plugins));
    std::string log;
    ASSERT_TRUE(sim::ReadWholeFile(plugins + "voxa.log", log));
    EXPECT_TRUE(Has(log, "another plug-in in the game: widescreen.asi")) << log;
    EXPECT_TRUE(Has(log, "another plug-in in the game: scripts\\fix.asi")) << log;
    EXPECT_EQ(log.find("plugins\\voxa.asi"), std::string::npos) << log;
    ExpectEveryRow();
}

TEST_F(PluginTest, AVoxaThatIsAFileIsSaidToBeOne) {
    const std::string other = temp.MakeFolder("other");
    temp.WriteFile("other\\VOXA", "[LANG]\r\nNameKey=X\r\n");
    plugin = sim::LoadPlugin(sim::InstallPluginInto(other));
    std::string log;
    ASSERT_TRUE(sim::ReadWholeFile(other + "voxa.log", log));
    EXPECT_TRUE(Has(log, "VOXA there is a file, not a folder: no extra languages")) << log;
    EXPECT_EQ(log.find("there is no such folder"), std::string::npos) << log;
    ExpectEveryRow();
}

// A game folder so deep that "scripts\*.asi" and "plugins\*.asi" under it are one character past
// the path limit: those folders cannot hold a plug-in, so none is found. Searched cut short, as
// "plugins\*.as", the search would take a file there that is no plug-in for one.
TEST_F(PluginTest, AGameFolderNearThePathLimitHoldsNoOtherPlugin) {
    const std::string deep = temp.MakeFolder(std::string(246 - temp.path().size(), 'd'));
    ASSERT_EQ(deep.size(), 247u) << "\"plugins\\*.asi\" after it makes 260 characters";
    ASSERT_TRUE(sim::MakeLongFolder(deep + "plugins"));
    temp.WriteFile(deep.substr(temp.path().size()) + "plugins\\notes.as", "x");
    plugin = sim::LoadPlugin(sim::InstallPluginInto(deep));
    // Its log's path is as long as its own, and fits as well.
    std::string log;
    EXPECT_TRUE(sim::ReadWholeFile(deep + "voxa.log", log));
    EXPECT_TRUE(Has(log, "no other plug-in (.asi) in the game folder, scripts or plugins")) << log;
    ExpectEveryRow();
}

TEST_F(PluginTest, TheStartingLanguageLineNamesABuiltInLanguage) {
    ASSERT_EQ(GetUserDefaultLangID() & 0x3FF, 21) << "plugin_tests runs under LC_ALL=pl_PL.UTF-8";
    // No language claims Polish: the game's own choice for it, English.
    WriteLanguage("Polski", "NameKey=POLSKI\r\n");
    Load();
    {
        DebuggerListener debugger;
        EXPECT_EQ(sim::RunChecked(sites.defaultLanguage).eax, 0u);
    }
    char line[160];
    std::snprintf(line, sizeof line,
                  "starting language: Windows language 0x%04X (primary language 21) gives English (index 0, "
                  "built in)",
                  GetUserDefaultLangID());
    EXPECT_TRUE(Has(Log(), line)) << Log();
    EXPECT_NE(debuggerText.find("voxa: " + std::string(line) + "\n"), std::string::npos)
        << "a line after start-up goes to a debugger as well: " << debuggerText;
}

// The spans a row is written in: a branch as its opcode, then its displacement.
std::vector<std::pair<Address, Address>> SpansOf(const Row& row) {
    if (row.kind == Kind::Call || row.kind == Kind::Jump || row.kind == Kind::HostBranch)
        return {{row.site, 1}, {row.site + 1, 4}};
    return {{row.site, row.kind == Kind::Pointer ? 4 : static_cast<Address>(row.bytes.size())}};
}

// Whether writing the row changed the bytes of one of its spans: a call row's opcode was a call
// before; every displacement and pointer leads elsewhere now.
bool SpanChanged(const Row& row, Address site, Address size, const std::vector<std::uint8_t>& before) {
    const std::uint8_t* old = before.data() + (site - sim::kImageStart);
    if (row.kind == Kind::Bytes || row.kind == Kind::HostBranch)
        return !std::equal(old, old + size, row.bytes.begin() + (site - row.site));
    if (site == row.site && (row.kind == Kind::Call || row.kind == Kind::Jump))
        return old[0] != (row.kind == Kind::Call ? 0xE8 : 0xE9);
    return true;
}

// A page that cannot be made writable, as Windows refuses it: the first row with a span on it
// fails, and every byte written before goes back, span by span where it changed.
TEST_F(PluginTest, ARowThatCannotBeWrittenLeavesTheGameAsItWas) {
    for (const Address page : {Address{0x608000}, Address{0x493000}}) {
        SetUp();
        const auto touches = [&](Address site, Address size) {
            return site < page + sim::kPageSize && site + size > page;
        };
        std::size_t row = 0;
        const auto rowTouches = [&](const Row& at) {
            const auto spans = SpansOf(at);
            return std::any_of(spans.begin(), spans.end(),
                               [&](const auto& span) { return touches(span.first, span.second); });
        };
        while (row < ExpectedRows().size() && !rowTouches(ExpectedRows()[row]))
            ++row;
        ASSERT_LT(row, ExpectedRows().size()) << std::hex << page;
        const auto before = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        HostCodeReadOnly readOnly;
        {
            ProtectionRecorder recorder(page);
            Load();
        }
        const auto after = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        EXPECT_TRUE(before == after) << "row " << row + 1 << ": every written byte put back";
        char line[200];
        std::snprintf(
            line, sizeof line,
            "build check passed, but row %u (at 0x%06X) could not be made writable: the rows written "
            "before it were put back, and the game was left as it was",
            static_cast<unsigned>(row + 1), ExpectedRows()[row].site);
        const std::string log = Log();
        EXPECT_TRUE(Has(log, line)) << log;
        EXPECT_EQ(log.find("rows written into"), std::string::npos) << log;
        // The normal road's spans up to the refused one, then the changed spans put back, rows
        // last first and each row's spans last first. No row of the game's table crosses a page,
        // so the refused row's first span is refused and nothing of it needs putting back.
        std::vector<ProtectionCall> expected;
        for (std::size_t r = 0; r <= row; ++r)
            for (const auto& [site, size] : SpansOf(ExpectedRows()[r])) {
                expected.push_back({site, size, PAGE_EXECUTE_READWRITE});
                if (r == row)
                    break;
                expected.push_back({site, size, PAGE_EXECUTE_READ});
            }
        for (std::size_t r = row; r-- > 0;) {
            auto spans = SpansOf(ExpectedRows()[r]);
            for (auto span = spans.rbegin(); span != spans.rend(); ++span)
                if (SpanChanged(ExpectedRows()[r], span->first, span->second, before)) {
                    expected.push_back({span->first, span->second, PAGE_EXECUTE_READWRITE});
                    expected.push_back({span->first, span->second, PAGE_EXECUTE_READ});
                }
        }
        ASSERT_EQ(protectionCalls.size(), expected.size()) << "row " << row + 1;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(protectionCalls[i].at, expected[i].at) << "call " << i;
            EXPECT_EQ(protectionCalls[i].length, expected[i].length) << "call " << i;
            EXPECT_EQ(protectionCalls[i].protection, expected[i].protection) << "call " << i;
        }
        EXPECT_EQ(sim::RunChecked(sites.defaultLanguage).eax, sim::kHostsOwnLanguageChoice);
        sim::UnloadPlugin(plugin);
    }
}

TEST_F(PluginTest, MemoryRunningOutAtAnyAllocationOfStartUpStillPatchesTheGame) {
    MallocHook hook;
    if (!hook.Hooked())
        GTEST_SKIP() << "msvcrt's malloc does not begin with instructions this test can move";
    bool sawDiscoveryFail = false;
    int allocations = 0;
    for (long failing = 0;; ++failing) {
        SetUp();
        const auto before = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        pluginAllocations = 0;
        pluginAllocationsBeforeFailure = failing;
        bool loaded = true;
        try {
            Load();
        } catch (const std::exception&) {
            loaded = false;
        }
        pluginAllocationsBeforeFailure = -1;
        if (!loaded) {
            EXPECT_TRUE(sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart) == before);
            ASSERT_LT(failing, 50) << "the load keeps failing";
            continue;
        }
        const std::string log = Log();
        sawDiscoveryFail |=
            Has(log, "memory ran out while the language folders were read; the languages found "
                     "so far are used");
        for (const Row& row : ExpectedRows()) {
            if (row.kind == Kind::Call || row.kind == Kind::Jump) {
                EXPECT_TRUE(plugin.Contains(sim::BranchTarget(row.site))) << "failing " << failing;
            }
        }
        EXPECT_EQ(sim::HostNarrows(L"ok"), "ok") << "failing " << failing;
        const bool allPassed = pluginAllocations <= failing;
        allocations = pluginAllocations;
        sim::UnloadPlugin(plugin);
        if (allPassed)
            break;
    }
    EXPECT_GT(allocations, 5) << "the plug-in's allocations were seen";
    EXPECT_TRUE(sawDiscoveryFail);
}

TEST_F(PluginTest, AFolderWhereNoFileCanBeWrittenGetsNoLogAndChangesNothingElse) {
    // Where the log cannot be created, start-up goes on as ever. On Windows that is a folder
    // the player may not write to (a game under Program Files is not one: Windows moves its
    // writes to the player's VirtualStore folder, which Wine does not do). Wine ignores the
    // read-only attribute of folders and these tests run as root, so a folder of the log's
    // name stands in the way here and CreateFileA fails at the same call.
    temp.MakeFolder("game\\voxa.log");
    Load();
    ExpectEveryRow();
    EXPECT_EQ(sim::HostNarrows(L"ok"), "ok");
    sim::RunChecked(sites.startup);
    EXPECT_EQ(sim::RunChecked(sites.shutdown).eax, 0x5EED5EEDu);
}

TEST_F(PluginTest, RowsAreWrittenInTableOrderAsProtectedSpans) {
    HostCodeReadOnly readOnly;
    {
        ProtectionRecorder recorder;
        Load();
    }
    std::vector<std::pair<Address, Address>> spans;
    for (const Row& row : ExpectedRows()) {
        if (row.kind == Kind::Call || row.kind == Kind::Jump || row.kind == Kind::HostBranch) {
            spans.push_back({row.site, 1}); // the opcode, then its displacement
            spans.push_back({row.site + 1, 4});
        } else {
            spans.push_back(
                {row.site, row.kind == Kind::Pointer ? 4 : static_cast<Address>(row.bytes.size())});
        }
    }
    ASSERT_EQ(spans.size(), 71u);
    ASSERT_EQ(protectionCalls.size(), 2 * spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const ProtectionCall& open = protectionCalls[2 * i];
        const ProtectionCall& close = protectionCalls[2 * i + 1];
        EXPECT_EQ(open.at, spans[i].first) << "span " << i;
        EXPECT_EQ(open.length, spans[i].second) << "span " << i;
        EXPECT_EQ(open.protection, static_cast<DWORD>(PAGE_EXECUTE_READWRITE)) << "span " << i;
        EXPECT_EQ(close.at, spans[i].first) << "span " << i;
        EXPECT_EQ(close.length, spans[i].second) << "span " << i;
        EXPECT_EQ(close.protection, static_cast<DWORD>(PAGE_EXECUTE_READ)) << "span " << i;
        MEMORY_BASIC_INFORMATION after{};
        VirtualQuery(reinterpret_cast<void*>(spans[i].first), &after, sizeof after);
        EXPECT_EQ(after.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ)) << "span " << i;
    }
    ExpectEveryRow();
}

// The host's routines and data as the build has them, written out by hand: the plug-in and
// the simulated game both take them from the host interface, so only this catches a wrong
// digit there. The life test below shows that the plug-in calls exactly these.
TEST(HostInterface, AddressesAreTheBuildsOwn) {
    const std::pair<Address, Address> addresses[] = {
        {HostAllocator, 0x67D000},
        {HostMemAlloc, 0x401350},
        {HostMemFree, 0x401B00},
        {HostLoadFontData, 0x5F6AA0},
        {HostLoadTextureDictionary, 0x4777D0},
        {HostReleaseTextureDictionary, 0x62F340},
        {HostFindTexture, 0x62F660},
        {HostTextTableLoad, 0x4933E0},
        {HostTextTableGet, 0x4937E0},
        {HostTextTableFind, 0x493830},
        {HostTextTableDestroy, 0x493900},
        {HostStringCopy, 0x4F2400},
        {HostStringFromText, 0x4F2550},
        {HostStringAppend, 0x4F2A40},
        {HostStringAppendString, 0x4F2A90},
        {HostStringDestroy, 0x4F2520},
        {HostStartupInit, 0x5F64F0},
        {HostShutdown, 0x5F6D50},
        {HostDrawString, 0x5E5980},
        {HostDrawHelper, 0x5DDC20},
        {HostMenuUpPressed, 0x5D8A10},
        {HostMenuDownPressed, 0x5D8AA0},
        {HostMenuCursorOverItem, 0x5DACC0},
        {HostMenuItemUnderCursor, 0x5DAD00},
        {HostMenuAuxInput, 0x5D8C60},
        {HostMenuAcceptPressed, 0x5D8B30},
        {HostPlayFrontendSound, 0x5D7A40},
        {HostSetLanguage, 0x604DA0},
        {HostMenuDrawTitle, 0x5D5740},
        {HostFontHeight, 0x5FBFC0},
        {HostTextWidth, 0x5E5670},
        {HostSetTextColour, 0x5D7AA0},
        {HostMenuDefaultTextColour, 0x5D7BC0},
        {HostDrawNarrowText, 0x5E55E0},
        {HostMenuDrawItem, 0x5D55C0},
        {HostMenuTrackItem, 0x5D5B30},
        {HostMenuDrawButtonLabels, 0x5D5BB0},
        {HostSettings, 0x7D6AE0},
        {LanguageIndexOffset, 16},
        {MainTextTable, 0x725A38},
        {HostFontDataBlock, 0x7D2B7C},
        {FontTextureSlot0, 0x7D38D8},
        {FontTextureSlot1, 0x7D38DC},
        {FontTextureSlot2, 0x7D38E0},
        {FontTextureSlot3, 0x7D38E4},
        {HostFontDictionaryA, 0x7D366C},
        {HostFontDictionaryB, 0x7D3590},
        {HostFontDictionaryC, 0x7C8704},
        {HostTextRoot, 0x7395BC},
        {HostLevelRoot, 0x7394A4},
        {HostCurrentLevel, 0x75622C},
        {HostLevelNames, 0x756034},
        {HostLanguageFileParts, 0x739664},
        {HostLanguageFilePartSize, 8},
        {HostNarrowBuffer, 0x725E64},
        {HostWideBuffer, 0x725A60},
        {HostPrintBuffer, 0x7D3038},
        {HostSelectedRow, 0x7C87B4},
        {HostMenuMarker, 0x7C86F8},
        {HostMenuContext, 0x7C8700},
        {HostCursor, 0x7C8F70},
        {CursorPointerXOffset, 80},
        {CursorPointerYOffset, 84},
        {HostHighlightFlag, 0x7C8E44},
        {HostMenuX, 0x7C8718},
        {HostMenuY, 0x7C871C},
        {HostMenuRowScaleX, 0x7C8720},
        {HostMenuRowScaleY, 0x7C8724},
        {HostMenuRowSpacing, 0x7C8728},
        {HostMenuArrowGap, 0x7C8734},
        {HostCursor + CursorArrowsEnabledOffset, 0x7C8FE4},
        {HostCursor + CursorAuxSoundOffset, 0x7C8F9C},
    };
    for (std::size_t i = 0; i < std::size(addresses); ++i)
        EXPECT_EQ(addresses[i].first, addresses[i].second)
            << "entry " << i << std::hex << " 0x" << addresses[i].second;
    // The sites in the interface are the same as those the table above expects written.
    const Address interfaceSites[] = {s::WideToNarrowEntry,
                                      s::NarrowToWideSharedEntry,
                                      s::NarrowToWideEntry,
                                      s::TextLoadRangeBranch,
                                      s::GameTextLoadCall,
                                      s::LevelTextLoadCall,
                                      s::LanguageMenuBeginEntry,
                                      s::LanguageMenuCheckResetEntry,
                                      s::LanguageMenuInputEntry,
                                      s::LanguageMenuDrawEntry,
                                      s::FindTextureCallA,
                                      s::FindTextureCallB,
                                      s::FindTextureCallC,
                                      s::FindTextureCallD,
                                      s::FontDataLoadCall,
                                      s::StartupInitCall,
                                      s::ShutdownCall,
                                      s::DefaultLanguageCall,
                                      s::DefaultLanguageResultMove,
                                      s::DefaultLanguageSkip,
                                      s::FormatSceneLabelEntry,
                                      s::DrawArgumentPushA,
                                      s::DrawHelperCallA,
                                      s::DrawArgumentPushB,
                                      s::DrawFormattedCall1,
                                      s::DrawFramePushA,
                                      s::DrawHelperCallB,
                                      s::DrawFormatOperand,
                                      s::DrawFramePushB,
                                      s::DrawFormattedCall2,
                                      s::DrawStackPush3,
                                      s::DrawFormattedCall3,
                                      s::DrawStackPush4,
                                      s::DrawFormattedCall4,
                                      s::DrawStackPush5,
                                      s::DrawFormattedCall5,
                                      s::DrawStackPush6,
                                      s::DrawFormattedCall6,
                                      s::DrawStackPush7,
                                      s::DrawFormattedCall7,
                                      s::DrawStackPush8,
                                      s::DrawFormattedCall8};
    ASSERT_EQ(std::size(interfaceSites), ExpectedRows().size());
    for (std::size_t row = 0; row < ExpectedRows().size(); ++row)
        EXPECT_EQ(interfaceSites[row], ExpectedRows()[row].site) << "row " << row + 1;
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
    // The host routine each checked site calls, written out here.
    const std::map<Address, Address> expectedRoutine = {
        {0x4932C8, 0x4933E0}, {0x4933B3, 0x4933E0}, {0x5EC3EA, 0x62F660},
        {0x5EC45D, 0x62F660}, {0x5EEBEB, 0x62F660}, {0x5D7EA0, 0x62F660},
        {0x5E27D3, 0x5F6AA0}, {0x5E27A6, 0x5F64F0}, {0x5E4F85, 0x5F6D50}};
    for (Address site : checked) {
        SetUp();
        sim::Data<std::uint8_t>(site + 1) ^= 0x01; // the call goes somewhere else in this build
        const auto before = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        Load();
        const auto after = sim::ReadBytes(sim::kImageStart, sim::kImageEnd - sim::kImageStart);
        EXPECT_TRUE(before == after) << "nothing written for a difference at " << std::hex << site;
        char found[160];
        const auto* code = reinterpret_cast<const std::uint8_t*>(site);
        const Address routine = expectedRoutine.at(site);
        const std::uint32_t displacement = routine - (site + 5);
        std::snprintf(
            found, sizeof found,
            "build check failed at 0x%06X: found %02X %02X %02X %02X %02X, expected E8 %02X %02X %02X "
            "%02X (a call of 0x%06X)",
            site, code[0], code[1], code[2], code[3], code[4], displacement & 0xFF,
            (displacement >> 8) & 0xFF, (displacement >> 16) & 0xFF, displacement >> 24, routine);
        const std::string log = Log();
        EXPECT_TRUE(Has(log, found)) << found << "\n" << log;
        EXPECT_TRUE(Has(log,
                        "this is not the game build voxa was made for: the game was left untouched, and its "
                        "own languages work as before"))
            << log;
        EXPECT_EQ(log.find("rows written"), std::string::npos);
        sim::Data<std::uint8_t>(site + 1) ^= 0x01;
        // The host's own code runs as it always did.
        EXPECT_EQ(sim::RunChecked(sites.defaultLanguage).eax, sim::kHostsOwnLanguageChoice);
        sim::UnloadPlugin(plugin);
    }
    // A program with nothing to read where the first row goes is told apart from one whose call
    // differs: the log names the place that could not be read.
    // A guard page is no place to read either: the first read would only raise its alarm.
    for (const DWORD protection : {DWORD{PAGE_NOACCESS}, DWORD{PAGE_EXECUTE_READ | PAGE_GUARD}}) {
        SetUp();
        const Address first = ExpectedRows()[0].site;
        DWORD previous = 0;
        ASSERT_TRUE(VirtualProtect(reinterpret_cast<void*>(first), 1, protection, &previous));
        Load();
        VirtualProtect(reinterpret_cast<void*>(first), 1, previous, &previous);
        char unreadable[120];
        std::snprintf(unreadable, sizeof unreadable,
                      "build check failed: the game's code at 0x%06X is not there to read", first);
        const std::string log = Log();
        EXPECT_TRUE(Has(log, unreadable)) << std::hex << protection << log;
        EXPECT_TRUE(Has(log,
                        "this is not the game build voxa was made for: the game was left untouched, and its "
                        "own languages work as before"))
            << log;
        sim::UnloadPlugin(plugin);
    }
}

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
    ASSERT_EQ(GetUserDefaultLangID() & 0x3FF, 21) << "plugin_tests runs under LC_ALL=pl_PL.UTF-8";
    {
        EXPECT_EQ(chosen, static_cast<std::uint32_t>(polski));
        char line[160];
        std::snprintf(
            line, sizeof line,
            "starting language: Windows language 0x%04X (primary language 21) gives NameKey \"POLSKI\" "
            "(index %d, by its WindowsLangID)",
            GetUserDefaultLangID(), polski);
        EXPECT_TRUE(Has(Log(), line)) << Log();
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
