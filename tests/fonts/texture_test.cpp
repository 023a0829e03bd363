#include "fonts/font_data.h"
#include "fonts/language_switch.h"
#include "fonts/texture_dictionaries.h"
#include "simhost/host_code.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

namespace {

using namespace host::addr;
using sim::Address;
using sim::FakeDictionary;
using sim::FakeTexture;

FakeTexture*& Slot(Address slot) {
    return sim::Data<FakeTexture*>(slot);
}

class TextureTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(sim::Host().complaints, std::vector<std::string>{}); }
    sim::TempFolder temp;
    FakeDictionary *hostA = nullptr, *hostB = nullptr, *hostC = nullptr, *language = nullptr;

    void SetUp() override {
        sim::ResetPlugin();
        hostA = sim::MakeDictionary(1, {"font1", "font2"});
        hostB = sim::MakeDictionary(2, {"font4"});
        hostC = sim::MakeDictionary(3, {"font3"});
        language = sim::MakeDictionary(10, {"font1", "font3", "extra"});
        sim::Data<void*>(HostFontDictionaryA) = hostA;
        sim::Data<void*>(HostFontDictionaryB) = hostB;
        sim::Data<void*>(HostFontDictionaryC) = hostC;
        PutHostTextures();
    }
    void PutHostTextures() {
        Slot(FontTextureSlot0) = hostA->textures["font1"].get();
        Slot(FontTextureSlot1) = hostA->textures["font2"].get();
        Slot(FontTextureSlot2) = hostC->textures["font3"].get();
        Slot(FontTextureSlot3) = hostB->textures["font4"].get();
    }
    std::vector<int> SlotTags() const {
        std::vector<int> tags;
        for (Address slot : {FontTextureSlot0, FontTextureSlot1, FontTextureSlot2, FontTextureSlot3})
            tags.push_back(Slot(slot) ? Slot(slot)->dictionaryTag : 0);
        return tags;
    }
    std::vector<std::string> Finds() const {
        std::vector<std::string> finds;
        for (const std::string& line : sim::Host().log)
            if (line.rfind("HostFindTexture", 0) == 0)
                finds.push_back(line);
        return finds;
    }
};

TEST_F(TextureTest, SlotsArePointedByNameAtTheLanguageAndBackAtTheHost) {
    voxa::ApplyTextureDictionary(language);
    EXPECT_EQ(SlotTags(), (std::vector<int>{10, 1, 10, 2}))
        << "a name the dictionary lacks keeps its texture";
    EXPECT_EQ(std::string(Slot(FontTextureSlot0)->name), "font1");
    EXPECT_EQ(Finds(),
              (std::vector<std::string>{"HostFindTexture(10, font1)", "HostFindTexture(10, font2)",
                                        "HostFindTexture(10, font4)", "HostFindTexture(10, font3)"}));
    sim::Host().log.clear();
    voxa::ApplyTextureDictionary(nullptr);
    EXPECT_EQ(SlotTags(), (std::vector<int>{1, 1, 3, 2}));
    EXPECT_EQ(Finds(), (std::vector<std::string>{"HostFindTexture(1, font1)", "HostFindTexture(1, font2)",
                                                 "HostFindTexture(2, font4)", "HostFindTexture(3, font3)"}));
}

TEST_F(TextureTest, EmptySlotsStayEmptyAndANullHostHandleEmptiesItsSlot) {
    Slot(FontTextureSlot1) = nullptr;
    voxa::ApplyTextureDictionary(language);
    EXPECT_EQ(Slot(FontTextureSlot1), nullptr);
    voxa::ApplyTextureDictionary(nullptr);
    EXPECT_EQ(Slot(FontTextureSlot1), nullptr);
    EXPECT_EQ(Finds().size(), 6u) << "no lookup for an empty slot";
    sim::Data<void*>(HostFontDictionaryB) = nullptr;
    voxa::ApplyTextureDictionary(nullptr);
    EXPECT_EQ(SlotTags(), (std::vector<int>{1, 0, 3, 0}));
}

TEST_F(TextureTest, LoadingAndReleasingTheLanguagesDictionaries) {
    sim::AddLanguage("A").TextureFile = temp.WriteFile("a.txd", "font1\nfont3\n");
    sim::AddLanguage("B").TextureFile = temp.path() + "missing.txd";
    sim::AddLanguage("C");
    voxa::LanguageRecord& withFile = sim::Language(0);
    voxa::LanguageRecord& missing = sim::Language(1);
    voxa::LoadLanguageTextureDictionaries();
    EXPECT_EQ(sim::Host().dictionaryLoads,
              (std::vector<std::string>{withFile.TextureFile, missing.TextureFile}));
    ASSERT_NE(withFile.textureDictionary, nullptr);
    EXPECT_EQ(missing.textureDictionary, nullptr);
    void* loaded = withFile.textureDictionary;
    voxa::ReleaseLanguageTextureDictionaries();
    EXPECT_EQ(sim::Host().releasedDictionaries, std::vector<void*>{loaded});
    for (const auto& record : voxa::LanguageCatalogue)
        EXPECT_EQ(record.textureDictionary, nullptr);
}

TEST_F(TextureTest, LookupsAtTheHostsSitesTryTheCurrentLanguageFirst) {
    const char* name = sim::ScratchText("extra");
    const char* hostName = sim::ScratchText("font2");
    const Address lookup =
        sim::EmitCallSite(host::site::FindTextureCallA, HostFindTexture,
                          {{}, {reinterpret_cast<Address>(hostA), reinterpret_cast<Address>(name)}});
    const Address hostLookup =
        sim::EmitCallSite(host::site::FindTextureCallC, HostFindTexture,
                          {{}, {reinterpret_cast<Address>(hostA), reinterpret_cast<Address>(hostName)}});
    ASSERT_TRUE(sim::InstallPluginPatches());
    sim::AddLanguage("WithDictionary").textureDictionary = language;
    sim::AddLanguage("Without");

    auto run = [](Address entry) {
        sim::Host().log.clear();
        const sim::HostCodeRun result = sim::RunHostCode(entry);
        EXPECT_TRUE(result.stackBalanced);
        EXPECT_TRUE(result.registersKept);
        return reinterpret_cast<FakeTexture*>(result.eax);
    };
    sim::SetLanguageIndex(5);
    EXPECT_EQ(run(lookup), language->textures["extra"].get());
    EXPECT_EQ(Finds(), std::vector<std::string>{"HostFindTexture(10, extra)"});
    EXPECT_EQ(run(hostLookup), hostA->textures["font2"].get()) << "falls through to the host's lookup";
    EXPECT_EQ(Finds(), (std::vector<std::string>{"HostFindTexture(10, font2)", "HostFindTexture(1, font2)"}));
    for (int index : {0, 4, 6, 7, -1}) {
        sim::SetLanguageIndex(index);
        EXPECT_EQ(run(hostLookup), hostA->textures["font2"].get());
        EXPECT_EQ(Finds(), std::vector<std::string>{"HostFindTexture(1, font2)"})
            << "exactly the host's call";
    }
}

class SwitchingTest : public TextureTest {
  protected:
    voxa::LanguageRecord* withFonts = nullptr;
    voxa::LanguageRecord* dictionaryOnly = nullptr;
    voxa::FontDataBlock hostOwn{};

    void SetUp() override {
        TextureTest::SetUp();
        sim::AddLanguage("Fonts").DataFile = temp.WriteFile("a.dat", "1 1 1 1 1 1 1 1");
        sim::AddLanguage("DictionaryOnly").textureDictionary = language;
        withFonts = &sim::Language(0);
        dictionaryOnly = &sim::Language(1);
        voxa::LoadLanguageFontData();
        ASSERT_EQ(voxa::FontDataLoadHook(temp.WriteFile("host.dat", "2 2 2 2 2 2 2 2").c_str()), 1);
        hostOwn = voxa::HostFontData();
    }
    bool HostBlockIs(const voxa::FontDataBlock& block) const {
        return std::memcmp(&voxa::HostFontData(), &block, sizeof block) == 0;
    }
};

TEST_F(SwitchingTest, EachLanguageBringsItsFontDataAndTextures) {
    voxa::ApplyLanguage(5);
    EXPECT_TRUE(HostBlockIs(withFonts->fontData->block));
    EXPECT_EQ(SlotTags(), (std::vector<int>{1, 1, 3, 2}));
    voxa::ApplyLanguage(6);
    EXPECT_TRUE(HostBlockIs(hostOwn)) << "no font data of its own: the default";
    EXPECT_EQ(SlotTags(), (std::vector<int>{10, 1, 10, 2})) << "yet its own dictionary";
    const auto slotsOnce = SlotTags();
    voxa::ApplyLanguage(6);
    EXPECT_EQ(SlotTags(), slotsOnce);
    EXPECT_TRUE(HostBlockIs(hostOwn));
    for (int builtIn : {0, 3, 4, 7, -1, INT32_MIN}) {
        voxa::ApplyLanguage(6);
        voxa::ApplyLanguage(builtIn);
        EXPECT_TRUE(HostBlockIs(hostOwn)) << builtIn;
        EXPECT_EQ(SlotTags(), (std::vector<int>{1, 1, 3, 2})) << builtIn;
    }
}

TEST_F(SwitchingTest, TheCurrentLanguageIsTheHostsIndex) {
    sim::SetLanguageIndex(5);
    voxa::ApplyCurrentLanguage();
    EXPECT_TRUE(HostBlockIs(withFonts->fontData->block));
}

TEST_F(SwitchingTest, WithNeitherCopyNorDefaultTheHostBlockStaysAsItIs) {
    voxa::ReleaseLanguageFontData();
    std::memset(&voxa::HostFontData(), 0x5A, sizeof(voxa::FontDataBlock));
    const voxa::FontDataBlock before = voxa::HostFontData();
    voxa::ApplyLanguage(6);
    EXPECT_TRUE(HostBlockIs(before));
    EXPECT_EQ(SlotTags(), (std::vector<int>{10, 1, 10, 2})) << "the texture step still runs";
}

TEST_F(SwitchingTest, ApplyingALanguageAllocatesNothingAndOpensNoFile) {
    sim::Host().quiet = true;
    sim::StartCounting();
    for (int i = 0; i < 50; ++i)
        for (int index = -1; index < 8; ++index)
            voxa::ApplyLanguage(index);
    const sim::IoAndHeapCounts counts = sim::Counted();
    sim::Host().quiet = false;
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.fileCalls, 0);
    EXPECT_TRUE(sim::Host().fontLoads.size() == 2 && sim::Host().dictionaryLoads.empty());
}

} // namespace
