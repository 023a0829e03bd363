// The rows as the real voxa.asi writes them into the game's code: in table order as protected
// spans, all or none when a page refuses, none at all in another build, and all of them
// however the plug-in's own memory runs out.

#include "plugin_fixture.h"
#include "simhost/protection_hook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace e2e {
namespace {

namespace s = host::site;
using sim::ProtectionCall;
using sim::protectionCalls;
using sim::ProtectionRecorder;

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

} // namespace
} // namespace e2e
