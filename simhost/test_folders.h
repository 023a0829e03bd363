#pragma once
// Real folders and files in a fresh temporary folder, removed again afterwards.

#include <windows.h>

#include <string>

namespace sim {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending in a backslash.
    const std::string& path() const { return path_; }
    // Makes a folder (and its parents) below this one; returns its path with a backslash.
    std::string MakeFolder(const std::string& relative) const;
    // Writes a file below this one (its folder made first); returns its full path.
    std::string WriteFile(const std::string& relative, const std::string& contents) const;

  private:
    std::string path_;
};

// Windows makes a folder past 248 characters, or a file past 259, only through a "\\?\" path,
// which these take; false when the folder or file is not made.
bool MakeLongFolder(const std::string& path);
bool WriteLongFile(const std::string& path, const std::string& contents);

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& contents);

// The module the test code is linked into: the test program, or a test DLL of the mutation
// script, which keeps that mutant's plug-in beside it.
HMODULE TestModule();
// The folder of that module, ending in a backslash.
std::string ProgramFolder();
void RemoveTree(const std::string& path);

} // namespace sim
