// A test program built as a DLL, for the mutation script: the runner loads one mutant's build
// after another into a single process, because under an emulator starting a Wine process
// costs far more than the tests it runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Under Wine in the emulator, a process with a second thread dies at its next debug string
// or hardware fault, and GoogleTest starts one at its first failure: a thread that watches
// the test thread's per-thread data, to free it when that thread ends. The tests run on one
// thread that lives as long as the runner, so no watcher is needed; GoogleTest's call to
// CreateThread (bound here through its import) gets an event handle it may resume, set the
// priority of and close, and no thread starts. A failure, a debug string and a crash then
// cost the runner nothing.
HANDLE WINAPI StartNoWatcherThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD,
                                   DWORD* id) {
    if (id != nullptr)
        *id = 0;
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

extern "C" void* createThreadImport __asm__("__imp__CreateThread@24");
void* createThreadImport = reinterpret_cast<void*>(&StartNoWatcherThread);

namespace {

// Only failures, and only to stdout, which the script reads: a mutant's passing tests are noise.
class FailurePrinter : public testing::EmptyTestEventListener {
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed())
            return;
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
