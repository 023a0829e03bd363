#include "core/startup_log.h"

#include "core/ansi_path.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace voxa {

namespace {

constexpr char kPrefix[] = "voxa: ";
// A line longer than this is cut; paths are at most 259 characters.
constexpr std::size_t kLineLength = 640;

std::string keptLines; // "\r\n"-ended lines, until the log is written
bool written = false;
wchar_t logPath[MAX_PATH] = {}; // wide: a game folder beyond the ANSI code page still gets its log

enum class Write { Replace, Append };

// A path in a line: in the ANSI code page where it survives it, else as UTF-8.
std::string Shown(const wchar_t* path) {
    char narrow[MAX_PATH];
    return ToAnsi(path, narrow, sizeof narrow) == AnsiConversion::Exact ? std::string(narrow) : Utf8(path);
}

// The wide form of a narrow path in the ANSI code page; false when it does not fit.
bool Widened(const char* path, wchar_t (&wide)[MAX_PATH]) {
    return path != nullptr && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) > 0;
}

// Replacing is opening and cutting the file after the new text: under Wine that costs a
// tenth of CREATE_ALWAYS, and start-up pays for it on every launch.
bool WriteToFile(const wchar_t* path, const char* text, std::size_t length, Write how) {
    HANDLE file = CreateFileW(path, how == Write::Append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    BOOL wrote = WriteFile(file, text, static_cast<DWORD>(length), &done, nullptr);
    if (how == Write::Replace)
        wrote = wrote && SetEndOfFile(file);
    CloseHandle(file);
    return wrote != FALSE;
}

// Replaces the last start's log. A log that stays as it was would read as this start's, so
// where it cannot be rewritten, it goes: our own file may have been left read-only (copied
// from a disc, or by a tool), which is cleared; failing that it is deleted and written anew
// (a file whose rights forbid writing may still be removed from a folder that allows it);
// failing even that, a debugger is told.
bool ReplaceLog(const wchar_t* path, const char* text, std::size_t length) {
    if (WriteToFile(path, text, length, Write::Replace))
        return true;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false; // no earlier log there
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (SetFileAttributesW(path, writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL) &&
            WriteToFile(path, text, length, Write::Replace))
            return true;
    }
    if (DeleteFileW(path))
        return WriteToFile(path, text, length, Write::Replace);
    char line[3 * MAX_PATH + 128];
    std::snprintf(line, sizeof line,
                  "%s%s could not be written or removed: the log there is from an earlier start\n", kPrefix,
                  Shown(path).c_str());
    OutputDebugStringA(line);
    return false;
}

// The debugger gets the lines with plain line ends, all in one call: under Wine each call
// costs a raised exception, and start-up sends a line per language. The text is changed in
// place; the file already has it.
void SendToDebugger(char* lines, std::size_t length) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < length; ++i)
        if (lines[i] != '\r')
            lines[kept++] = lines[i];
    lines[kept] = '\0';
    if (kept > 0)
        OutputDebugStringA(lines);
}

} // namespace

void LogLine(const char* format, ...) noexcept {
    char line[kLineLength + 3];
    std::memcpy(line, kPrefix, sizeof kPrefix - 1);
    va_list arguments;
    va_start(arguments, format);
    const int length =
        std::vsnprintf(line + sizeof kPrefix - 1, kLineLength - (sizeof kPrefix - 1), format, arguments);
    va_end(arguments);
    if (length < 0)
        return;
    std::strcat(line, "\r\n");
    if (written) {
        if (logPath[0] != L'\0')
            WriteToFile(logPath, line, std::strlen(line), Write::Append);
        SendToDebugger(line, std::strlen(line));
        return;
    }
    try {
        keptLines += line;
    } catch (...) {
        // Out of memory: the line is lost, nothing else.
    }
}

void WriteStartupLog(const wchar_t* path) noexcept {
    // Later lines go to the file only if this one could be written.
    logPath[0] = L'\0';
    if (path != nullptr && std::wcslen(path) < MAX_PATH &&
        ReplaceLog(path, keptLines.data(), keptLines.size()))
        std::wcscpy(logPath, path);
    SendToDebugger(keptLines.data(), keptLines.size());
    written = true;
    std::string().swap(keptLines);
}

void WriteStartupLog(const char* path) noexcept {
    wchar_t wide[MAX_PATH];
    WriteStartupLog(Widened(path, wide) ? wide : nullptr);
}

void ContinueLog(const char* path) noexcept {
    std::string().swap(keptLines);
    wchar_t wide[MAX_PATH];
    logPath[0] = L'\0';
    if (Widened(path, wide))
        std::wcscpy(logPath, wide);
    written = true;
}

void ResetStartupLog() noexcept {
    std::string().swap(keptLines);
    written = false;
    logPath[0] = L'\0';
}

} // namespace voxa
