#pragma once
// The host's own code at every site that the plug-in patches, laid out as the host has it:
// the set-up before each call, the call at the site, the instructions that the patch table
// rewrites around the formatted-drawing calls. Each entry runs one host code path through
// its site with RunHostCode.

#include "host_code.h"

#include <array>
#include <string>

namespace sim {

struct HostSites {
    Address startup;                      // the host's start-up call, with its object in ECX
    Address hostFontLoad;                 // the host's load of its own font file
    Address shutdown;                     // the host's shutdown call: ECX and two arguments, result in EAX
    Address gameTextLoad;                 // the game text load into the host's table
    Address levelTextLoad;                // the level text load
    Address defaultLanguage;              // where the host chooses its starting language; EAX gets it
    std::array<Address, 4> findTexture;   // the four texture lookups of `textureName`
    std::array<Address, 8> drawFormatted; // the eight formatted-drawing paths
    // The menu routines, entered at their first byte: a caller each.
    Address menuBegin, menuCheckReset, menuInput, menuDraw;
};

struct HostSiteData {
    Address startupObject = 0x0BADF00D;
    const char* hostFontFile = "";
    const char* hostGameText = "";
    const char* hostLevelText = "";
    const char* textureName = "font1";
    std::uint32_t shutdownArgs[2] = {11, 22};
};

constexpr Address kGameTextTable = kHostTablesStart;
constexpr Address kLevelTextTable = kHostTablesStart + 0x100;
// What the original host code returned where the host chose its own starting language.
constexpr std::uint32_t kHostsOwnLanguageChoice = 0x99;

// Writes the host code of every site (the fake host installed first). The drawing paths draw
// the wide text "AB" (paths 1 and 3 to 8) or the text whose address is in EBP (path 2, run it
// with RunHostCode(entry, address)), each through a format of its own: "<%s>1", "%s",
// "<%s>3" and so on.
HostSites EmitHostSites(const HostSiteData& data);

// The texts the drawing paths produce for "AB" (path 2: for the text in EBP).
std::wstring ExpectedDrawnText(int path, const std::wstring& ebpText);

// The floats that every drawing path hands on, in order.
constexpr float kDrawFloats[4] = {0.0f, 12.5f, -3.25f, 0.5f};

// Runs host code and insists that it kept the stack and the registers a callee must keep.
HostCodeRun RunChecked(Address entry, std::uint32_t ebp = 0xBE5EBE5E);

// The host's calls of the routines that the plug-in replaces at their first byte.
std::string HostNarrows(const std::wstring& text);
const wchar_t* HostWidensShared(const std::string& text, std::int32_t length);
std::wstring HostWidens(const std::string& text);
std::wstring HostSceneLabel(std::int32_t sceneLessOne);

} // namespace sim
