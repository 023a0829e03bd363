// voxa-check: tells a translator what the plug-in will make of a VOXA folder.
//
// Translators mostly start it by double-clicking it (or by dropping a folder on it), not from a
// console: it then finds VOXA on its own, keeps its window open until Enter is pressed, and
// leaves the report in a text file that can be sent to someone.

#include "check.h"
#include "rules.h"

#include "core/ansi_path.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kReportFile[] = "voxa-check-report.txt";

// Its own folder, by its short name where the ANSI code page cannot write the long one.
std::string ProgramFolder() {
    wchar_t wide[MAX_PATH];
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !voxa::AnsiPathOf(wide, path, sizeof path))
        return ".\\";
    const std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string FullPath(const std::string& path) {
    char full[32768];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
}

// Started from Explorer, or by dropping a folder on it: the console is its own and closes with
// it. Started from a console, or with input or output redirected, nobody waits for a key.
bool OwnsItsConsole() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1 && IsConsole(STD_INPUT_HANDLE) &&
           IsConsole(STD_OUTPUT_HANDLE);
}

// The report is text in the ANSI code page, as Windows gives names to the narrow calls; a
// console shows the OEM code page, so there it goes through the wide call to keep names readable.
void Print(const std::string& text) {
    if (IsConsole(STD_OUTPUT_HANDLE)) {
        const int length =
            MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1);
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
        DWORD written = 0;
        WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), wide.data(), static_cast<DWORD>(length), &written,
                      nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::string lines;
    for (char c : text)
        lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool whole =
        WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) != FALSE &&
        written == lines.size();
    CloseHandle(file);
    return whole;
}

// Without a folder named: VOXA beside the checker (it lies in the game folder), then one folder
// up (it lies in the translators' folder inside the game folder).
std::string FindVoxaFolder(std::string& lookedIn) {
    const std::string here = ProgramFolder();
    for (const std::string& candidate : {here + "VOXA", FullPath(here + "..\\VOXA")}) {
        if (IsFolder(candidate))
            return candidate;
        lookedIn += "  " + candidate + "\n";
    }
    return {};
}

int Check(int argc, char** argv, std::string& output) {
    voxa_check::Options options;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--text-root") == 0 && i + 1 < argc) {
            options.textRoot = argv[++i];
            options.hasTextRoot = true;
        } else if (argv[i][0] == '-') {
            output = "usage: voxa-check [--text-root TEXT] [VOXA folder]\n";
            return 2;
        } else {
            folder = argv[i];
        }
    }
    if (folder.empty()) {
        std::string lookedIn;
        folder = FindVoxaFolder(lookedIn);
        if (folder.empty()) {
            const voxa_check::RuleInfo& rule = voxa_check::Describe(voxa_check::Rule::NoVoxaFolder);
            output = "warning: found no VOXA folder; looked in:\n" + lookedIn + "[" + rule.code +
                     "]\n  fix: " + rule.fix + "\n";
            return 1;
        }
    }
    folder = FullPath(folder);
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    const voxa_check::Report report = voxa_check::CheckVoxaFolder(folder, options);
    output = "Checking " + folder + "\n" + voxa_check::Format(report);
    return report.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string output;
    const int status = Check(argc, argv, output);
    Print(output);
    if (OwnsItsConsole()) {
        const std::string reportPath = ProgramFolder() + kReportFile;
        if (WriteTextFile(reportPath, output))
            Print("\nThe report is also in " + reportPath + "\n");
        Print("Press Enter to close.\n");
        std::getchar();
    }
    return status;
}
