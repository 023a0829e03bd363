#include "catalogue/catalogue.h"
#include "catalogue/discovery.h"
#include "core/startup_log.h"
#include "simhost/io_counter.h"
#include "simhost/plugin_state.h"
#include "simhost/test_folders.h"
#include "simhost/test_scale.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <set>

namespace {

class DiscoveryTest : public ::testing::Test {
  protected:
    sim::TempFolder temp;
    std::string voxa = temp.MakeFolder("VOXA");

    void SetUp() override { voxa::LanguageCatalogue.Clear(); }
    void TearDown() override { voxa::LanguageCatalogue.Clear(); }

    void AddLanguage(const std::string& folder, const std::string& nameKey) {
        temp.WriteFile("VOXA\\" + folder + "\\lang.ini", "[LANG]\r\nNameKey=" + nameKey + "\r\n");
    }
    voxa::DiscoveryAccount account;
    // What discovery does once it has the VOXA path.
    void Discover(const std::string& folderPath) {
        account = {};
        voxa::DiscoverLanguagesIn(folderPath.c_str(), account);
    }
    std::vector<std::string> Accounted() const {
        std::vector<std::string> names;
        for (const auto& folder : account.folders)
            names.push_back(folder.name);
        return names;
    }
    std::vector<std::string> Found() const {
        std::vector<std::string> keys;
        for (const auto& record : voxa::LanguageCatalogue)
            keys.push_back(record.NameKey);
        return keys;
    }
};

TEST_F(DiscoveryTest, OnlyDirectSubfoldersWithLangIniThatDoNotStartWithADot) {
    AddLanguage("Polski", "POLSKI");
    temp.MakeFolder("VOXA\\Leer");
    AddLanguage(".old", "OLD");
    temp.WriteFile("VOXA\\readme.txt", "[LANG]\r\nNameKey=README\r\n");
    AddLanguage("Polski\\Nested", "NESTED");
    // A lang.ini that is a folder would read as nothing but defaults: an UNKNOWNLANG row.
    temp.MakeFolder("VOXA\\Folder\\lang.ini");
    Discover(voxa);
    EXPECT_EQ(Found(), std::vector<std::string>{"POLSKI"});
    EXPECT_EQ(voxa::LanguageCatalogue[0].DataFile, "");
    // Every sub-folder is accounted for, files are not; only the language has an index.
    using enum voxa::FolderOutcome;
    std::map<std::string, std::pair<voxa::FolderOutcome, std::int32_t>> outcomes;
    for (const auto& folder : account.folders)
        outcomes[folder.name] = {folder.outcome, folder.languageIndex};
    EXPECT_EQ(outcomes, (decltype(outcomes){{".old", {Hidden, -1}},
                                            {"Folder", {LangIniFolder, -1}},
                                            {"Leer", {NoLangIni, -1}},
                                            {"Polski", {Added, 5}}}));
    EXPECT_EQ(account.listing, voxa::ListingOutcome::Listed);
}

TEST_F(DiscoveryTest, LanguagesComeInListingOrder) {
    for (const char* name : {"Cymraeg", "Alba", "Bretons"})
        AddLanguage(name, name);
    // The listing order as Windows gives it (Wine sorts; NTFS gives name order, FAT the order
    // of creation), the same search discovery uses.
    std::vector<std::string> listing;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((voxa + "*").c_str(), &entry);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (entry.cFileName[0] != '.')
            listing.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    Discover(voxa);
    ASSERT_EQ(Found().size(), 3u);
    EXPECT_EQ(Accounted(), listing);
    for (std::size_t i = 0; i < listing.size(); ++i)
        EXPECT_EQ(voxa::LanguageCatalogue[i].NameKey, listing[i]) << i;
}

TEST_F(DiscoveryTest, NoFolderAFileOrAnEmptyOneGivesNoLanguagesEachSaidApart) {
    Discover(temp.path() + "NoSuchFolder\\");
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    EXPECT_EQ(account.listing, voxa::ListingOutcome::NoSuchFolder);
    temp.WriteFile("AFile", "[LANG]\r\n");
    Discover(temp.path() + "AFile\\");
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    EXPECT_EQ(account.listing, voxa::ListingOutcome::NotAFolder) << account.windowsError;
    Discover(voxa);
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    EXPECT_EQ(account.listing, voxa::ListingOutcome::Listed);
    EXPECT_TRUE(account.folders.empty());
}

TEST_F(DiscoveryTest, AThousandLanguageFolders) {
    // Under an emulator 200, which still grows the catalogue a dozen times.
    const int count = sim::Rounds(1000, 200);
    for (int i = 0; i < count; ++i)
        AddLanguage("L" + std::to_string(i), "K" + std::to_string(i));
    Discover(voxa);
    EXPECT_EQ(voxa::LanguageCatalogue.size(), static_cast<std::size_t>(count));
    std::set<std::string> keys;
    for (const auto& record : voxa::LanguageCatalogue)
        keys.insert(record.NameKey);
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(count));
}

TEST_F(DiscoveryTest, ALangIniPathOf259CharactersIsFoundAndOneOf260IsSkippedAlone) {
    AddLanguage("Short", "SHORT");
    for (std::size_t total : {259u, 260u}) {
        const std::size_t nameLength = total - voxa.size() - std::string("\\lang.ini").size();
        const std::string folder = voxa + std::string(nameLength - 3, 'x') + std::to_string(total);
        ASSERT_TRUE(sim::MakeLongFolder(folder));
        ASSERT_TRUE(sim::WriteLongFile(folder + "\\lang.ini",
                                       "[LANG]\r\nNameKey=LONG" + std::to_string(total) + "\r\n"));
        ASSERT_EQ((folder + "\\lang.ini").size(), total);
    }
    Discover(voxa);
    std::vector<std::string> found = Found();
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"LONG259", "SHORT"}));
    for (const auto& folder : account.folders)
        EXPECT_EQ(folder.outcome == voxa::FolderOutcome::IniPathTooLong, folder.name.ends_with("260"))
            << folder.name;
}

// Memory running out ends the walk, never the game: no search stays open, and every language
// in the catalogue is one the account added, in its place.
TEST_F(DiscoveryTest, RunningOutOfMemoryAtAnyPointLeavesNoSearchOpenAndTheAccountTrue) {
    for (const char* name : {"A", "B", "C"})
        AddLanguage(name, name);
    bool completed = false;
    for (long after = 0; after < 200 && !completed; ++after) {
        voxa::LanguageCatalogue.Clear();
        sim::StartCounting();
        sim::FailAllocation(after);
        Discover(voxa);
        sim::FailAllocation(-1);
        completed = !account.memoryRanOut;
        EXPECT_EQ(sim::Counted().openSearches, 0) << "failing allocation " << after;
        std::size_t added = 0;
        for (const auto& folder : account.folders)
            if (folder.outcome == voxa::FolderOutcome::Added) {
                ASSERT_LT(added, voxa::LanguageCatalogue.size()) << "failing allocation " << after;
                EXPECT_EQ(voxa::LanguageCatalogue[added].NameKey, folder.name)
                    << "failing allocation " << after;
                EXPECT_EQ(folder.languageIndex, static_cast<std::int32_t>(5 + added));
                ++added;
            }
        EXPECT_EQ(voxa::LanguageCatalogue.size(), added) << "failing allocation " << after;
    }
    EXPECT_TRUE(completed);
    EXPECT_EQ(Found().size(), 3u);
}

TEST_F(DiscoveryTest, ASearchPatternThatWouldNotFitFindsNothing) {
    const std::string tooLong = voxa + std::string(260 - voxa.size(), 'p') + "\\";
    Discover(tooLong); // must neither overflow nor search a cut path
    EXPECT_EQ(voxa::LanguageCatalogue.size(), 0u);
    EXPECT_EQ(account.listing, voxa::ListingOutcome::PatternTooLong);
    // The log names the longest path that can still be searched.
    voxa::ResetStartupLog();
    voxa::LogDiscovery(account);
    std::string log;
    const bool read = sim::WriteKeptLog(temp, log);
    voxa::ResetStartupLog();
    ASSERT_TRUE(read);
    EXPECT_NE(log.find("the folder's path is too long to search (over 259 characters): no extra languages"),
              std::string::npos)
        << log;
}

TEST(PluginSubfolderPath, IsTheFolderOfTheModuleThatHoldsThePluginCode) {
    char buffer[260];
    ASSERT_TRUE(voxa::PluginSubfolderPath("VOXA\\", buffer, sizeof buffer));
    // In this test program the plug-in's code is part of the program itself.
    EXPECT_EQ(std::string(buffer), sim::ProgramFolder() + "VOXA\\");

    // The plug-in's file name is gone before the sub-folder is added: a buffer with room for
    // the result alone is enough, though it is shorter than the module's own path.
    char modulePath[MAX_PATH] = {};
    const std::size_t moduleLength = GetModuleFileNameA(sim::TestModule(), modulePath, MAX_PATH);
    std::string exact(sim::ProgramFolder().size() + std::strlen("VOXA\\") + 1, 'x');
    ASSERT_LT(exact.size(), moduleLength);
    ASSERT_TRUE(voxa::PluginSubfolderPath("VOXA\\", exact.data(), exact.size()));
    EXPECT_EQ(std::string(exact.c_str()), sim::ProgramFolder() + "VOXA\\");
    EXPECT_FALSE(voxa::PluginSubfolderPath("VOXA\\", exact.data(), exact.size() - 1));
    EXPECT_STREQ(exact.c_str(), "") << "a cut path is never left behind";
}

TEST(PluginSubfolderPath, AResultBeyondTheLimitGivesNoFolder) {
    char buffer[260];
    const std::size_t folderLength = sim::ProgramFolder().size();
    EXPECT_TRUE(
        voxa::PluginSubfolderPath(std::string(259 - folderLength, 'v').c_str(), buffer, sizeof buffer));
    EXPECT_EQ(std::strlen(buffer), 259u);
    EXPECT_FALSE(
        voxa::PluginSubfolderPath(std::string(260 - folderLength, 'v').c_str(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
}

} // namespace
