#include "plugin_loader.h"

#include "test_folders.h"

#include <stdexcept>

namespace sim {

std::string BuiltPluginPath() {
    return ProgramFolder() + "voxa.asi";
}

std::string InstallPluginInto(const std::string& folder) {
    const std::string path = folder + "voxa.asi";
    if (!CopyFileA(BuiltPluginPath().c_str(), path.c_str(), FALSE))
        throw std::runtime_error("cannot copy the plug-in to " + path);
    return path;
}

namespace {

Address PreferredBase(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot read " + path);
    std::vector<char> header(4096);
    DWORD read = 0;
    ReadFile(file, header.data(), static_cast<DWORD>(header.size()), &read, nullptr);
    CloseHandle(file);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(header.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(header.data() + dos->e_lfanew);
    return nt->OptionalHeader.ImageBase;
}

void* reservedAtPreferredBase = nullptr;

const IMAGE_NT_HEADERS32* NtHeaders(const LoadedPlugin& plugin) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(plugin.base);
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(plugin.base + dos->e_lfanew);
}

// Where the loaded image lies, and how large it is.
void DescribeLoaded(LoadedPlugin& plugin) {
    plugin.base = reinterpret_cast<Address>(plugin.module);
    plugin.size = NtHeaders(plugin)->OptionalHeader.SizeOfImage;
}

} // namespace

LoadedPlugin LoadPlugin(const std::string& path, bool awayFromPreferredBase) {
    LoadedPlugin plugin;
    plugin.preferredBase = PreferredBase(path);
    if (awayFromPreferredBase) {
        reservedAtPreferredBase =
            VirtualAlloc(reinterpret_cast<void*>(plugin.preferredBase), 0x10000, MEM_RESERVE, PAGE_NOACCESS);
        if (reservedAtPreferredBase == nullptr)
            throw std::runtime_error("cannot reserve the plug-in's preferred base");
    }
    plugin.module = LoadLibraryA(path.c_str());
    if (plugin.module == nullptr)
        throw std::runtime_error("LoadLibrary failed for " + path + ", error " +
                                 std::to_string(GetLastError()));
    DescribeLoaded(plugin);
    return plugin;
}

LoadedPlugin LoadPlugin(const std::wstring& path) {
    LoadedPlugin plugin;
    plugin.module = LoadLibraryW(path.c_str());
    if (plugin.module == nullptr)
        throw std::runtime_error("LoadLibraryW failed, error " + std::to_string(GetLastError()));
    DescribeLoaded(plugin);
    plugin.preferredBase = NtHeaders(plugin)->OptionalHeader.ImageBase;
    return plugin;
}

void UnloadPlugin(LoadedPlugin& plugin) {
    if (plugin.module != nullptr)
        FreeLibrary(plugin.module);
    plugin.module = nullptr;
    if (reservedAtPreferredBase != nullptr)
        VirtualFree(reservedAtPreferredBase, 0, MEM_RELEASE);
    reservedAtPreferredBase = nullptr;
}

} // namespace sim
