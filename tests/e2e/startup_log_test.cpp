// voxa.log as a player finds it after a start of the real voxa.asi: what start-up found and
// did, where other plug-ins lie, and an earlier start's log never taken for this one's.

#include "plugin_fixture.h"
#include "simhost/protection_hook.h"

#include <gtest/gtest.h>

#include <voxa_version.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace e2e {
namespace {

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

// CreateFileW as Windows takes it where Wine does not: Wine runs these tests as root and
// writes through both refusals below.
enum class Refusal {
    ReadOnlyAttribute,   // Windows' documented rule: no writing to a file marked read-only
    RightsForbidWriting, // an access list that denies writing voxa.log but lets the folder delete it
};
Refusal refusal = Refusal::ReadOnlyAttribute;
sim::RoutineReplaced* createFile = nullptr;

HANDLE WINAPI CreateFileAsOnWindows(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                    DWORD disposition, DWORD flags, HANDLE templateFile) {
    const DWORD attributes = GetFileAttributesW(path);
    const bool writing = (access & (GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
    const bool existingFile =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    const bool refused =
        writing && existingFile &&
        (refusal == Refusal::ReadOnlyAttribute ? (attributes & FILE_ATTRIBUTE_READONLY) != 0
                                               : std::wstring_view(path).ends_with(L"\\voxa.log"));
    if (refused) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    sim::RoutineReplaced::Original original(*createFile);
    return CreateFileW(path, access, share, security, disposition, flags, templateFile);
}

class WindowsFileRules {
  public:
    explicit WindowsFileRules(Refusal how)
        : replaced_(Armed(how), reinterpret_cast<const void*>(&CreateFileAsOnWindows)) {
        createFile = &replaced_;
    }
    ~WindowsFileRules() { createFile = nullptr; }
    WindowsFileRules(const WindowsFileRules&) = delete;
    WindowsFileRules& operator=(const WindowsFileRules&) = delete;

  private:
    static const char* Armed(Refusal how) {
        refusal = how;
        return "CreateFileW";
    }
    sim::RoutineReplaced replaced_;
};

TEST_F(PluginTest, AnEarlierLogIsNeverTakenForThisStarts) {
    const std::string path = game + "voxa.log";
    const std::string notRemoved =
        "voxa: " + path + " could not be written or removed: the log there is from an earlier start\n";
    const auto thisStarts = [&] {
        return Log().rfind("voxa: voxa " VOXA_VERSION "\r\n", 0) == 0 &&
               Log().find("the last run") == std::string::npos;
    };

    // Left read-only and hidden (copied from a disc, say): the read-only attribute is cleared and
    // the file rewritten in place, so it stays hidden. Written anew, it would lose that.
    temp.WriteFile("game\\voxa.log", "the last run's log\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    {
        DebuggerListener debugger;
        WindowsFileRules windows(Refusal::ReadOnlyAttribute);
        Load();
    }
    EXPECT_TRUE(thisStarts()) << Log();
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(debuggerText.find(notRemoved), std::string::npos) << debuggerText;
    sim::UnloadPlugin(plugin);
    SetUp();

    // Its rights forbid writing it, but the folder lets it be deleted: it goes, and this start's
    // log is written in its place.
    temp.WriteFile("game\\voxa.log", "the last run's log\r\n");
    {
        DebuggerListener debugger;
        WindowsFileRules windows(Refusal::RightsForbidWriting);
        Load();
    }
    EXPECT_TRUE(thisStarts()) << Log();
    EXPECT_EQ(debuggerText.find(notRemoved), std::string::npos) << debuggerText;
    sim::UnloadPlugin(plugin);
    SetUp();

    // Held open by a program that shares it with no one: it can be neither rewritten nor
    // removed, and a debugger is told that it is not this start's. The read-only attribute,
    // which sharing does not guard, is cleared on the way; the file's other attributes are kept.
    temp.WriteFile("game\\voxa.log", "the last run's log\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        DebuggerListener debugger;
        Load();
    }
    CloseHandle(holder);
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_NE(debuggerText.find(notRemoved), std::string::npos) << debuggerText;
    EXPECT_NE(debuggerText.find("voxa: build check passed"), std::string::npos) << "the lines still go out";
    ExpectEveryRow();
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

} // namespace
} // namespace e2e
