// A test program built as a DLL, for the mutation script: the runner loads one mutant's build
// after another into a single process, because under an emulator starting a Wine process
// costs far more than the tests it runs.

#include <gtest/gtest.h>

extern "C" __declspec(dllexport) int __cdecl voxa_run_tests(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
