#include "core/patch_writer.h"
#include "simhost/fake_host.h"
#include "simhost/host_code.h"
#include "simhost/protection_hook.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <span>

namespace {

using sim::Address;
using voxa::PatchEntry;
using voxa::PatchKind;

constexpr Address kSite = sim::kScratchStart + 0x1000;

DWORD ProtectionAt(Address at) {
    MEMORY_BASIC_INFORMATION region;
    VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region);
    return region.Protect;
}

class PatchWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::InstallFakeHost();
        DWORD old;
        VirtualProtect(reinterpret_cast<void*>(kSite), 16, PAGE_EXECUTE_READ, &old);
    }
    void TearDown() override {
        DWORD old;
        VirtualProtect(reinterpret_cast<void*>(kSite), 16, PAGE_EXECUTE_READWRITE, &old);
    }
};

extern "C" int __cdecl PluginRoutineStandIn(int x) {
    return x * 3;
}
const int kPluginDatum = 0;

std::vector<std::uint8_t> Little(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

TEST_F(PatchWriterTest, EachKindWritesExactlyItsBytesAndKeepsTheProtection) {
    const auto routine = reinterpret_cast<Address>(&PluginRoutineStandIn);
    const std::uint32_t toRoutine = routine - (kSite + 5);
    struct Case {
        PatchEntry entry;
        std::vector<std::uint8_t> expected;
    };
    const Case cases[] = {
        {{kSite, PatchKind::CallToPlugin, reinterpret_cast<const void*>(routine)}, {0xE8}},
        {{kSite, PatchKind::JumpToPlugin, reinterpret_cast<const void*>(routine)}, {0xE9}},
        {{kSite, PatchKind::HostInternalCall, nullptr, kSite + 5 + 0x992}, {0xE8, 0x92, 0x09, 0x00, 0x00}},
        {{kSite, PatchKind::HostInternalJump, nullptr, kSite - 0x10}, {0xE9, 0xEB, 0xFF, 0xFF, 0xFF}},
        {{kSite, PatchKind::Raw2, nullptr, 0, {0x77, 0x07}}, {0x77, 0x07, 0xCC}},
        {{kSite, PatchKind::Raw5, nullptr, 0, {0x8D, 0x54, 0x24, 0x08, 0x52}},
         {0x8D, 0x54, 0x24, 0x08, 0x52, 0xCC}},
        {{kSite, PatchKind::Pointer, &kPluginDatum}, Little(reinterpret_cast<std::uint32_t>(&kPluginDatum))},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> expected = c.expected;
        if (c.entry.kind == PatchKind::CallToPlugin || c.entry.kind == PatchKind::JumpToPlugin)
            for (std::uint8_t byte : Little(toRoutine))
                expected.push_back(byte);
        DWORD old;
        VirtualProtect(reinterpret_cast<void*>(kSite), 16, PAGE_EXECUTE_READWRITE, &old);
        std::memset(reinterpret_cast<void*>(kSite), 0xCC, 16);
        VirtualProtect(reinterpret_cast<void*>(kSite), 16, PAGE_EXECUTE_READ, &old);

        voxa::WritePatch(c.entry);

        EXPECT_EQ(sim::ReadBytes(kSite, expected.size()), expected) << "kind " << int(c.entry.kind);
        EXPECT_EQ(ProtectionAt(kSite), static_cast<DWORD>(PAGE_EXECUTE_READ)) << "kind " << int(c.entry.kind);
    }
}

TEST_F(PatchWriterTest, AWrittenCallReachesThePluginRoutineAsLoaded) {
    DWORD old;
    VirtualProtect(reinterpret_cast<void*>(kSite), 16, PAGE_EXECUTE_READWRITE, &old);
    const Address entry = sim::EmitCallSite(kSite, kSite + 0x200, {{}, {14}, false});
    voxa::WritePatch({kSite, PatchKind::CallToPlugin, reinterpret_cast<const void*>(&PluginRoutineStandIn)});
    const sim::HostCodeRun run = sim::RunHostCode(entry);
    EXPECT_EQ(run.eax, 42u);
    EXPECT_TRUE(run.stackBalanced);
    EXPECT_TRUE(run.registersKept);
}

// The original bytes of every row are kept on the stack, so the table's size is bounded: a
// table of the full size is written whole, one row more is refused before a byte changes.
TEST_F(PatchWriterTest, ATableOfTheMostRowsIsWrittenAndALongerOneIsNot) {
    constexpr Address kRows = kSite + 0x1000; // a page of its own, left writable
    std::vector<PatchEntry> table;
    for (std::size_t row = 0; row <= voxa::kMaxPatchRows; ++row)
        table.push_back(
            {kRows + 2 * row, PatchKind::Raw2, nullptr, 0, {0x90, static_cast<std::uint8_t>(row)}});
    const std::size_t span = 2 * table.size();
    sim::WriteBytes(kRows, std::vector<std::uint8_t>(span, 0xCC));

    const voxa::PatchesWritten tooLong = voxa::WritePatches(table);
    EXPECT_EQ(tooLong.rows, 0u);
    EXPECT_EQ(tooLong.failedRow, voxa::kMaxPatchRows);
    EXPECT_EQ(sim::ReadBytes(kRows, span), std::vector<std::uint8_t>(span, 0xCC));

    table.pop_back();
    const voxa::PatchesWritten whole = voxa::WritePatches(table);
    EXPECT_EQ(whole.rows, voxa::kMaxPatchRows);
    const auto written = sim::ReadBytes(kRows, span);
    EXPECT_EQ(written[2 * voxa::kMaxPatchRows - 1], voxa::kMaxPatchRows - 1) << "the last row";
    EXPECT_EQ(written[2 * voxa::kMaxPatchRows], 0xCC) << "nothing past it";
}

// Windows refuses whole pages. A call whose displacement lies on the next page, which cannot be
// made writable, gets its opcode in, and only that byte goes back: a put-back of the whole row
// would touch the refused page and be refused too, leaving the opcode before the old bytes. A
// pointer that ends where the refused page begins goes back by its own four bytes, for the same
// reason.
TEST_F(PatchWriterTest, ARowBesideARefusedPageIsPutBackAsItWas) {
    constexpr Address kPage = kSite + 0x2000;
    constexpr Address kRefused = kPage + sim::kPageSize;
    const std::vector<std::uint8_t> old(sim::kPageSize + 8, 0xCC);
    const PatchEntry displacementOnTheNextPage[] = {
        {kPage + 0x10, PatchKind::Raw2, nullptr, 0, {0x77, 0x07}},
        {kRefused - 1, PatchKind::CallToPlugin, reinterpret_cast<const void*>(&PluginRoutineStandIn)},
    };
    const PatchEntry pointerEndingAtThePage[] = {
        {kPage + 0x10, PatchKind::Raw2, nullptr, 0, {0x77, 0x07}},
        {kRefused - 4, PatchKind::Pointer, &kPluginDatum},
        {kRefused + 2, PatchKind::Raw2, nullptr, 0, {0x77, 0x07}},
    };
    for (const std::span<const PatchEntry> table : {std::span<const PatchEntry>(displacementOnTheNextPage),
                                                    std::span<const PatchEntry>(pointerEndingAtThePage)}) {
        SCOPED_TRACE(table.size());
        sim::WriteBytes(kPage, old);
        voxa::PatchesWritten written;
        {
            sim::ProtectionRecorder refusing(kRefused);
            written = voxa::WritePatches(table);
        }
        EXPECT_EQ(written.rows, 0u);
        EXPECT_EQ(written.failedRow, table.size() - 1);
        EXPECT_TRUE(written.putBack);
        EXPECT_EQ(sim::ReadBytes(kPage, old.size()), old);
    }
}

TEST(WriteHostBytes, SaysWhetherTheSpanWasWritten) {
    // Reserved, never committed: its protection cannot change, and a store would fault (a
    // writer that stored anyway ends the test here).
    void* reserved = VirtualAlloc(nullptr, 0x10000, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    const std::uint8_t bytes[5] = {0xE9, 1, 2, 3, 4};
    EXPECT_FALSE(voxa::WriteHostBytes(reinterpret_cast<Address>(reserved), 5, bytes));
    VirtualFree(reserved, 0, MEM_RELEASE);
    // Read-only memory is made writable for the store, and its protection given back.
    auto* page =
        static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(voxa::WriteHostBytes(reinterpret_cast<Address>(page) + 3, 5, bytes));
    EXPECT_EQ(std::vector<std::uint8_t>(page + 3, page + 8), std::vector<std::uint8_t>(bytes, bytes + 5));
    MEMORY_BASIC_INFORMATION region;
    VirtualQuery(page, &region, sizeof region);
    EXPECT_EQ(region.Protect, static_cast<DWORD>(PAGE_READONLY));
    VirtualFree(page, 0, MEM_RELEASE);
}

TEST(HostCodeFragments, NoticeACalleeThatRemovesArgumentsItShouldNot) {
    sim::InstallFakeHost();
    // A stdcall routine called as if cdecl: the stack ends up 4 bytes off.
    struct Callee {
        static int __stdcall TakesOne(int x) { return x; }
    };
    const Address entry = sim::EmitCaller(reinterpret_cast<Address>(&Callee::TakesOne), {{}, {5}, false});
    const sim::HostCodeRun run = sim::RunHostCode(entry);
    EXPECT_EQ(run.eax, 5u);
    EXPECT_FALSE(run.stackBalanced);
}

TEST(HostCodeFragments, NoticeASpoiledRegister) {
    sim::InstallFakeHost();
    const Address spoiler = sim::ScratchAlloc(16);
    sim::WriteBytes(spoiler, {0xBE, 1, 2, 3, 4, 0xC3}); // mov esi, 0x04030201; ret
    const sim::HostCodeRun run = sim::RunHostCode(sim::EmitCaller(spoiler, {}));
    EXPECT_TRUE(run.stackBalanced);
    EXPECT_FALSE(run.registersKept);
}

} // namespace
