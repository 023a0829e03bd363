// Runs the tests of several mutants' builds in one process, one after another:
//   mutant_runner.exe [test options] -- FOLDER...
// Each FOLDER holds a build of the tests as a DLL (VOXA_TEST_MODULE, by default
// unit_tests_module.dll) beside that mutant's shipped files, which the tests then use. A line
// "voxa-mutant: start FOLDER" comes before each run and "voxa-mutant: done FOLDER N" after it,
// N being the tests' exit status; a run that crashes or hangs leaves a start without a done,
// so the script knows which mutant did it and starts a new runner after it.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using RunTests = int(__cdecl*)(int, char**);

// A mutant that crashes ends the runner at once. Left to Wine, the crash starts its debugger,
// which under an emulator costs more than a minute before the script can start the next runner.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception) {
    std::printf("voxa-mutant: crashed (exception 0x%08lx)\n", exception->ExceptionRecord->ExceptionCode);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

int RunFolder(const std::string& folder, const char* moduleName, std::vector<char*> arguments) {
    const std::string path = folder + "\\" + moduleName;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "mutant_runner: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return -1;
    }
    auto run = reinterpret_cast<RunTests>(reinterpret_cast<void*>(GetProcAddress(module, "voxa_run_tests")));
    int status = -1;
    if (run != nullptr)
        status = run(static_cast<int>(arguments.size()) - 1, arguments.data());
    FreeLibrary(module);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(EndOnCrash);
    const char* moduleName = "unit_tests_module.dll";
    if (const char* chosen = std::getenv("VOXA_TEST_MODULE"))
        moduleName = chosen;
    std::vector<char*> testArguments{argv[0]};
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        testArguments.push_back(argv[i]);
    for (++i; i < argc; ++i) {
        std::printf("voxa-mutant: start %s\n", argv[i]);
        std::fflush(stdout);
        std::vector<char*> arguments = testArguments; // the tests may reorder what they are given
        arguments.push_back(nullptr);
        const int status = RunFolder(argv[i], moduleName, arguments);
        std::printf("voxa-mutant: done %s %d\n", argv[i], status);
        std::fflush(stdout);
        // A failure silences debug strings for the rest of the process (see test_module.cpp);
        // tests that read them need a new runner after it.
        if (status != 0 && std::getenv("VOXA_STOP_AFTER_FAILURE") != nullptr)
            break;
    }
    return 0;
}
