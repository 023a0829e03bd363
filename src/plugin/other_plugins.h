#pragma once
// The other plug-ins beside voxa. When the build check fails, the usual cause is another
// plug-in or patch that changed the same code, and players seldom think to mention theirs:
// the log names them.

namespace voxa {

// Logs each other .asi file in the folders that plug-in loaders read: the game folder and its
// scripts and plugins folders. The game folder is the plug-in's own, or its parent when the
// plug-in itself sits in scripts or plugins.
void LogOtherPlugins() noexcept;

} // namespace voxa
