// Under Wine in the emulator, a process with a second thread dies at its next debug string or
// hardware fault, and the plug-in's log sends debug strings. GoogleTest starts a thread at its
// first failure, to watch the test thread's per-thread data; the tests run on one thread that
// lives as long as the program, so none is needed. Its call to CreateThread, bound here through
// the program's import, gets an event handle it may resume, set the priority of and close.
#include <windows.h>

namespace {

HANDLE WINAPI StartNoThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD, DWORD* id) {
    if (id != nullptr)
        *id = 0;
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

extern "C" void* createThreadImport __asm__("__imp__CreateThread@24");
void* createThreadImport = reinterpret_cast<void*>(&StartNoThread);
