#pragma once
// Every VirtualProtect call made while a recorder is installed, on the game's address range, in
// order; and a page whose protection cannot be made writable, refused as Windows refuses it: a
// request that touches any byte of the page fails whole.

#include "sim_host.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace sim {

struct ProtectionCall {
    Address at;
    Address length;
    DWORD protection;
};

extern std::vector<ProtectionCall> protectionCalls;

// A kernel32 routine replaced while this lives: its entry (what a program's import resolves
// to) starts with a jump to the replacement. The entry is rewritten through VirtualProtectEx,
// which no test replaces.
class RoutineReplaced {
  public:
    RoutineReplaced(const char* name, const void* replacement);
    ~RoutineReplaced();
    RoutineReplaced(const RoutineReplaced&) = delete;
    RoutineReplaced& operator=(const RoutineReplaced&) = delete;

    // The routine as it was, for the replacement to pass a call on to, while this lives.
    class Original {
      public:
        explicit Original(RoutineReplaced& replaced) : replaced_(replaced) {
            replaced_.Write(replaced_.saved_);
        }
        ~Original() { replaced_.Write(replaced_.jump_); }
        Original(const Original&) = delete;
        Original& operator=(const Original&) = delete;

      private:
        RoutineReplaced& replaced_;
    };

  private:
    void Write(const std::uint8_t* bytes);
    std::uint8_t* entry_ = nullptr;
    std::uint8_t saved_[5] = {};
    std::uint8_t jump_[5] = {0xE9};
};

// VirtualProtect replaced by a recorder while this lives, which does the work through
// VirtualProtectEx.
class ProtectionRecorder {
  public:
    // refusedPage: the start of a page that cannot be made writable (0 for none).
    explicit ProtectionRecorder(Address refusedPage = 0);
    ~ProtectionRecorder();
    ProtectionRecorder(const ProtectionRecorder&) = delete;
    ProtectionRecorder& operator=(const ProtectionRecorder&) = delete;

  private:
    RoutineReplaced replaced_;
};

constexpr Address kPageSize = 0x1000;

} // namespace sim
