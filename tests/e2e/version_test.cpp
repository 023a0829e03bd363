// The version a player sees in the properties of the shipped files.

#include "simhost/test_folders.h"

#include <windows.h>

#include <voxa_version.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct VersionInfo {
    VS_FIXEDFILEINFO fixed{};
    std::string productName, productVersion, fileVersion, description, originalName;
};

std::string Text(std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0)
        return "(none)";
    return std::string(value);
}

VersionInfo ReadVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    EXPECT_NE(size, 0u) << path << " has no version resource";
    std::vector<char> block(size + 1);
    VersionInfo info;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        return info;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr)
        info.fixed = *fixed;
    info.productName = Text(block, "ProductName");
    info.productVersion = Text(block, "ProductVersion");
    info.fileVersion = Text(block, "FileVersion");
    info.description = Text(block, "FileDescription");
    info.originalName = Text(block, "OriginalFilename");
    return info;
}

TEST(VersionResource, ThePluginAndTheCheckerCarryTheProjectVersion) {
    for (const char* file : {"voxa.asi", "voxa-check.exe"}) {
        const VersionInfo info = ReadVersion(sim::ProgramFolder() + file);
        EXPECT_EQ(info.fixed.dwSignature, 0xFEEF04BDu) << file;
        EXPECT_EQ(info.fixed.dwFileVersionMS,
                  static_cast<DWORD>(VOXA_VERSION_MAJOR << 16 | VOXA_VERSION_MINOR))
            << file;
        EXPECT_EQ(info.fixed.dwFileVersionLS, static_cast<DWORD>(VOXA_VERSION_PATCH << 16)) << file;
        EXPECT_EQ(info.fixed.dwProductVersionMS, info.fixed.dwFileVersionMS) << file;
        EXPECT_EQ(info.productName, "voxa") << file;
        EXPECT_EQ(info.productVersion, VOXA_VERSION) << file;
        EXPECT_EQ(info.fileVersion, VOXA_VERSION) << file;
        EXPECT_EQ(info.originalName, file);
        EXPECT_NE(info.description, "(none)") << file;
    }
    EXPECT_EQ(ReadVersion(sim::ProgramFolder() + "voxa.asi").fixed.dwFileType, static_cast<DWORD>(VFT_DLL));
}

} // namespace
