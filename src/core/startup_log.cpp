#include "core/startup_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace voxa {

namespace {

constexpr char kPrefix[] = "voxa: ";
// A line longer than this is cut; paths are at most 259 characters.
constexpr std::size_t kLineLength = 640;

std::string keptLines; // "\r\n"-ended lines, until the log is written
bool written = false;
char logPath[MAX_PATH] = {};

bool AppendToFile(const char* path, const char* text, std::size_t length, DWORD disposition) {
    HANDLE file = CreateFileA(path, disposition == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    const BOOL wrote = WriteFile(file, text, static_cast<DWORD>(length), &done, nullptr);
    CloseHandle(file);
    return wrote != FALSE;
}

// The debugger gets each line on its own, without the file's line ending.
void SendToDebugger(const char* lines) {
    char line[kLineLength + 8];
    while (*lines != '\0') {
        const char* end = std::strstr(lines, "\r\n");
        const std::size_t length =
            end != nullptr ? static_cast<std::size_t>(end - lines) : std::strlen(lines);
        const std::size_t kept = length < kLineLength ? length : kLineLength;
        std::memcpy(line, lines, kept);
        line[kept] = '\n';
        line[kept + 1] = '\0';
        OutputDebugStringA(line);
        lines += length + (end != nullptr ? 2 : 0);
    }
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
        if (logPath[0] != '\0')
            AppendToFile(logPath, line, std::strlen(line), OPEN_ALWAYS);
        SendToDebugger(line);
        return;
    }
    try {
        keptLines += line;
    } catch (...) {
        // Out of memory: the line is lost, nothing else.
    }
}

void WriteStartupLog(const char* path) noexcept {
    // Later lines go to the file only if this one could be written.
    logPath[0] = '\0';
    if (path != nullptr && std::strlen(path) < sizeof logPath &&
        AppendToFile(path, keptLines.data(), keptLines.size(), CREATE_ALWAYS))
        std::strcpy(logPath, path);
    SendToDebugger(keptLines.c_str());
    written = true;
    std::string().swap(keptLines);
}

void ResetStartupLog() noexcept {
    std::string().swap(keptLines);
    written = false;
    logPath[0] = '\0';
}

} // namespace voxa
