#include "test_folders.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sim {

namespace {

void MakeFolders(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

// The paths here are in the ANSI code page, as the -A calls that made them read them.
std::wstring LongPath(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return L"\\\\?\\" + wide;
}

// Through "\\?\" paths: a tree that holds a path past the limit is removed whole, and no
// later test finds it left in the temporary folder.
void RemoveLongTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveLongTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%svoxa-test-%lu-%d\\", base, GetCurrentProcessId(), counter++);
    path_ = name;
    RemoveTree(path_);
    MakeFolders(path_.substr(0, path_.size() - 1));
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
    const std::string full = path_ + relative;
    MakeFolders(full);
    return full + "\\";
}

bool MakeLongFolder(const std::string& path) {
    return CreateDirectoryW(LongPath(path).c_str(), nullptr) != 0;
}

bool WriteLongFile(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL wrote =
        ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == contents.size();
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream buffer;
    buffer << file.rdbuf();
    contents = buffer.str();
    return true;
}

std::string TempFolder::WriteFile(const std::string& relative, const std::string& contents) const {
    const std::string full = path_ + relative;
    const auto slash = full.find_last_of('\\');
    MakeFolders(full.substr(0, slash));
    FILE* file = std::fopen(full.c_str(), "wb");
    if (file == nullptr)
        throw std::runtime_error("cannot write " + full);
    std::fwrite(contents.data(), 1, contents.size(), file);
    std::fclose(file);
    return full;
}

HMODULE TestModule() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&TestModule), &self);
    return self;
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(TestModule(), path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

void RemoveTree(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    RemoveLongTree(LongPath(folder));
}

} // namespace sim
