// A download saved twice: two copies of voxa.asi in the game, loaded one after the other.

#include "plugin_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace e2e {
namespace {

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

} // namespace
} // namespace e2e
