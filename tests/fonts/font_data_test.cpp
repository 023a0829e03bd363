#include "fonts/font_data.h"
#include "simhost/host_code.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using namespace host::addr;
using sim::Address;
using voxa::FontDataBlock;
using voxa::FontDataCopy;

class FontDataTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    void SetUp() override { sim::ResetPlugin(); }
    void TearDown() override { EXPECT_EQ(sim::Host().complaints, std::vector<std::string>{}); }

    // Loads a font file through the host's loader, as the host would.
    const FontDataBlock& HostLoads(const std::string& counts) {
        const std::string path = temp.WriteFile("fonts" + std::to_string(files++) + ".dat", counts);
        EXPECT_EQ(host::HostLoadFontData(path.c_str()), 1);
        return voxa::HostFontData();
    }
    int files = 0;
};

TEST_F(FontDataTest, TheBlockHasTheHostsLayout) {
    const FontDataBlock& block = HostLoads("1 2 3 4 5 6 7 8");
    const auto* words = reinterpret_cast<const std::uint32_t*>(HostFontDataBlock);
    EXPECT_EQ(words[10], 1u); // entryCount of font 0 at offset 40
    EXPECT_EQ(words[22], 2u); // recordCount of font 0 at offset 88
    EXPECT_EQ(block.entryCount[3], 7);
    EXPECT_EQ(block.recordCount[3], 8);
    EXPECT_FLOAT_EQ(block.floatValue[2], 3.75f);
}

TEST_F(FontDataTest, ADeepCopyHasFreshTablesWithTheSourcesBytes) {
    const FontDataBlock& source = HostLoads("3 2 0 0 5 1 1 4");
    sim::Host().allocSizes.clear();
    FontDataCopy copy;
    ASSERT_TRUE(copy.CopyFrom(source, true));
    EXPECT_TRUE(copy.ownsTables);
    // (entryCount + 1) x 4 bytes for the entries, recordCount x 24 for the records, per font.
    EXPECT_EQ(sim::Host().allocSizes, (std::vector<std::uint32_t>{16, 48, 4, 0, 24, 24, 8, 96}));
    for (int font = 0; font < 4; ++font) {
        EXPECT_NE(copy.block.entryTable[font], source.entryTable[font]);
        EXPECT_NE(copy.block.recordTable[font], source.recordTable[font]);
        EXPECT_TRUE(sim::Host().liveBlocks.count(copy.block.entryTable[font]));
        EXPECT_EQ(
            std::memcmp(copy.block.entryTable[font], source.entryTable[font], 4 * source.entryCount[font]),
            0);
        EXPECT_EQ(std::memcmp(copy.block.recordTable[font], source.recordTable[font],
                              24 * source.recordCount[font]),
                  0);
        EXPECT_EQ(copy.block.entryCount[font], source.entryCount[font]);
        EXPECT_EQ(copy.block.recordCount[font], source.recordCount[font]);
        EXPECT_EQ(copy.block.valueA[font], source.valueA[font]);
        EXPECT_EQ(copy.block.valueB[font], source.valueB[font]);
        EXPECT_EQ(copy.block.valueC[font], source.valueC[font]);
        EXPECT_EQ(copy.block.floatValue[font], source.floatValue[font]);
    }
    EXPECT_EQ(copy.block.headWord0, source.headWord0);
    EXPECT_NE(source.headWord1, 0u);
    EXPECT_EQ(copy.block.headWord1, 0u);
    copy.ReleaseTables();

    // An allocator may give null for 0 bytes: an empty table is no failure.
    sim::Host().emptyAllocationsGiveNull = true;
    FontDataCopy empty;
    ASSERT_TRUE(empty.CopyFrom(source, true));
    EXPECT_EQ(empty.block.recordTable[1], nullptr);
    EXPECT_EQ(empty.block.recordCount[1], 0);
    empty.ReleaseTables();
}

TEST_F(FontDataTest, AShallowCopySharesTheTablesAndFreesNothing) {
    const FontDataBlock& source = HostLoads("1 1 1 1 1 1 1 1");
    const std::size_t blocks = sim::Host().liveBlocks.size();
    FontDataCopy copy;
    ASSERT_TRUE(copy.CopyFrom(source, false));
    EXPECT_EQ(std::memcmp(&copy.block, &source, sizeof source), 0);
    copy.ReleaseTables();
    EXPECT_EQ(sim::Host().liveBlocks.size(), blocks);
    EXPECT_TRUE(sim::Host().freeCount.empty());
}

TEST_F(FontDataTest, AnAllocationThatFailsLeavesNoHalfMadeCopy) {
    const FontDataBlock& source = HostLoads("2 2 2 2 2 2 2 2");
    for (int failAt = 0; failAt < 8; ++failAt) {
        const std::size_t blocks = sim::Host().liveBlocks.size();
        sim::Host().allocationsBeforeFailure = failAt;
        FontDataCopy copy;
        EXPECT_FALSE(copy.CopyFrom(source, true)) << failAt;
        EXPECT_EQ(sim::Host().liveBlocks.size(), blocks) << "what was allocated is freed again";
        for (int font = 0; font < 4; ++font)
            EXPECT_EQ(copy.block.entryTable[font], nullptr);
    }
    sim::Host().allocationsBeforeFailure = -1;

    // At start-up such a language goes without font data of its own.
    voxa::LanguageRecord& record = sim::AddLanguage("A");
    record.DataFile = temp.WriteFile("a.dat", "1 1 1 1 1 1 1 1");
    sim::Host().allocationsBeforeFailure = 8 + 3; // the host's own load, then three of the copy's
    voxa::LoadLanguageFontData();
    EXPECT_EQ(record.fontData, nullptr);
}

TEST_F(FontDataTest, TheHostsOwnLoadBecomesTheDefaultThroughTheHostsCall) {
    const std::string hostFile = temp.WriteFile("host.dat", "4 4 4 4 4 4 4 4");
    const Address entry =
        sim::EmitCallSite(host::site::FontDataLoadCall, HostLoadFontData,
                          {{}, {reinterpret_cast<Address>(sim::ScratchText(hostFile.c_str()))}});
    ASSERT_TRUE(sim::InstallPluginPatches());
    const sim::HostCodeRun run = sim::RunHostCode(entry);
    EXPECT_TRUE(run.stackBalanced);
    EXPECT_TRUE(run.registersKept);
    EXPECT_EQ(run.eax & 0xFF, 1u);
    ASSERT_NE(voxa::defaultFontData, nullptr);
    EXPECT_FALSE(voxa::defaultFontData->ownsTables);
    EXPECT_EQ(std::memcmp(&voxa::defaultFontData->block, &voxa::HostFontData(), sizeof(FontDataBlock)), 0);

    FontDataCopy* kept = voxa::defaultFontData;
    EXPECT_EQ(voxa::FontDataLoadHook("no such file"), 0);
    EXPECT_EQ(voxa::defaultFontData, kept) << "a failed load leaves the default alone";
}

TEST_F(FontDataTest, ReleaseFreesEachDeepTableOnceAndRestoresTheHostsOwnData) {
    sim::AddLanguage("A").DataFile = temp.WriteFile("a.dat", "1 2 3 4 5 6 7 8");
    sim::AddLanguage("NoData");
    sim::AddLanguage("Bad").DataFile = temp.path() + "missing.dat";
    sim::AddLanguage("B").DataFile = temp.WriteFile("b.dat", "0 0 1 1 2 2 3 3");
    voxa::LanguageRecord& first = sim::Language(0);
    voxa::LanguageRecord& bad = sim::Language(2);
    voxa::LanguageRecord& last = sim::Language(3);
    voxa::LoadLanguageFontData();
    ASSERT_NE(first.fontData, nullptr);
    ASSERT_NE(last.fontData, nullptr);
    EXPECT_EQ(bad.fontData, nullptr);
    EXPECT_EQ(voxa::FontDataLoadHook(temp.WriteFile("host.dat", "9 9 9 9 9 9 9 9").c_str()), 1);
    const FontDataBlock hostOwn = voxa::HostFontData();

    std::set<void*> deepTables;
    for (const FontDataCopy* copy : {first.fontData, last.fontData})
        for (int font = 0; font < 4; ++font) {
            deepTables.insert(copy->block.entryTable[font]);
            deepTables.insert(copy->block.recordTable[font]);
        }
    std::memcpy(&voxa::HostFontData(), &last.fontData->block, sizeof(FontDataBlock)); // a language applied

    voxa::ReleaseLanguageFontData();
    for (void* table : deepTables)
        EXPECT_EQ(sim::Host().freeCount[table], 1);
    EXPECT_EQ(sim::Host().freeCount.size(), deepTables.size()) << "nothing of the host's own freed";
    for (const auto& record : voxa::LanguageCatalogue)
        EXPECT_EQ(record.fontData, nullptr);
    EXPECT_EQ(voxa::defaultFontData, nullptr);
    EXPECT_EQ(std::memcmp(&voxa::HostFontData(), &hostOwn, sizeof hostOwn), 0);
    EXPECT_TRUE(sim::Host().complaints.empty()) << "only blocks of the host's allocator, on its allocator";
}

TEST_F(FontDataTest, WithoutADefaultTheHostBlockIsNeverLeftOnFreedTables) {
    // Font 1 has no records in either file, and the allocator gives null for them: two empty
    // tables are not one table that both use. A language with no records at all shows that the
    // host uses it by its entry tables alone.
    for (const char* applied : {"1 1 1 0 1 1 1 1", "1 0 1 0 1 0 1 0"}) {
        SCOPED_TRACE(applied);
        sim::ResetPlugin();
        sim::Host().emptyAllocationsGiveNull = true;
        sim::AddLanguage("A").DataFile = temp.WriteFile("a.dat", applied);
        sim::AddLanguage("B").DataFile = temp.WriteFile("b.dat", "2 2 2 0 2 2 2 2");
        voxa::LanguageRecord& record = sim::Language(0);
        voxa::LanguageRecord& other = sim::Language(1);
        voxa::LoadLanguageFontData();
        std::memcpy(&voxa::HostFontData(), &record.fontData->block, sizeof(FontDataBlock));
        const FontDataBlock used = voxa::HostFontData();
        void* otherTable = other.fontData->block.entryTable[0];

        voxa::ReleaseLanguageFontData(); // the host's own font file never loaded
        EXPECT_EQ(std::memcmp(&voxa::HostFontData(), &used, sizeof used), 0)
            << "the host block is left alone";
        for (int font = 0; font < 4; ++font) {
            EXPECT_TRUE(sim::Host().liveBlocks.count(used.entryTable[font])) << "still the host's to use";
            EXPECT_TRUE(used.recordCount[font] == 0 || sim::Host().liveBlocks.count(used.recordTable[font]));
        }
        EXPECT_EQ(sim::Host().freeCount[otherTable], 1) << "a copy the host does not use is freed";
        EXPECT_EQ(record.fontData, nullptr);
        EXPECT_TRUE(sim::Host().complaints.empty());
    }
}

} // namespace
