// The checker's reading of a lang.ini's bytes, under libFuzzer: whatever a translator's editor
// saved must give findings, never a crash or a read out of bounds.

#include "windows_reading.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const voxa_check::WindowsReading reading = voxa_check::HowWindowsReads(bytes);
    std::size_t seen = 0;
    for (const voxa_check::Finding& finding : reading.findings)
        seen += finding.message.size() + std::string(voxa_check::Describe(finding.rule).code).size();
    for (const voxa_check::Entry& entry : reading.entries) {
        seen += static_cast<std::size_t>(voxa_check::WindowsInteger(voxa_check::Unquoted(entry.value)) & 1);
        seen += voxa_check::NearestKey(entry.key).size();
        seen += voxa_check::IsNearLangIni(entry.key) ? 1 : 0;
    }
    return seen == static_cast<std::size_t>(-1) ? 1 : 0;
}
