// Measures the plug-in's start-up and its per-frame routines, each as a ratio to a baseline
// measured in the same run (the machine is shared: absolute times mean little).

#include "catalogue/catalogue.h"
#include "catalogue/language_record.h"
#include "fonts/font_data.h"
#include "fonts/language_switch.h"
#include "fonts/texture_dictionaries.h"
#include "menu/menu_state.h"
#include "simhost/fake_host.h"
#include "simhost/plugin_loader.h"
#include "simhost/test_folders.h"
#include "text/conversion.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

using namespace host::addr;
using sim::Address;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The fastest of several rounds of `count` runs, per run in microseconds; the two sides of a
// comparison take turns, so that a busy spell of the machine hits both.
std::pair<double, double> Compare(const std::function<void()>& measured,
                                  const std::function<void()>& baseline, int count, int rounds = 15) {
    double best[2] = {1e30, 1e30};
    for (int round = 0; round < rounds; ++round) {
        int side = 0;
        for (const auto* run : {&measured, &baseline}) {
            const double start = Now();
            for (int i = 0; i < count; ++i)
                (*run)();
            best[side] = std::min(best[side], (Now() - start) / count * 1e6);
            ++side;
        }
    }
    return {best[0], best[1]};
}

void Row(const char* what, std::pair<double, double> times, const char* baseline, double target) {
    const double ratio = times.first / times.second;
    std::printf("%-44s %10.3f us %10.3f us %7.2fx  %s%s\n", what, times.first, times.second, ratio,
                target > 0 ? (ratio <= target ? "within " : "OVER ") : "", baseline);
}

// Baselines for the per-frame routines: the same work with no plug-in logic.
} // namespace

// Outside the anonymous namespace, so that its stores count.
char plainNarrow[256];

namespace {

__attribute__((noinline)) void PlainNarrowing(const wchar_t* text) {
    int i = 0;
    for (; i < 255 && text[i] != 0; ++i)
        plainNarrow[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '#';
    plainNarrow[i] = 0;
}

volatile std::uintptr_t sink;

} // namespace

int main(int argc, char** argv) {
    // "startup" or "frame" measures only that part.
    const std::string only = argc > 1 ? argv[1] : "";
    sim::TempFolder temp;
    std::printf("%-44s %13s %13s %8s\n", "", "measured", "baseline", "ratio");
    if (only != "frame") {

        // ---- start-up: LoadLibrary of voxa.asi (discovery and patching) against a trivial DLL.
        // The game has the system DLLs loaded long before its plug-ins; without this the plug-in's
        // load would also pay for loading and unloading SHLWAPI and what it needs, every time.
        LoadLibraryA("shlwapi.dll");
        sim::InstallFakeHost();
        const std::string trivial = sim::ProgramFolder() + "bench_trivial.dll";
        double startup[4] = {};
        const int folderCounts[4] = {0, 10, 100, 1000};
        for (int c = 0; c < 4; ++c) {
            const std::string game = temp.MakeFolder("game" + std::to_string(folderCounts[c]));
            temp.MakeFolder("game" + std::to_string(folderCounts[c]) + "\\VOXA");
            for (int i = 0; i < folderCounts[c]; ++i)
                temp.WriteFile(
                    "game" + std::to_string(folderCounts[c]) + "\\VOXA\\L" + std::to_string(i) + "\\lang.ini",
                    "[LANG]\r\nNameKey=L" + std::to_string(i) +
                        "\r\nTextDirectory=%GAMEPATH%\r\nGameGXTName=l.gxt\r\nWindowsLangID=-1\r\n");
            const std::string plugin = sim::InstallPluginInto(game);
            const int count = folderCounts[c] >= 1000 ? 2 : folderCounts[c] >= 100 ? 5 : 20;
            const auto times = Compare(
                [&] {
                    sim::RestoreCheckedCalls(); // so that every load patches, as at a real start
                    HMODULE module = LoadLibraryA(plugin.c_str());
                    FreeLibrary(module);
                },
                [&] { FreeLibrary(LoadLibraryA(trivial.c_str())); }, count, folderCounts[c] >= 1000 ? 5 : 15);
            startup[c] = times.first;
            char what[64];
            std::snprintf(what, sizeof what, "start-up, %d language folders", folderCounts[c]);
            Row(what, times, "trivial DLL load", folderCounts[c] == 10 ? 2.0 : 0);
        }
        std::printf("%-44s %10.2fx (linear growth gives about 10x)\n", "start-up growth, 1000 vs 100 folders",
                    (startup[3] - startup[0]) / (startup[2] - startup[0]));
        // Where a language's share of the start-up goes: its lang.ini, read key by key through
        // the system's profile routines.
        const std::string ini = temp.path() + "game10\\VOXA\\L0\\lang.ini";
        const double perLanguage = (startup[2] - startup[0]) / 100;
        double readStart = Now();
        for (int i = 0; i < 20; ++i)
            voxa::ReadLangIni(ini.c_str());
        const double readOne = (Now() - readStart) / 20 * 1e6;
        Row("start-up per language", {perLanguage, readOne}, "reading its lang.ini alone", 0);
    }
    if (only == "startup")
        return 0;

    // ---- per frame, with the plug-in's code linked in and a catalogue of three languages.
    sim::InstallFakeHost();
    sim::Host().quiet = true;
    for (int i = 0; i < 3; ++i) {
        voxa::LanguageRecord record;
        record.NameKey = "L" + std::to_string(i);
        record.UseWholeAsciiTable = true;
        voxa::LanguageCatalogue.PushBack(record);
    }
    sim::FakeDictionary* hostFonts = sim::MakeDictionary(1, {"font1", "font2", "font3", "font4"});
    sim::FakeDictionary* languageFonts = sim::MakeDictionary(10, {"font1", "font2", "font3", "font4"});
    voxa::LanguageCatalogue[1].textureDictionary = languageFonts;
    for (Address dictionary : {HostFontDictionaryA, HostFontDictionaryB, HostFontDictionaryC})
        sim::Data<void*>(dictionary) = hostFonts;
    const Address slots[4] = {FontTextureSlot0, FontTextureSlot1, FontTextureSlot3, FontTextureSlot2};
    const char* slotNames[4] = {"font1", "font2", "font4", "font3"};
    for (int i = 0; i < 4; ++i)
        sim::Data<void*>(slots[i]) = hostFonts->textures[slotNames[i]].get();
    static voxa::FontDataCopy defaultCopy;
    voxa::defaultFontData = &defaultCopy;

    std::wstring ascii(255, L'a'), high(255, L'\xE9');
    sim::SetLanguageIndex(6); // an extra language that keeps 128 to 255
    Row("WideToNarrow, 255 ASCII units",
        Compare([&] { sink = reinterpret_cast<std::uintptr_t>(voxa::WideToNarrow(ascii.c_str())); },
                [&] { PlainNarrowing(ascii.c_str()); }, 20000),
        "plain narrowing loop", 1.5);
    Row("WideToNarrow, 255 units from 0x80 up",
        Compare([&] { sink = reinterpret_cast<std::uintptr_t>(voxa::WideToNarrow(high.c_str())); },
                [&] { PlainNarrowing(high.c_str()); }, 20000),
        "plain narrowing loop", 1.5);

    sim::SetLanguageIndex(0);
    Row("FindTextureHook, built-in language",
        Compare([&] { sink = reinterpret_cast<std::uintptr_t>(voxa::FindTextureHook(hostFonts, "font2")); },
                [&] { sink = reinterpret_cast<std::uintptr_t>(host::HostFindTexture(hostFonts, "font2")); },
                200000),
        "host lookup", 1.5);
    sim::SetLanguageIndex(6);
    Row("FindTextureHook, extra language",
        Compare(
            [&] { sink = reinterpret_cast<std::uintptr_t>(voxa::FindTextureHook(hostFonts, "font2")); },
            [&] { sink = reinterpret_cast<std::uintptr_t>(host::HostFindTexture(languageFonts, "font2")); },
            200000),
        "host lookup", 1.5);

    auto applyBaseline = [&](void* dictionary) {
        std::memcpy(&voxa::HostFontData(), &defaultCopy.block, sizeof(voxa::FontDataBlock));
        for (Address slot : slots) {
            auto* current = sim::Data<sim::FakeTexture*>(slot);
            auto* found =
                reinterpret_cast<sim::FakeTexture*>(host::HostFindTexture(dictionary, current->name));
            sim::Data<sim::FakeTexture*>(slot) = found ? found : current;
        }
    };
    Row("ApplyLanguage",
        Compare([&] { voxa::ApplyLanguage(6); }, [&] { applyBaseline(languageFonts); }, 100000),
        "136-byte copy + 4 host lookups", 1.5);

    voxa::LanguageMenuBegin();
    voxa::MenuPaging.CurrentPage = 0;
    const std::wstring names[8] = {L"English", L"Francais", L"Italiano", L"Deutsch",
                                   L"Espanol", L"L0",       L"L1",       L"L2"};
    Row("LanguageMenuDraw, 8 rows",
        Compare(
            [&] { voxa::LanguageMenuDraw(); },
            [&] {
                // The host calls a draw makes, and the fonts it applies, without the menu.
                using namespace sim;
                host::HostTextTableGet(host::MainTextTable(), "LANGUA");
                float y = 0;
                for (int row = 0; row < 8; ++row) {
                    applyBaseline(row == 6 ? static_cast<void*>(languageFonts) : hostFonts);
                    host::Routine<void(__cdecl*)(const wchar_t*, float, float, float, float, std::int32_t)>(
                        HostMenuDrawItem)(names[row].c_str(), 0, y, 1, 1, 0);
                    host::Routine<void(__cdecl*)(const wchar_t*, float, float, float, float)>(
                        HostMenuTrackItem)(names[row].c_str(), 0, y, 1, 1);
                    y += 1;
                }
                applyBaseline(languageFonts);
                host::HostTextTableGet(host::MainTextTable(), "IBACK");
                host::Routine<void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*)>(
                    HostMenuDrawButtonLabels)(L"", L"", L"", L"");
            },
            5000),
        "the same host calls and font copies", 1.5);
    voxa::defaultFontData = nullptr;
    voxa::LanguageCatalogue.Clear();
    return 0;
}
