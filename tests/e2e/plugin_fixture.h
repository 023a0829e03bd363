#pragma once
// What the end-to-end tests of the real voxa.asi share: the patch table as the host should see
// it after start-up, a listener for what the plug-in tells a debugger, and a game folder with a
// VOXA folder of several languages in a freshly simulated host.

#include "simhost/fake_host.h"
#include "simhost/host_sites.h"
#include "simhost/plugin_loader.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace e2e {

using sim::Address;

enum class Kind { Call, Jump, Bytes, HostBranch, Pointer };
struct Row {
    Address site;
    Kind kind;
    const char* routine; // for Call and Jump
    std::vector<std::uint8_t> bytes;
};

// The patch table as the host should see it after start-up, row by row. The sites are
// written out rather than taken from the host interface, so that a wrong digit there
// fails a test instead of moving the plug-in and the simulated game together.
const std::vector<Row>& ExpectedRows();

// What OutputDebugStringA sent while a listener lived.
extern std::string debuggerText;

class DebuggerListener {
  public:
    DebuggerListener();
    ~DebuggerListener();
    DebuggerListener(const DebuggerListener&) = delete;
    DebuggerListener& operator=(const DebuggerListener&) = delete;

  private:
    void* handler_;
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

    void SetUp() override;
    void TearDown() override { sim::UnloadPlugin(plugin); }

    void WriteLanguage(const std::string& folder, const std::string& keys) {
        temp.WriteFile("game\\VOXA\\" + folder + "\\lang.ini", "[LANG]\r\n" + keys);
    }
    void Load(bool away = false) { plugin = sim::LoadPlugin(sim::InstallPluginInto(game), away); }

    // voxa.log beside the plug-in, or "(none)".
    std::string Log() const;
    static bool Has(const std::string& log, const std::string& line) {
        return log.find("voxa: " + line + "\r\n") != std::string::npos;
    }

    // The language folders in the order the file system lists them: their order in the menu.
    std::vector<std::string> Listing() const;
    int IndexOf(const std::string& folder) const;

    // The plug-in routine each row reaches.
    std::map<std::string, std::set<Address>> Targets() const;
    void ExpectEveryRow();
};

} // namespace e2e
