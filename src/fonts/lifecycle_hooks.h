#pragma once
// The two host calls that frame the life of every language's names, fonts and textures.

namespace voxa {

// Stands in for the host's call of its start-up routine: runs it with the host's object,
// then makes the names, texture dictionaries and font data of every language.
void __thiscall StartupInitHook(void* hostObject);

// Stands in for the host's call of its shutdown routine: frees the font data and texture
// dictionaries, then goes on into the host's routine with the host's arguments and result
// untouched. Entered by a call from host code only.
extern "C" void ShutdownHook();

// What ShutdownHook does before it goes into the host's routine.
extern "C" void __cdecl ReleaseLanguageResources();

} // namespace voxa
