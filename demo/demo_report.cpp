// The plug-in at work: the simulated game loads the real voxa.asi from a game folder with the
// example languages and shows, in plain words, what a player and a translator would see.

#include "simhost/fake_host.h"
#include "simhost/host_sites.h"
#include "simhost/plugin_loader.h"
#include "simhost/test_folders.h"

#include "demo_report.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <stdexcept>

namespace {

using namespace host::addr;
using sim::Address;

// Wide text as UTF-8 for the console.
std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t wide : text) {
        const auto unit = static_cast<unsigned>(wide);
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return out;
}

// Pads UTF-8 text to a width in characters.
std::string Padded(const std::string& utf8, std::size_t width) {
    std::size_t characters = 0;
    for (unsigned char byte : utf8)
        characters += (byte & 0xC0) != 0x80;
    return utf8 + std::string(characters < width ? width - characters : 0, ' ');
}

std::string Shown(const std::string& narrow) {
    std::string out;
    for (unsigned char byte : narrow) {
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            out += hex;
        }
    }
    return out;
}

void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((from + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        throw std::runtime_error("no example languages at " + from);
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + name + "\\", to + name + "\\");
        else
            CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

std::string IniText(const std::string& ini, const char* key) {
    char value[260];
    GetPrivateProfileStringA("LANG", key, "", value, sizeof value, ini.c_str());
    return value;
}

struct Demo {
    std::string& out;
    explicit Demo(std::string& sink) : out(sink) {}
    sim::TempFolder temp;
    std::string game = temp.MakeFolder("Game");
    sim::HostSites sites{};
    sim::LoadedPlugin plugin;
    std::vector<std::string> names; // by menu row
    char* hostGameText = nullptr;   // the paths the game itself would load, per language
    char* hostLevelText = nullptr;

    [[gnu::format(gnu_printf, 2, 3)]] void Say(const char* format, ...) {
        va_list arguments;
        va_start(arguments, format);
        char line[1024];
        std::vsnprintf(line, sizeof line, format, arguments);
        va_end(arguments);
        out += line;
    }

    // The example folders get stand-ins for the files a translator provides: the game text
    // (one KEY=value line per text, as the simulated game reads it), fonts and textures.
    void PrepareGame() {
        CopyTree(sim::ProgramFolder() + "examples\\VOXA\\", game + "VOXA\\");
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((game + "VOXA\\*").c_str(), &entry);
        do {
            const std::string folder = entry.cFileName;
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || folder[0] == '.')
                continue;
            const std::string ini = game + "VOXA\\" + folder + "\\lang.ini";
            const std::string key = IniText(ini, "NameKey");
            temp.WriteFile("Game\\VOXA\\" + folder + "\\DATA\\PC_Text\\" + IniText(ini, "GameGXTName"),
                           key + "=" + folder + "\n");
            temp.WriteFile("Game\\VOXA\\" + folder + "\\fonts.dat", "4 2 4 2 4 2 4 2");
            temp.WriteFile("Game\\VOXA\\" + folder + "\\fonts.txd", "font1\n");
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        const char* builtIn[5][2] = {{"ENGLISH", "ENG=English"},
                                     {"GERMAN", "GER=Deutsch"},
                                     {"FRENCH", "FRA=Fran\xE7"
                                                "ais"},
                                     {"ITALIAN", "ITA=Italiano"},
                                     {"SPANISH", "ESP=Espa\xF1ol"}};
        for (const auto& [file, line] : builtIn)
            temp.WriteFile(std::string("Game\\DATA\\PC_Text\\PC_") + file + ".GXT", std::string(line) + "\n");
    }

    void StartHost() {
        // A game runs in its own folder; its text roots are relative to it.
        SetCurrentDirectoryA(game.c_str());
        sim::InstallFakeHost("DATA", "LEVELS/");
        sim::FakeDictionary* hostFonts = sim::MakeDictionary(1, {"font1"});
        sim::Data<void*>(HostFontDictionaryA) = hostFonts;
        sim::Data<sim::FakeTexture*>(FontTextureSlot0) = hostFonts->textures["font1"].get();
        sim::HostSiteData data;
        data.hostFontFile = sim::ScratchText(temp.WriteFile("Game\\fonts.dat", "3 3 3 3 3 3 3 3").c_str());
        hostGameText = reinterpret_cast<char*>(sim::ScratchAlloc(64));
        hostLevelText = reinterpret_cast<char*>(sim::ScratchAlloc(64));
        data.hostGameText = hostGameText;
        data.hostLevelText = hostLevelText;
        sites = sim::EmitHostSites(data);
        sim::Data<float>(HostMenuX) = 100.0f;
        sim::Data<float>(HostMenuY) = 80.0f;
        sim::Data<float>(HostMenuRowScaleX) = 1.0f;
        sim::Data<float>(HostMenuRowScaleY) = 1.0f;
        sim::Data<float>(HostMenuRowSpacing) = 24.0f;
        sim::Host().tables[host::MainTextTable()] = {{"LANGUA", L"Language"}, {"IBACK", L"Back"}};
    }

    void Load() {
        plugin = sim::LoadPlugin(sim::InstallPluginInto(game));
        Say("The game loaded voxa.asi (at 0x%08X). These calls of the game now reach the plug-in:\n",
            plugin.base);
        namespace s = host::site;
        const std::pair<const char*, std::vector<Address>> groups[] = {
            {"text conversion", {s::WideToNarrowEntry, s::NarrowToWideSharedEntry, s::NarrowToWideEntry}},
            {"game and level text loading", {s::GameTextLoadCall, s::LevelTextLoadCall}},
            {"the language menu",
             {s::LanguageMenuBeginEntry, s::LanguageMenuCheckResetEntry, s::LanguageMenuInputEntry,
              s::LanguageMenuDrawEntry}},
            {"texture lookups",
             {s::FindTextureCallA, s::FindTextureCallB, s::FindTextureCallC, s::FindTextureCallD}},
            {"start-up, font loading, shutdown", {s::StartupInitCall, s::FontDataLoadCall, s::ShutdownCall}},
            {"the starting language", {s::DefaultLanguageCall}},
            {"the scene label", {s::FormatSceneLabelEntry}},
            {"formatted text drawing",
             {s::DrawFormattedCall1, s::DrawFormattedCall2, s::DrawFormattedCall3, s::DrawFormattedCall4,
              s::DrawFormattedCall5, s::DrawFormattedCall6, s::DrawFormattedCall7, s::DrawFormattedCall8}},
        };
        for (const auto& [what, group] : groups) {
            int reached = 0;
            for (Address site : group)
                reached += plugin.Contains(sim::BranchTarget(site));
            Say("  %-34s %d of %zu %s\n", what, reached, group.size(),
                group.size() == 1 ? "place" : "places");
        }
        Say("\n");
    }

    // The log a player finds beside voxa.asi, with the game's folder written as <game>\.
    void ShowLog() {
        Say("voxa.log, beside voxa.asi (the game's folder written as <game>\\):\n");
        std::string log;
        if (!sim::ReadWholeFile(game + "voxa.log", log))
            throw std::runtime_error("voxa.log was not written");
        for (std::size_t at; (at = log.find(game)) != std::string::npos;)
            log.replace(at, game.size(), "<game>\\");
        for (std::size_t at; (at = log.find('\r')) != std::string::npos;)
            log.erase(at, 1);
        for (std::size_t start = 0; start < log.size();) {
            const std::size_t end = log.find('\n', start);
            Say("  %s\n", log.substr(start, end - start).c_str());
            start = end == std::string::npos ? log.size() : end + 1;
        }
        Say("\n");
    }

    void HostStartsUp() {
        sim::RunChecked(sites.startup);
        sim::RunChecked(sites.hostFontLoad);
        Say("Languages found: the five built-in ones, then one per folder in VOXA\n"
            "(the number is the game's language index; names from each language's own text):\n");
        sim::RunChecked(sites.menuBegin);
        const int pages = voxa_pages();
        for (int page = 0; page < pages; ++page) {
            DrawPage(false);
            for (const auto& item : sim::Host().drawnItems)
                names.push_back(Printable(item.text));
            TurnPage();
        }
        GoToFirstPage();
        const int languageOfRow[5] = {0, 2, 3, 1, 4};
        for (std::size_t row = 0; row < names.size(); ++row)
            Say("  %2d  %s %s\n", row < 5 ? languageOfRow[row] : static_cast<int>(row),
                Padded(names[row], 12).c_str(), row < 5 ? "(built in)" : "(from VOXA)");
        Say("\n");
    }

    int voxa_pages() { return static_cast<int>(sim::RunChecked(sites.menuBegin).eax); }

    std::string NameOfIndex(int index) {
        const int rowOfBuiltIn[5] = {0, 3, 1, 2, 4};
        const std::size_t row = index < 5 ? rowOfBuiltIn[index] : index;
        return row < names.size() ? names[row] : "?";
    }

    void DefaultLanguage() {
        const LANGID id = GetUserDefaultLangID();
        const int chosen = static_cast<int>(sim::RunChecked(sites.defaultLanguage).eax);
        Say("Starting language: Windows says the user language is 0x%04X (primary language %d),\n"
            "so the game starts in %s (index %d). Run with another LC_ALL to see this change.\n\n",
            id, id & 0x3FF, NameOfIndex(chosen).c_str(), chosen);
        sim::SetLanguageIndex(chosen);
    }

    void DrawPage(bool print) {
        sim::Host().drawnItems.clear();
        sim::Host().narrowTexts.clear();
        sim::RunChecked(sites.menuDraw);
        if (!print)
            return;
        for (const auto& arrow : sim::Host().narrowTexts)
            if (arrow.text == L"~up~")
                Say("      ^ (more above)\n");
        for (const auto& item : sim::Host().drawnItems)
            Say("    %s %s\n", item.selected ? ">" : " ", Printable(item.text).c_str());
        for (const auto& arrow : sim::Host().narrowTexts)
            if (arrow.text == L"~down~")
                Say("      v (more below)\n");
    }

    // The player clicks the down arrow: the pointer over it while the menu is drawn, then the
    // menu's input.
    bool TurnPage() {
        for (const auto& arrow : sim::Host().narrowTexts) {
            if (arrow.text != L"~down~")
                continue;
            sim::Data<float>(HostCursor + CursorPointerXOffset) = arrow.x + 1;
            sim::Data<float>(HostCursor + CursorPointerYOffset) = arrow.y + 1;
            sim::Data<std::int32_t>(HostCursor + CursorArrowsEnabledOffset) = 1;
            DrawPage(false);
            sim::Host().menu = {};
            sim::RunChecked(sites.menuInput);
            sim::Data<float>(HostCursor + CursorPointerXOffset) = -1;
            return true;
        }
        return false;
    }

    void GoToFirstPage() {
        sim::Data<std::int32_t>(HostMenuMarker) += 1;
        sim::RunChecked(sites.menuCheckReset);
        sim::RunChecked(sites.menuBegin);
    }

    void Menu() {
        Say("The language menu, ten rows to a page (> marks the selected row):\n");
        const int pages = voxa_pages();
        for (int page = 0; page < pages; ++page) {
            Say("  Page %d of %d:\n", page + 1, pages);
            DrawPage(true);
            TurnPage();
        }
        Say("\n");
    }

    void ChooseInMenu(int row) {
        GoToFirstPage();
        for (int page = 0; page < row / 10; ++page) {
            DrawPage(false);
            TurnPage();
        }
        sim::Host().menu = {.overItem = true, .accept = true, .itemUnderCursor = row % 10};
        sim::RunChecked(sites.menuInput);
        sim::Host().menu = {};
    }

    void TextFiles() {
        Say("The files each language's text comes from (game text, then the text of the level\n"
            "DOCKS), relative to the game folder:\n");
        for (std::size_t row = 0; row < names.size(); ++row) {
            ChooseInMenu(static_cast<int>(row));
            SetHostPaths(static_cast<int>(row));
            sim::Host().textLoads.clear();
            sim::RunChecked(sites.gameTextLoad);
            sim::RunChecked(sites.levelTextLoad);
            Say("  %s %s\n  %s %s\n", Padded(names[row], 12).c_str(),
                Relative(sim::Host().textLoads[0]).c_str(), Padded("", 12).c_str(),
                Relative(sim::Host().textLoads[1]).c_str());
        }
        Say("\n");
    }

    // The files the game itself loads for a built-in language.
    void SetHostPaths(int row) {
        const char* parts[5] = {"ENGLISH", "FRENCH", "ITALIAN", "GERMAN", "SPANISH"};
        const char* part = row < 5 ? parts[row] : parts[0];
        std::snprintf(hostGameText, 64, "DATA\\PC_Text\\PC_%s.GXT", part);
        std::snprintf(hostLevelText, 64, "DATA\\LEVELS\\DOCKS\\PC_DOCKS_%.3s.GXT", part);
    }

    std::string Relative(const std::string& path) const {
        return path.rfind(game, 0) == 0 ? path.substr(game.size()) : path;
    }

    void Narrowing() {
        const std::wstring text = L"Za\x17C\xF3\x142\x107 g\x119\x15Bl\x105 ja\x17A\x144 (\xE9t\xE9)";
        Say("Narrowing \"%s\" for display, a text with Polish letters and e-acute:\n",
            Printable(text).c_str());
        ChooseInMenu(0);
        sim::RunChecked(sites.gameTextLoad);
        Say("  for %-9s %s   (letters from 128 up become #)\n",
            "English:", Shown(sim::HostNarrows(text)).c_str());
        for (std::size_t row = 5; row < names.size(); ++row) {
            if (names[row] != "Polski")
                continue;
            ChooseInMenu(static_cast<int>(row));
            sim::RunChecked(sites.gameTextLoad);
            Say("  for %-9s %s   (UseWholeAsciiTable=1 keeps 128 to 255; <F3> is o-acute)\n",
                "Polski:", Shown(sim::HostNarrows(text)).c_str());
        }
        Say("\n");
    }

    void ShutDown() {
        sim::Host().log.clear();
        sim::RunChecked(sites.shutdown);
        int freed = 0, released = 0;
        for (const std::string& line : sim::Host().log) {
            freed += line == "HostMemFree";
            released += line.rfind("HostReleaseTextureDictionary", 0) == 0;
        }
        Say("Shutdown: %d font tables and %d texture dictionaries of the languages were freed\n"
            "before the game's own shutdown ran.\n",
            freed, released);
        sim::UnloadPlugin(plugin);
    }
};

} // namespace

void RunDemo(std::string& out) {
    // The game's life changes the working folder, as a game's start does; the caller's is
    // given back afterwards.
    char caller[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof caller, caller);
    Demo demo{out};
    try {
        demo.PrepareGame();
        demo.StartHost();
        demo.Load();
        demo.HostStartsUp();
        demo.DefaultLanguage();
        demo.ShowLog();
        demo.Menu();
        demo.TextFiles();
        demo.Narrowing();
        demo.ShutDown();
    } catch (...) {
        SetCurrentDirectoryA(caller);
        throw;
    }
    SetCurrentDirectoryA(caller);
}
