// Runs the tests of several mutants' builds in one process, one after another:
//   mutant_runner.exe [test options] -- FOLDER...
// Each FOLDER holds a build of the tests as a DLL (VOXA_TEST_MODULE, by default
// unit_tests_module.dll) beside that mutant's shipped files, which the tests then use. A line
// "voxa-mutant: start FOLDER" comes before each run and "voxa-mutant: done FOLDER N" after it,
// N being the tests' exit status (3 for a crash, after which the runner goes on only if
// VOXA_SANITY_FOLDER still passes). A run that hangs, or a crash the runner cannot come back
// from, leaves a start without a done, so the script knows which mutant did it and starts a
// new runner after it.

#include <windows.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using RunTests = int(__cdecl*)(int, char**);

// A crash in a mutant's tests comes back here, and the runner goes on with the next mutant:
// a new Wine process, or Wine's debugger, costs a minute or more under an emulator. The
// crashed mutant's DLL stays loaded, so that whatever its tests left hooked still points at
// code. Outside a run, a crash ends the runner at once, and the script starts a new one.
std::jmp_buf crashRecovery;
volatile bool runningTests = false;

constexpr int kCrashed = 3;

LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
    std::printf("voxa-mutant: crashed (exception 0x%08lx)\n", exception->ExceptionRecord->ExceptionCode);
    std::fflush(stdout);
    if (!runningTests)
        TerminateProcess(GetCurrentProcess(), kCrashed);
    runningTests = false;
    std::longjmp(crashRecovery, 1);
}

int RunFolder(const std::string& folder, const char* moduleName, std::vector<char*> arguments) {
    const std::string path = folder + "\\" + moduleName;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "mutant_runner: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return -1;
    }
    auto run = reinterpret_cast<RunTests>(reinterpret_cast<void*>(GetProcAddress(module, "voxa_run_tests")));
    if (run == nullptr)
        return -1;
    arguments.push_back(nullptr);
    if (setjmp(crashRecovery) != 0)
        return kCrashed;
    runningTests = true;
    const int status = run(static_cast<int>(arguments.size()) - 1, arguments.data());
    runningTests = false;
    FreeLibrary(module);
    return status;
}

// After a crash, the unmutated build (VOXA_SANITY_FOLDER) must still pass in this process
// before it judges another mutant; otherwise what the crash left behind could kill the next.
bool SoundAfterCrash(const char* moduleName, const std::vector<char*>& arguments) {
    const char* sanity = std::getenv("VOXA_SANITY_FOLDER");
    return sanity != nullptr && RunFolder(sanity, moduleName, arguments) == 0;
}

} // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(OnCrash);
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
        // Each run gets its own copy: the tests may reorder what they are given.
        const int status = RunFolder(argv[i], moduleName, testArguments);
        std::printf("voxa-mutant: done %s %d\n", argv[i], status);
        std::fflush(stdout);
        if (status == kCrashed && !SoundAfterCrash(moduleName, testArguments))
            break;
    }
    return 0;
}
