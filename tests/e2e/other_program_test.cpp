// voxa.asi loaded into a program that is not the game: its own code lies where the game's
// would, and none of it may be touched.

#include "simhost/plugin_loader.h"
#include "simhost/test_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The readable memory of [start, end), region by region.
std::vector<std::uint8_t> Readable(std::uintptr_t start, std::uintptr_t end) {
    std::vector<std::uint8_t> bytes;
    for (std::uintptr_t at = start; at < end;) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) == 0)
            break;
        const std::uintptr_t regionEnd =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        const bool readable = region.State == MEM_COMMIT && !(region.Protect & (PAGE_NOACCESS | PAGE_GUARD));
        if (readable) {
            const auto* from = reinterpret_cast<const std::uint8_t*>(at);
            bytes.insert(bytes.end(), from, from + (std::min(regionEnd, end) - at));
        }
        at = regionEnd;
    }
    return bytes;
}

// This program's code: its first section, which the linker puts at 0x401000.
std::pair<std::uintptr_t, std::uintptr_t> CodeRange() {
    const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* code = IMAGE_FIRST_SECTION(nt);
    return {base + code->VirtualAddress, base + code->VirtualAddress + code->Misc.VirtualSize};
}

TEST(AnotherProgram, LoadingThePluginWritesNothingAndItsCodeRunsOn) {
    sim::TempFolder temp;
    temp.WriteFile("VOXA\\Polski\\lang.ini", "[LANG]\r\nNameKey=POLSKI\r\n");
    const auto [start, end] = CodeRange();
    ASSERT_EQ(start, 0x401000u);
    ASSERT_GT(end, 0x493960u + 5) << "this program's code covers some of the game's patched places";
    const auto before = Readable(start, end);
    sim::LoadedPlugin plugin = sim::LoadPlugin(sim::InstallPluginInto(temp.path()));
    EXPECT_NE(plugin.module, nullptr);
    const auto after = Readable(start, end);
    EXPECT_TRUE(before == after);
    sim::UnloadPlugin(plugin);
    std::string log;
    ASSERT_TRUE(sim::ReadWholeFile(temp.path() + "voxa.log", log));
    EXPECT_NE(log.find("voxa: this is not the game build voxa was made for: the game was left untouched"),
              std::string::npos)
        << log;
}

} // namespace
