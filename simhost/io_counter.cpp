#include "io_counter.h"

#include "test_folders.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace sim {

namespace {

std::atomic<long> fileCalls{0};
std::atomic<long> allocations{0};
std::atomic<long> allocationsBeforeFailure{-1};
std::atomic<long> openSearches{0};

decltype(&CreateFileA) realCreateFileA;
decltype(&CreateFileW) realCreateFileW;
decltype(&FindFirstFileA) realFindFirstFileA;
decltype(&FindFirstFileW) realFindFirstFileW;
decltype(&FindClose) realFindClose;
decltype(&GetPrivateProfileStringA) realGetPrivateProfileStringA;
decltype(&GetPrivateProfileIntA) realGetPrivateProfileIntA;
decltype(&GetFileAttributesA) realGetFileAttributesA;

HANDLE WINAPI CountedCreateFileA(LPCSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f,
                                 HANDLE g) {
    ++fileCalls;
    return realCreateFileA(a, b, c, d, e, f, g);
}
HANDLE WINAPI CountedCreateFileW(LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f,
                                 HANDLE g) {
    ++fileCalls;
    return realCreateFileW(a, b, c, d, e, f, g);
}
HANDLE CountedSearch(HANDLE search) {
    ++fileCalls;
    if (search != INVALID_HANDLE_VALUE)
        ++openSearches;
    return search;
}
HANDLE WINAPI CountedFindFirstFileA(LPCSTR a, LPWIN32_FIND_DATAA b) {
    return CountedSearch(realFindFirstFileA(a, b));
}
HANDLE WINAPI CountedFindFirstFileW(LPCWSTR a, LPWIN32_FIND_DATAW b) {
    return CountedSearch(realFindFirstFileW(a, b));
}
BOOL WINAPI CountedFindClose(HANDLE search) {
    --openSearches;
    return realFindClose(search);
}
DWORD WINAPI CountedGetPrivateProfileStringA(LPCSTR a, LPCSTR b, LPCSTR c, LPSTR d, DWORD e, LPCSTR f) {
    ++fileCalls;
    return realGetPrivateProfileStringA(a, b, c, d, e, f);
}
UINT WINAPI CountedGetPrivateProfileIntA(LPCSTR a, LPCSTR b, INT c, LPCSTR d) {
    ++fileCalls;
    return realGetPrivateProfileIntA(a, b, c, d);
}
DWORD WINAPI CountedGetFileAttributesA(LPCSTR a) {
    ++fileCalls;
    return realGetFileAttributesA(a);
}

// Points the program's import of `name` at `counted`, keeping the real one.
template <typename Fn> void Redirect(const char* name, Fn counted, Fn& real) {
    auto* base = reinterpret_cast<std::uint8_t*>(TestModule());
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, 4, PAGE_READWRITE, &old);
            real = reinterpret_cast<Fn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD>(counted);
            VirtualProtect(&slots->u1.Function, 4, old, &old);
        }
    }
}

bool counting = false;

} // namespace

void StartCounting() {
    static bool redirected = false;
    if (!redirected) {
        realCreateFileA = &CreateFileA;
        realCreateFileW = &CreateFileW;
        realFindFirstFileA = &FindFirstFileA;
        realFindFirstFileW = &FindFirstFileW;
        realFindClose = &FindClose;
        realGetPrivateProfileStringA = &GetPrivateProfileStringA;
        realGetPrivateProfileIntA = &GetPrivateProfileIntA;
        realGetFileAttributesA = &GetFileAttributesA;
        Redirect("CreateFileA", &CountedCreateFileA, realCreateFileA);
        Redirect("CreateFileW", &CountedCreateFileW, realCreateFileW);
        Redirect("FindFirstFileA", &CountedFindFirstFileA, realFindFirstFileA);
        Redirect("FindFirstFileW", &CountedFindFirstFileW, realFindFirstFileW);
        Redirect("FindClose", &CountedFindClose, realFindClose);
        Redirect("GetPrivateProfileStringA", &CountedGetPrivateProfileStringA, realGetPrivateProfileStringA);
        Redirect("GetPrivateProfileIntA", &CountedGetPrivateProfileIntA, realGetPrivateProfileIntA);
        Redirect("GetFileAttributesA", &CountedGetFileAttributesA, realGetFileAttributesA);
        redirected = true;
    }
    fileCalls = 0;
    allocations = 0;
    openSearches = 0;
    counting = true;
}

IoAndHeapCounts Counted() {
    return {fileCalls.load(), allocations.load(), openSearches.load()};
}

void FailAllocation(long after) {
    allocationsBeforeFailure = after;
}

AllocationFailureSuspended::AllocationFailureSuspended() : saved_(allocationsBeforeFailure.exchange(-1)) {}
AllocationFailureSuspended::~AllocationFailureSuspended() {
    allocationsBeforeFailure = saved_;
}

} // namespace sim

// Every allocation of the program goes through here while counting.
void* operator new(std::size_t size) {
    ++sim::allocations;
    if (sim::allocationsBeforeFailure >= 0 && sim::allocationsBeforeFailure-- == 0)
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
