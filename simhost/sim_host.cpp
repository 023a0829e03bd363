#include "sim_host.h"

#include <windows.h>

#include <stdexcept>

namespace sim {

namespace {
Address scratchNext = kScratchStart;
}

void ResetHostImage() {
    DWORD old = 0;
    if (!VirtualProtect(reinterpret_cast<void*>(kImageStart), kImageEnd - kImageStart, PAGE_EXECUTE_READWRITE,
                        &old))
        throw std::runtime_error("the host image range is not this program's memory");
    std::memset(reinterpret_cast<void*>(kImageStart), 0, kImageEnd - kImageStart);
    scratchNext = kScratchStart;
}

void PlaceJump(Address from, const void* to) {
    const auto target = reinterpret_cast<Address>(to);
    const std::int32_t displacement = static_cast<std::int32_t>(target - (from + 5));
    std::vector<std::uint8_t> bytes{0xE9, 0, 0, 0, 0};
    std::memcpy(&bytes[1], &displacement, 4);
    WriteBytes(from, bytes);
}

void WriteBytes(Address at, const std::vector<std::uint8_t>& bytes) {
    std::memcpy(reinterpret_cast<void*>(at), bytes.data(), bytes.size());
}

std::vector<std::uint8_t> ReadBytes(Address at, std::size_t count) {
    const auto* from = reinterpret_cast<const std::uint8_t*>(at);
    return {from, from + count};
}

Address ScratchAlloc(std::size_t bytes) {
    const Address at = scratchNext;
    scratchNext += static_cast<Address>((bytes + 15) & ~std::size_t{15});
    if (scratchNext > kImageEnd)
        throw std::runtime_error("host scratch memory exhausted");
    return at;
}

const char* ScratchText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* copy = reinterpret_cast<char*>(ScratchAlloc(size));
    std::memcpy(copy, text, size);
    return copy;
}

const wchar_t* ScratchWideText(const wchar_t* text) {
    const std::size_t size = (std::wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = reinterpret_cast<wchar_t*>(ScratchAlloc(size));
    std::memcpy(copy, text, size);
    return copy;
}

Address BranchTarget(Address at) {
    std::int32_t displacement;
    std::memcpy(&displacement, reinterpret_cast<const void*>(at + 1), 4);
    return at + 5 + static_cast<Address>(displacement);
}

} // namespace sim
