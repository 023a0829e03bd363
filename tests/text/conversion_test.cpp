#include "core/host.h"
#include "simhost/host_code.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "text/conversion.h"
#include "text/formatted_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace host::addr;
using sim::Address;

Address Ptr(const void* p) {
    return reinterpret_cast<Address>(p);
}

class ConversionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ResetPlugin();
        ASSERT_TRUE(sim::InstallPluginPatches());
        sim::AddLanguage("KEEPS").UseWholeAsciiTable = true;
        sim::AddLanguage("HASHES");
    }

    // The host calls the routine at its own entry, which now jumps to the plug-in.
    sim::HostCodeRun CallHost(Address routine, std::vector<std::uint32_t> args) {
        const sim::HostCodeRun run = sim::RunHostCode(sim::EmitCaller(routine, {{}, std::move(args), false}));
        EXPECT_TRUE(run.stackBalanced);
        EXPECT_TRUE(run.registersKept);
        return run;
    }
    std::string Narrowed(const std::wstring& text) {
        const wchar_t* wide = sim::ScratchWideText(text.c_str());
        const sim::HostCodeRun run = CallHost(host::site::WideToNarrowEntry, {Ptr(wide)});
        EXPECT_EQ(run.eax, HostNarrowBuffer);
        return reinterpret_cast<const char*>(run.eax);
    }
};

TEST_F(ConversionTest, WideToNarrowKeepsAsciiAndCutsAt255) {
    EXPECT_EQ(Narrowed(L""), "");
    // Nothing is read past the terminator: the bytes after it in the host's buffer stay as they were.
    std::memset(reinterpret_cast<void*>(HostNarrowBuffer), 0xA5, 256);
    auto* empty = const_cast<wchar_t*>(sim::ScratchWideText(L"!xy")); // an empty text, then more
    empty[0] = L'\0';
    CallHost(host::site::WideToNarrowEntry, {Ptr(empty)});
    EXPECT_EQ(sim::Data<std::uint8_t>(HostNarrowBuffer), 0);
    EXPECT_EQ(sim::Data<std::uint8_t>(HostNarrowBuffer + 1), 0xA5);
    EXPECT_EQ(Narrowed(L"Hello, world"), "Hello, world");
    EXPECT_EQ(sim::Data<std::uint8_t>(HostNarrowBuffer + 13), 0xA5);
    sim::Data<std::uint8_t>(HostNarrowBuffer + 256) = 0xA5; // the byte after the host's buffer
    EXPECT_EQ(Narrowed(std::wstring(300, L'a')), std::string(255, 'a'));
    EXPECT_EQ(sim::Data<std::uint8_t>(HostNarrowBuffer + 256), 0xA5);
    // The same bound once a unit from 0x80 up has sent the rest through the slower loop.
    EXPECT_EQ(Narrowed(L"\x00E9" + std::wstring(300, L'a')), "#" + std::string(254, 'a'));
    EXPECT_EQ(sim::Data<std::uint8_t>(HostNarrowBuffer + 256), 0xA5);
}

TEST_F(ConversionTest, CharactersFrom128KeptOnlyForALanguageThatAsksForThem) {
    // 0x80 straight after plain ASCII: the first unit that a language without the whole table
    // loses. A control unit after it is text like any other, not an end.
    const std::wstring text = {L'a', 0x80, 0xE9, 0x01, 0xFF, 0x100, 0x410, L'z'};
    sim::SetLanguageIndex(0);
    EXPECT_EQ(Narrowed(text), "a##\x01###z");
    sim::SetLanguageIndex(5);
    EXPECT_EQ(Narrowed(text), std::string("a\x80\xE9\x01\xFF##z"));
    sim::SetLanguageIndex(6);
    EXPECT_EQ(Narrowed(text), "a##\x01###z");
    sim::SetLanguageIndex(7); // beyond the catalogue: a built-in language
    EXPECT_EQ(Narrowed(text), "a##\x01###z");
    sim::SetLanguageIndex(5); // a unit from 0x100 up first, then one to keep
    EXPECT_EQ(Narrowed({0x410, 0xE9, L'b'}), "#\xE9"
                                             "b");
    EXPECT_EQ(Narrowed({0xE9}), "\xE9");
}

TEST_F(ConversionTest, NarrowToWideSharedTakesExactlyLengthBytesUpTo256) {
    // Longer than every length asked for below, so that none reads past it.
    const char* text = sim::ScratchText(std::string(1000, 'b').c_str());
    auto* wide = reinterpret_cast<wchar_t*>(HostWideBuffer);
    sim::Data<std::uint16_t>(HostWideBuffer + 514) = 0xBEEF; // just past the host's buffer

    sim::HostCodeRun run = CallHost(host::site::NarrowToWideSharedEntry, {Ptr(text), 256});
    EXPECT_EQ(run.eax, HostWideBuffer);
    EXPECT_EQ(std::wstring(wide), std::wstring(256, L'b'));
    EXPECT_EQ(sim::Data<std::uint16_t>(HostWideBuffer + 514), 0xBEEF);

    wide[0] = L'Q';
    sim::Data<std::uint32_t>(HostWideBuffer - 4) = 0xCAFEF00D; // just before it
    for (std::int32_t refused : {257, 1000, -1, INT32_MIN}) {
        run = CallHost(host::site::NarrowToWideSharedEntry, {Ptr(text), static_cast<std::uint32_t>(refused)});
        EXPECT_EQ(run.eax, 0u) << refused;
        EXPECT_EQ(wide[0], L'Q') << "nothing written for " << refused;
        EXPECT_EQ(sim::Data<std::uint32_t>(HostWideBuffer - 4), 0xCAFEF00Du) << "nothing written before it";
    }

    run = CallHost(host::site::NarrowToWideSharedEntry, {Ptr(text), 0});
    EXPECT_EQ(wide[0], 0);

    const char raw[] = {'x', '\0', static_cast<char>(0x80), static_cast<char>(0xFF)};
    CallHost(host::site::NarrowToWideSharedEntry, {Ptr(sim::ScratchText("")), 0});
    const Address copy = sim::ScratchAlloc(4);
    std::memcpy(reinterpret_cast<void*>(copy), raw, 4);
    CallHost(host::site::NarrowToWideSharedEntry, {copy, 4});
    EXPECT_EQ(std::vector<wchar_t>(wide, wide + 5), (std::vector<wchar_t>{L'x', 0, 0x80, 0xFF, 0}));
}

TEST_F(ConversionTest, NarrowToWideWidensByValue) {
    std::string text;
    for (int byte = 1; byte < 256; ++byte)
        text += static_cast<char>(byte);
    auto* destination = reinterpret_cast<wchar_t*>(sim::ScratchAlloc(2 * 260));
    destination[256] = 0x7777;
    CallHost(host::site::NarrowToWideEntry, {Ptr(destination), Ptr(sim::ScratchText(text.c_str()))});
    for (int byte = 1; byte < 256; ++byte)
        EXPECT_EQ(destination[byte - 1], static_cast<wchar_t>(byte));
    EXPECT_EQ(destination[255], 0);
    EXPECT_EQ(destination[256], 0x7777);
}

TEST_F(ConversionTest, ConversionsAllocateNothingAndOpenNoFile) {
    sim::SetLanguageIndex(5);
    const std::wstring wide(200, 0xE9);
    const std::string narrow(200, 'n');
    wchar_t destination[201];
    sim::StartCounting();
    for (int i = 0; i < 100; ++i) {
        voxa::WideToNarrow(wide.c_str());
        voxa::NarrowToWideShared(narrow.c_str(), 200);
        voxa::NarrowToWide(destination, narrow.c_str());
    }
    EXPECT_EQ(sim::Counted().allocations, 0);
    EXPECT_EQ(sim::Counted().fileCalls, 0);
}

TEST_F(ConversionTest, SceneLabelNumbersFromOne) {
    sim::Host().tables[host::MainTextTable()]["SCENE"] = L"Szene";
    const sim::HostCodeRun run =
        sim::RunHostCode(sim::EmitCaller(host::site::FormatSceneLabelEntry, {{}, {0}, true}));
    EXPECT_TRUE(run.stackBalanced) << "the label routine removes its own argument";
    EXPECT_TRUE(run.registersKept);
    EXPECT_EQ(run.eax, Ptr(voxa::SceneLabelBuffer));
    EXPECT_EQ(std::wstring(voxa::SceneLabelBuffer), L"Szene 1");
    voxa::FormatSceneLabel(-5);
    EXPECT_EQ(std::wstring(voxa::SceneLabelBuffer), L"Szene -4");
}

TEST_F(ConversionTest, SceneLabelIsCutToItsBuffer) {
    sim::Host().tables[host::MainTextTable()]["SCENE"] = std::wstring(600, L's');
    voxa::FormatSceneLabel(41);
    EXPECT_EQ(std::wstring(voxa::SceneLabelBuffer), std::wstring(511, L's'));
}

TEST_F(ConversionTest, DrawFormattedTextFormatsWideTextAndHandsTheFloatsOn) {
    const wchar_t* format = sim::ScratchWideText(L"%s has %d points");
    const wchar_t* name = sim::ScratchWideText(L"Kasia");
    const sim::HostCodeRun run =
        sim::RunHostCode(sim::EmitCaller(Ptr(reinterpret_cast<const void*>(&voxa::DrawFormattedText)),
                                         {{},
                                          {sim::FloatBits(1.5f), sim::FloatBits(-2.25f), sim::FloatBits(3.0f),
                                           sim::FloatBits(0.125f), Ptr(format), Ptr(name), 42},
                                          false}));
    EXPECT_TRUE(run.stackBalanced);
    EXPECT_TRUE(run.registersKept);
    EXPECT_EQ(run.eax, 0x77u) << "HostDrawString's result";
    ASSERT_EQ(sim::Host().drawnStrings.size(), 1u);
    EXPECT_EQ(sim::Host().drawnStrings[0], L"Kasia has 42 points");
    EXPECT_EQ(sim::Host().drawStringFloats, (std::vector<float>{1.5f, -2.25f, 3.0f, 0.125f, 0.0f}));
    EXPECT_EQ(sim::Host().log.back(), "HostDrawString(Kasia has 42 points, 1.5, -2.25, 3, 0.125, 0, 1)");
    EXPECT_EQ(reinterpret_cast<const wchar_t*>(HostPrintBuffer), std::wstring(L"Kasia has 42 points"));
}

// The host's print buffer holds 684 units before its next datum (0x558 bytes on): a text
// of up to 683 units is drawn whole, a longer one cut there, and nothing lands beyond.
TEST_F(ConversionTest, DrawFormattedTextUsesThePrintBufferToItsEndAndNoFurther) {
    const std::wstring text600(600, L'w'), text2000(2000, L'w');
    sim::Data<std::uint32_t>(HostPrintBuffer + 0x558) = 0xCAFEF00D; // the host's next datum
    voxa::DrawFormattedText(0, 0, 0, 0, L"%s", text600.c_str());
    EXPECT_EQ(sim::Host().drawnStrings.back(), text600);
    voxa::DrawFormattedText(0, 0, 0, 0, L"%s%d", text600.c_str(), 1234567890);
    EXPECT_EQ(sim::Host().drawnStrings.back(), text600 + L"1234567890") << "610 units, whole";
    voxa::DrawFormattedText(0, 0, 0, 0, L"%s%s", text600.c_str(), std::wstring(100, L'x').c_str());
    EXPECT_EQ(sim::Host().drawnStrings.back(), text600 + std::wstring(83, L'x')) << "700 units, cut at 683";
    std::memset(reinterpret_cast<void*>(HostPrintBuffer), 0xCD, 0x558);
    voxa::DrawFormattedText(0, 0, 0, 0, L"%s%s", text2000.c_str(), text2000.c_str());
    EXPECT_EQ(sim::Host().drawnStrings.back().size(), 683u);
    EXPECT_EQ(sim::Data<std::uint32_t>(HostPrintBuffer + 0x558), 0xCAFEF00Du);
}

} // namespace
