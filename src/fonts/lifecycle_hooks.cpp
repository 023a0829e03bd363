#include "fonts/lifecycle_hooks.h"

#include "core/host.h"
#include "fonts/font_data.h"
#include "fonts/texture_dictionaries.h"
#include "text/language_names.h"

namespace voxa {

void __thiscall StartupInitHook(void* hostObject) {
    host::HostStartupInit(hostObject);
    // Nothing may unwind into the host's code. Running out of memory costs a language no
    // more than its name, which then shows its key; the guard stays for what is unforeseen.
    try {
        BuildLanguageNames();
    } catch (...) {
    }
    LoadLanguageTextureDictionaries();
    LoadLanguageFontData();
}

extern "C" void __cdecl ReleaseLanguageResources() {
    ReleaseLanguageFontData();
    ReleaseLanguageTextureDictionaries();
}

// Where the shutdown hook goes on: an indirect jump through this datum needs no register.
extern "C" const host::Address HostShutdownAddress = host::addr::HostShutdown;

// The hook cannot know the host routine's arguments, so it hands on the stack and every
// register as the host left them: it keeps EAX, ECX and EDX around the release, and jumps
// into the host's routine, whose return goes straight back to the host's call site.
extern "C" __attribute__((naked)) void ShutdownHook() {
    asm volatile("pushl %eax\n\t"
                 "pushl %ecx\n\t"
                 "pushl %edx\n\t"
                 "call _ReleaseLanguageResources\n\t"
                 "popl %edx\n\t"
                 "popl %ecx\n\t"
                 "popl %eax\n\t"
                 "jmp *_HostShutdownAddress");
}

} // namespace voxa
