#include "protection_hook.h"

#include <cstring>

namespace sim {

std::vector<ProtectionCall> protectionCalls;

namespace {

Address refused = 0;

BOOL WINAPI RecordVirtualProtect(void* at, SIZE_T length, DWORD protection, DWORD* previous) {
    const auto address = reinterpret_cast<Address>(at);
    if (address >= kImageStart && address < kImageEnd)
        protectionCalls.push_back({address, static_cast<Address>(length), protection});
    const bool touchesRefused = refused != 0 && address < refused + kPageSize && address + length > refused;
    if (touchesRefused && protection == PAGE_EXECUTE_READWRITE) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return VirtualProtectEx(GetCurrentProcess(), at, length, protection, previous);
}

} // namespace

RoutineReplaced::RoutineReplaced(const char* name, const void* replacement)
    : entry_(reinterpret_cast<std::uint8_t*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name))) {
    std::memcpy(saved_, entry_, 5);
    const auto displacement =
        reinterpret_cast<Address>(replacement) - (reinterpret_cast<Address>(entry_) + 5);
    std::memcpy(jump_ + 1, &displacement, 4);
    Write(jump_);
}

RoutineReplaced::~RoutineReplaced() {
    Write(saved_);
}

void RoutineReplaced::Write(const std::uint8_t* bytes) {
    DWORD previous = 0;
    VirtualProtectEx(GetCurrentProcess(), entry_, 5, PAGE_EXECUTE_READWRITE, &previous);
    std::memcpy(entry_, bytes, 5);
    VirtualProtectEx(GetCurrentProcess(), entry_, 5, previous, &previous);
    FlushInstructionCache(GetCurrentProcess(), entry_, 5);
}

namespace {

// A fresh record, and the page to refuse, before the replacement goes in.
const char* Armed(Address refusedPage) {
    protectionCalls.clear();
    refused = refusedPage;
    return "VirtualProtect";
}

} // namespace

ProtectionRecorder::ProtectionRecorder(Address refusedPage)
    : replaced_(Armed(refusedPage), reinterpret_cast<const void*>(&RecordVirtualProtect)) {}

ProtectionRecorder::~ProtectionRecorder() {
    refused = 0;
}

} // namespace sim
