#pragma once
// Fakes of the host routines that the plug-in calls, placed at their host addresses, with
// the host's calling conventions. They keep a log of every call, in order, and own real
// memory and real files:
// - text tables load real files of KEY=VALUE lines (each byte of VALUE a wide unit of the
//   same value); a file that cannot be opened fails the load;
// - font data files hold up to eight numbers, the entry and record counts of fonts 0 to 3;
//   the loader fills the host font data block with tables from the host allocator;
// - texture dictionary files hold one texture name per line.

#include "sim_host.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace sim {

struct FakeTexture {
    std::uint8_t header[16];
    char name[48];
    int dictionaryTag; // which dictionary it came from
};
static_assert(offsetof(FakeTexture, name) == 16);

struct FakeDictionary {
    int tag;
    std::map<std::string, std::unique_ptr<FakeTexture>, std::less<>> textures;
    FakeTexture* Add(const std::string& name);
};

struct MenuInputs {
    bool up = false, down = false, overItem = false, aux = false, accept = false;
    std::int32_t itemUnderCursor = 0;
};

struct DrawnText {
    std::wstring text;
    float x, y, scaleX, scaleY;
    std::int32_t selected;      // HostMenuDrawItem only
    std::uint32_t fontHeadWord; // the first word of the host font block when it was drawn
    float trailingFloat = -1;   // HostDrawNarrowText's last two arguments
    std::int32_t trailingInt = -1;
};

struct FakeHost {
    // While quiet the fakes record nothing, and so allocate nothing of their own.
    bool quiet = false;
    std::vector<std::string> log;
    // Calls no host would take (a wrong object or allocator, a block it never gave out).
    std::vector<std::string> complaints;
    // The host allocator: blocks handed out and frees seen, per block.
    std::set<void*> liveBlocks;
    std::map<void*, int> freeCount;
    std::vector<std::uint32_t> allocSizes;
    int allocationsBeforeFailure = -1;     // from 0 on, counts down to an allocation that fails
    bool emptyAllocationsGiveNull = false; // as an allocator may for a request of 0 bytes
    // Host strings alive, and text tables loaded.
    int liveStrings = 0;
    int tableDestroys = 0; // counted apart: a table's address is often reused at once
    std::vector<std::string> textLoads;
    std::vector<std::vector<std::uint8_t>> tableBytesAtLoad; // the 20 bytes of each table loaded
    std::vector<void*> textLoadTables;                       // the table of each load
    std::vector<std::uint32_t> fontHeadAtTextLoad;           // the fonts applied at each load
    std::vector<std::string> fontLoads;
    std::vector<std::string> dictionaryLoads;
    std::map<void*, std::map<std::string, std::wstring>> tables;
    std::vector<std::unique_ptr<FakeDictionary>> dictionaries;
    std::vector<void*> releasedDictionaries;
    MenuInputs menu;
    float fontHeight[3] = {0, 20.0f, 16.0f};
    float textWidth = 40.0f; // for texts not in textWidths
    std::map<std::string, float> textWidths;
    std::vector<DrawnText> drawnItems, trackedItems, narrowTexts;
    std::vector<std::wstring> drawnStrings;
    std::vector<float> drawStringFloats;
    std::uint32_t shutdownArgs[2] = {};
    void* shutdownEcx = nullptr;
    void* startupEcx = nullptr;
};

// The one fake host of the test program.
FakeHost& Host();

// Resets the host image, places every fake and lays out the host data: text and level roots,
// the built-in language file parts, level names, and the calls at the sites that the plug-in
// checks before it patches.
void InstallFakeHost(const std::string& textRoot = "GAME", const std::string& levelRoot = "LEVELS/");

// Writes again the host's own calls at the sites that the plug-in checks before patching.
void RestoreCheckedCalls();

// Sets a host string object to a text (kept in scratch memory).
void SetHostString(Address at, const std::string& text);
void SetLanguageIndex(std::int32_t index);
void SetCurrentLevel(std::int32_t level, const std::string& name);

// A dictionary of the host's own (tag, texture names).
FakeDictionary* MakeDictionary(int tag, std::initializer_list<const char*> names);

std::string Narrow(std::wstring_view wide);

} // namespace sim
