#pragma once
// The host code sites that start-up rewrites, so that the host calls the plug-in.

#include "core/patch_writer.h"

#include <span>

namespace voxa {

constexpr std::size_t kPatchRowCount = 42;

// The wide "%s" whose address one patch hands to the host's code; it stays at this place for
// the life of the process.
extern const wchar_t WideStringFormat[3];

std::span<const PatchEntry> PatchTable();

// True when every site lies in committed, readable memory and the sites that stand in for a
// host call still hold that very call: the process is the host build the table was made for.
bool HostBuildMatches();

// When the host's calls already lead into another loaded copy of voxa (a second copy of the
// plug-in file, loaded after the first), writes that copy's file path into path and returns
// true. A path that does not fit is cut.
bool FindServingCopy(char* path, std::size_t size);

// Writes the whole table, or, in a process that is not the expected host build, nothing.
void InstallPatches();

} // namespace voxa
