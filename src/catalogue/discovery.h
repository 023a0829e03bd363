#pragma once
// Finding the extra languages: every sub-folder of VOXA beside the plug-in that holds a
// lang.ini is one language.

#include <cstddef>

namespace voxa {

// Fills the catalogue from the VOXA folder beside the plug-in file.
void DiscoverLanguages();

// Writes the path of subFolder inside the plug-in's folder into buffer. Returns false, with
// buffer holding an empty text, when the result would not fit.
bool PluginSubfolderPath(const char* subFolder, char* buffer, std::size_t bufferSize);

using SubfolderCallback = void (*)(const char* entryName, void* context);

// Calls callback for each direct sub-folder of folderPath (which ends in a backslash) whose
// name does not begin with '.', in listing order. False when the folder cannot be listed.
bool ForEachSubfolder(const char* folderPath, SubfolderCallback callback, void* context);

// Discovery's callback: appends the language of parentPath\folderName\lang.ini, if there is one.
void AddLanguageFromFolder(const char* folderName, void* parentPath);

} // namespace voxa
