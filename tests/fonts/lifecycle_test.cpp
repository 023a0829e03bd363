#include "text/language_names.h"
#include "fonts/font_data.h"
#include "fonts/language_switch.h"
#include "simhost/host_code.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

using namespace host::addr;
using sim::Address;

class LifecycleTest : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(sim::Host().complaints, std::vector<std::string>{}); }
    sim::TempFolder temp;
    std::string root = temp.path() + "game";
    Address startup = 0, hostFonts = 0, shutdown = 0;

    void SetUp() override {
        sim::ResetPlugin(root);
        const char* hostFontFile = sim::ScratchText(temp.WriteFile("host.dat", "3 3 3 3 3 3 3 3").c_str());
        startup = sim::EmitCallSite(host::site::StartupInitCall, HostStartupInit, {0x1234ABCD, {}, false});
        hostFonts = sim::EmitCallSite(host::site::FontDataLoadCall, HostLoadFontData,
                                      {{}, {reinterpret_cast<Address>(hostFontFile)}, false});
        shutdown = sim::EmitCallSite(host::site::ShutdownCall, HostShutdown, {0xC0FFEE, {11, 22}, true});
        ASSERT_TRUE(sim::InstallPluginPatches());
    }

    // A language with a texture dictionary and font data, and, if asked, game text.
    voxa::LanguageRecord& AddPolski(bool withText) {
        voxa::LanguageRecord& record = sim::AddLanguage("POLSKI");
        if (withText) {
            record.TextDirectory = temp.path();
            record.GameGXTName = "polski.gxt";
        }
        record.TextureFile = temp.WriteFile("polski.txd", "font1\n");
        record.DataFile = temp.WriteFile("polski.dat", "1 1 1 1 1 1 1 1");
        return record;
    }

    void Run(Address entry) {
        const sim::HostCodeRun run = sim::RunHostCode(entry);
        EXPECT_TRUE(run.stackBalanced);
        EXPECT_TRUE(run.registersKept);
        lastEax = run.eax;
    }
    std::uint32_t lastEax = 0;

    std::vector<std::string> Calls(std::initializer_list<const char*> prefixes) const {
        std::vector<std::string> calls;
        for (const std::string& line : sim::Host().log)
            for (const char* prefix : prefixes)
                if (line.rfind(prefix, 0) == 0)
                    calls.push_back(prefix);
        return calls;
    }
};

TEST_F(LifecycleTest, StartUpRunsTheHostsRoutineFirstThenNamesDictionariesAndFonts) {
    voxa::LanguageRecord& record = AddPolski(true);
    Run(startup);
    EXPECT_EQ(sim::Host().startupEcx, reinterpret_cast<void*>(0x1234ABCD))
        << "ECX passed on as the host set it";
    const auto order =
        Calls({"HostStartupInit", "HostTextTableLoad", "HostLoadTextureDictionary", "HostLoadFontData"});
    EXPECT_EQ(order, (std::vector<std::string>{"HostStartupInit", "HostTextTableLoad", "HostTextTableLoad",
                                               "HostTextTableLoad", "HostTextTableLoad", "HostTextTableLoad",
                                               "HostTextTableLoad", "HostLoadTextureDictionary",
                                               "HostLoadFontData"}));
    EXPECT_NE(record.textureDictionary, nullptr);
    EXPECT_NE(record.fontData, nullptr);
    EXPECT_EQ(voxa::defaultFontData, nullptr);
    Run(hostFonts);
    EXPECT_EQ(lastEax & 0xFF, 1u);
    ASSERT_NE(voxa::defaultFontData, nullptr);
}

TEST_F(LifecycleTest, WithNoLanguagesStartUpStillMakesTheBuiltInNames) {
    temp.WriteFile("game\\PC_Text\\PC_SPANISH.GXT", "ESP=Espa\xF1ol\n");
    Run(startup);
    EXPECT_EQ(std::wstring(voxa::BuiltInLanguageNames[4]), L"Espa\xF1ol");
    EXPECT_TRUE(sim::Host().dictionaryLoads.empty());
    EXPECT_EQ(sim::Host().fontLoads.size(), 0u);
}

TEST_F(LifecycleTest, ShutdownFreesFontsThenDictionariesThenGoesOnIntoTheHostsRoutine) {
    voxa::LanguageRecord& record = AddPolski(false);
    Run(startup);
    Run(hostFonts);
    const voxa::FontDataBlock hostOwn = voxa::HostFontData();
    voxa::ApplyLanguage(5);
    sim::Host().log.clear();

    Run(shutdown);
    EXPECT_EQ(lastEax, 0x5EED5EEDu) << "the host's routine's result comes back to the host";
    EXPECT_EQ(sim::Host().shutdownEcx, reinterpret_cast<void*>(0xC0FFEE));
    EXPECT_EQ(sim::Host().shutdownArgs[0], 11u);
    EXPECT_EQ(sim::Host().shutdownArgs[1], 22u);
    const auto order = Calls({"HostMemFree", "HostReleaseTextureDictionary", "HostShutdown"});
    ASSERT_EQ(order.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 8),
              std::vector<std::string>(8, "HostMemFree"));
    EXPECT_EQ(order[8], "HostReleaseTextureDictionary");
    EXPECT_EQ(order[9], "HostShutdown");
    EXPECT_EQ(std::memcmp(&voxa::HostFontData(), &hostOwn, sizeof hostOwn), 0);
    EXPECT_EQ(record.fontData, nullptr);
    EXPECT_EQ(record.textureDictionary, nullptr);
    EXPECT_EQ(voxa::defaultFontData, nullptr);
}

TEST_F(LifecycleTest, RunningOutOfMemoryWhileNamesAreMadeStillLoadsFontsAndTextures) {
    AddPolski(true);
    temp.WriteFile("polski.gxt", "POLSKI=Polski\n");
    temp.WriteFile("game\\PC_Text\\PC_ENGLISH.GXT", "ENG=English\n");
    sim::StartCounting();
    sim::FailAllocation(0);
    Run(startup);
    sim::FailAllocation(-1);
    EXPECT_EQ(sim::Host().startupEcx, reinterpret_cast<void*>(0x1234ABCD));
    EXPECT_NE(sim::Language(0).textureDictionary, nullptr);
    EXPECT_NE(sim::Language(0).fontData, nullptr);
    EXPECT_EQ(std::wstring(sim::Language(0).displayName), L"POLSKI") << "the name never made shows the key";
    EXPECT_EQ(std::wstring(voxa::BuiltInLanguageNames[0]), L"English") << "the other names are made";
}

// Memory running out at any one allocation loses the name being made, which then shows the
// language's key, and no other name.
TEST_F(LifecycleTest, RunningOutOfMemoryAtAnyPointLosesOnlyTheNameBeingMade) {
    AddPolski(true);
    voxa::LanguageRecord& cestina = sim::AddLanguage("CESTINA");
    cestina.TextDirectory = temp.path();
    cestina.GameGXTName = "cestina.gxt";
    temp.WriteFile("polski.gxt", "POLSKI=Polski\n");
    temp.WriteFile("cestina.gxt", "CESTINA=Cestina\n");
    const char* builtIn[5][3] = {{"ENGLISH", "ENG", "English"},
                                 {"FRENCH", "FRA", "Francais"},
                                 {"ITALIAN", "ITA", "Italiano"},
                                 {"GERMAN", "GER", "Deutsch"},
                                 {"SPANISH", "ESP", "Espanol"}};
    for (const auto& [file, key, name] : builtIn)
        temp.WriteFile(std::string("game\\PC_Text\\PC_") + file + ".GXT",
                       std::string(key) + "=" + name + "\n");
    const std::wstring keys[2] = {L"POLSKI", L"CESTINA"}, names[2] = {L"Polski", L"Cestina"};

    sim::StartCounting();
    int lost = 0;
    for (long after = 0; after < 64; ++after) {
        for (voxa::LanguageRecord& record : voxa::LanguageCatalogue)
            std::wmemset(record.displayName, L'?', voxa::kDisplayNameLength);
        std::memset(voxa::BuiltInLanguageNames, 0, sizeof voxa::BuiltInLanguageNames);
        sim::FailAllocation(after);
        EXPECT_NO_THROW(voxa::BuildLanguageNames()) << after;
        sim::FailAllocation(-1);
        int keptKeys = 0;
        for (std::size_t i = 0; i < 2; ++i) {
            const std::wstring shown = sim::Language(i).displayName;
            EXPECT_TRUE(shown == names[i] || shown == keys[i]) << after << ": " << sim::Narrow(shown);
            keptKeys += shown == keys[i];
        }
        EXPECT_LE(keptKeys, 1) << "one failure loses one name";
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(sim::Narrow(voxa::BuiltInLanguageNames[row]), builtIn[row][2]) << after;
        lost += keptKeys;
        if (keptKeys == 0)
            break; // past the last allocation: every name made
    }
    EXPECT_GE(lost, 2) << "failures hit while each extra language's name was made";
}

} // namespace
