#include "catalogue/catalogue.h"
#include "plugin/entry.h"
#include "plugin/patch_table.h"
#include "simhost/plugin_state.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> HostImageSnapshot() {
    return sim::ReadBytes(sim::kImageStart, sim::kScratchStart - sim::kImageStart);
}

TEST(PluginEntry, ReasonsOtherThanProcessAttachWriteNothingAndSucceed) {
    sim::ResetPlugin();
    const auto before = HostImageSnapshot();
    for (DWORD reason : {DLL_PROCESS_DETACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        EXPECT_EQ(voxa::PluginEntry(nullptr, reason, nullptr), TRUE);
        EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    }
    EXPECT_TRUE(HostImageSnapshot() == before);
}

TEST(PluginEntry, ProcessAttachPatchesEveryRowEvenWithNoLanguages) {
    sim::ResetPlugin();
    EXPECT_EQ(voxa::PluginEntry(nullptr, DLL_PROCESS_ATTACH, nullptr), TRUE);
    // The test program has no VOXA folder beside it.
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    for (const voxa::PatchEntry& row : voxa::PatchTable()) {
        if (row.kind == voxa::PatchKind::CallToPlugin || row.kind == voxa::PatchKind::JumpToPlugin) {
            EXPECT_EQ(sim::BranchTarget(row.site), reinterpret_cast<sim::Address>(row.plugin))
                << std::hex << row.site;
        }
    }
}

} // namespace
