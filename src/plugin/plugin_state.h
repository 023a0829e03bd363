#pragma once
// The plug-in's state, all of it, and its one reset. Each piece is plain global data kept by
// the subsystem that uses it:
//   the catalogue of extra languages        catalogue/catalogue.h
//   what discovery did                      catalogue/discovery.h (Discovery)
//   whether the starting language was logged catalogue/language_index.h
//   the host's default font data copy       fonts/font_data.h (and each record's copy)
//   the built-in languages' names           text/language_names.h
//   the menu's pages, marker and arrows     menu/menu_state.h
//   the start-up log                        core/startup_log.cpp
// A new global belongs in this list and in ResetPluginState.

namespace voxa {

// Puts the plug-in back to how it is before start-up. The plug-in itself never calls it: it
// is for a host that starts over too (the simulated game of the tests), so font data copies
// are dropped without their tables going back to the host's allocator.
void ResetPluginState() noexcept;

} // namespace voxa
