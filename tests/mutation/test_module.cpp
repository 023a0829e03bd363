// A test program built as a DLL, for the mutation script: the runner loads one mutant's build
// after another into a single process, because under an emulator starting a Wine process
// costs far more than the tests it runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Under Wine in the emulator, OutputDebugStringA kills a process that has a second thread,
// and GoogleTest starts one (to watch its per-thread data) at its first failure. Its own
// printer and the plug-in's log both send debug strings, so one killed mutant would take the
// runner down and every kill would cost a new Wine process. So at the first failure this
// printer, which writes to stdout only, turns OutputDebugStringA into a plain return for the
// rest of the process: the mutant is already known to be killed.
void SilenceDebugStrings() {
    auto* entry = reinterpret_cast<std::uint8_t*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "OutputDebugStringA")));
    DWORD old = 0;
    if (entry == nullptr || !VirtualProtect(entry, 3, PAGE_EXECUTE_READWRITE, &old))
        return;
    const std::uint8_t returnPoppingOneArgument[] = {0xC2, 0x04, 0x00};
    std::memcpy(entry, returnPoppingOneArgument, sizeof returnPoppingOneArgument);
    VirtualProtect(entry, 3, old, &old);
    FlushInstructionCache(GetCurrentProcess(), entry, 3);
}

class FailurePrinter : public testing::EmptyTestEventListener {
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed())
            return;
        SilenceDebugStrings();
        std::printf("%s:%d: Failure\n%s\n", result.file_name() ? result.file_name() : "?",
                    result.line_number(), result.message());
        std::fflush(stdout);
    }
    void OnTestEnd(const testing::TestInfo& test) override {
        if (test.result()->Failed())
            std::printf("[  FAILED  ] %s.%s\n", test.test_suite_name(), test.name());
    }
};

} // namespace

extern "C" __declspec(dllexport) int __cdecl voxa_run_tests(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new FailurePrinter);
    return RUN_ALL_TESTS();
}
