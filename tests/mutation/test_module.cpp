// A test program built as a DLL, for the mutation script: the runner loads one mutant's build
// after another into a single process, because under an emulator starting a Wine process
// costs far more than the tests it runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

// GoogleTest starts no watcher thread here either: no_watcher_thread.cpp is linked in.

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
