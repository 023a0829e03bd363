// voxa-check: tells a translator what the plug-in will make of a VOXA folder.

#include "check.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    voxa_check::Options options;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--text-root") == 0 && i + 1 < argc) {
            options.textRoot = argv[++i];
            options.hasTextRoot = true;
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: voxa-check [--text-root TEXT] [VOXA folder]\n");
            return 2;
        } else {
            folder = argv[i];
        }
    }
    if (folder.empty())
        folder = "VOXA";
    char full[32768];
    const DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    if (length > 0 && length < sizeof full)
        folder = full;
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    const voxa_check::Report report = voxa_check::CheckVoxaFolder(folder, options);
    std::fputs(voxa_check::Format(report).c_str(), stdout);
    return report.ok() ? 0 : 1;
}
