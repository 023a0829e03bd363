#pragma once
// Checks a VOXA folder the way the plug-in reads it, and says what would make a language
// fail without a word in the game.

#include "rules.h"

#include <string>
#include <vector>

namespace voxa_check {

struct Options {
    // The game's text root, which "%GAMEPATH%" in TextDirectory stands for (followed by
    // /PC_Text/). Without it, game text files behind the placeholder are not looked for.
    std::string textRoot;
    bool hasTextRoot = false;
};

struct LanguageReport {
    int index = 0;
    std::string folder;
    std::vector<std::string> lines; // what the plug-in reads, with the resolved paths
    std::vector<Finding> warnings;  // each one a way to fail silently
    bool loadsText = true;
};

struct Report {
    std::vector<LanguageReport> languages;
    std::vector<Finding> warnings; // about the folder as a whole
    bool folderLost = false;       // a folder under VOXA, or VOXA itself, yields no language
    bool ok() const;
};

// voxaFolder ends in a backslash.
Report CheckVoxaFolder(const std::string& voxaFolder, const Options& options);
std::string Format(const Report& report);

} // namespace voxa_check
