#pragma once
// What the plug-in did at start-up, in plain words for a player or whoever helps them:
// voxa.log beside the plug-in, and the same lines through OutputDebugStringA. Every line
// starts with "voxa: ". Nothing here can fail in a way the plug-in or the game would notice:
// a line that cannot be kept or written is dropped.

namespace voxa {

// Adds a line. Before WriteStartupLog the lines are kept; afterwards each goes out at once.
[[gnu::format(gnu_printf, 1, 2)]] void LogLine(const char* format, ...) noexcept;

// Writes the kept lines to `path` (replacing the last log) and sends them to a debugger,
// then forgets them. A null path, or a file that cannot be written, writes no file.
void WriteStartupLog(const char* path) noexcept;
void WriteStartupLog(const wchar_t* path) noexcept;

// Drops the kept lines and sends later ones, appended, to the log at `path` that another
// writer made (null: to a debugger only).
void ContinueLog(const char* path) noexcept;

// Back to keeping lines, with none kept and no log file: as before start-up.
void ResetStartupLog() noexcept;

} // namespace voxa
