#pragma once
// Fragments of host code, written at host addresses and run the way the host runs them. Each
// fragment notes the stack pointer on entry and on leaving and the registers that a callee
// must keep, so a hook that removes too much or too little from the stack, or spoils a
// register, fails the test instead of passing by luck.

#include "sim_host.h"

#include <initializer_list>
#include <optional>

namespace sim {

class CodeWriter {
  public:
    explicit CodeWriter(Address at) : at_(at) {}
    Address here() const { return at_; }
    CodeWriter& Bytes(std::initializer_list<std::uint8_t> bytes);
    CodeWriter& Dword(std::uint32_t value);
    CodeWriter& PushImm(std::uint32_t value);
    CodeWriter& MovEcx(std::uint32_t value);
    CodeWriter& Call(Address target);
    CodeWriter& Jump(Address target);
    CodeWriter& AddEsp(std::uint8_t bytes);
    CodeWriter& Nops(int count);
    // The frame every fragment starts and ends with (8 bytes in front of the body).
    CodeWriter& Begin();
    CodeWriter& End();
    static constexpr std::size_t kBeginLength = 7;

  private:
    Address at_;
};

struct HostCodeRun {
    std::uint32_t eax;
    std::uint32_t edx;
    bool stackBalanced;
    bool registersKept;
};

// Runs a fragment. EBP holds `ebp` on entry (a host frame pointer, or a value the fragment
// pushes); EBX, ESI and EDI hold marker values.
HostCodeRun RunHostCode(Address entry, std::uint32_t ebp = 0xBE5EBE5E);

struct HostCall {
    std::optional<std::uint32_t> ecx;
    std::vector<std::uint32_t> args; // in the order of the routine's parameters
    bool calleeRemovesArgs = false;
};

// The host's own code around a call: the set-up ends right at `callSite`, where the call
// (E8 to `routine`) stands, as in the host; the caller's clean-up follows (8 bytes at most
// after the call, the rest in scratch memory). Returns the entry.
Address EmitCallSite(Address callSite, Address routine, const HostCall& call);

// A host caller, in scratch memory, of the routine entered at `routine`.
Address EmitCaller(Address routine, const HostCall& call);

std::uint32_t FloatBits(float value);

} // namespace sim
