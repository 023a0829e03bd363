#include "host_code.h"

namespace sim {

namespace {

// Where the running fragment leaves what it saw; plain globals of the test image, whose
// addresses are fixed because test programs are never relocated.
struct Slots {
    std::uint32_t entryEsp, leaveEsp, eax, edx, ebx, esi, edi, ebp;
};
Slots slots;

constexpr std::uint32_t kEbxMark = 0xB1B1B1B1, kEsiMark = 0x5E5E5E5E, kEdiMark = 0xD1D1D1D1;

Address SlotAddress(const std::uint32_t& slot) {
    return reinterpret_cast<Address>(&slot);
}

} // namespace

extern "C" {
Address simFragmentEntry;
std::uint32_t simEntryEbp;
}

// Calls the fragment with marker values in the registers that a callee must keep.
extern "C" __attribute__((naked)) void simRunFragment() {
    asm volatile("pushl %ebp\n\t"
                 "pushl %ebx\n\t"
                 "pushl %esi\n\t"
                 "pushl %edi\n\t"
                 "movl $0xB1B1B1B1, %ebx\n\t"
                 "movl $0x5E5E5E5E, %esi\n\t"
                 "movl $0xD1D1D1D1, %edi\n\t"
                 "movl _simEntryEbp, %ebp\n\t"
                 "call *_simFragmentEntry\n\t"
                 "popl %edi\n\t"
                 "popl %esi\n\t"
                 "popl %ebx\n\t"
                 "popl %ebp\n\t"
                 "ret");
}

CodeWriter& CodeWriter::Bytes(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes)
        *reinterpret_cast<std::uint8_t*>(at_++) = byte;
    return *this;
}

CodeWriter& CodeWriter::Dword(std::uint32_t value) {
    std::memcpy(reinterpret_cast<void*>(at_), &value, 4);
    at_ += 4;
    return *this;
}

CodeWriter& CodeWriter::PushImm(std::uint32_t value) {
    return Bytes({0x68}).Dword(value);
}
CodeWriter& CodeWriter::MovEcx(std::uint32_t value) {
    return Bytes({0xB9}).Dword(value);
}
CodeWriter& CodeWriter::Call(Address target) {
    const std::uint32_t displacement = target - (at_ + 5);
    return Bytes({0xE8}).Dword(displacement);
}
CodeWriter& CodeWriter::Jump(Address target) {
    const std::uint32_t displacement = target - (at_ + 5);
    return Bytes({0xE9}).Dword(displacement);
}

CodeWriter& CodeWriter::AddEsp(std::uint8_t bytes) {
    return Bytes({0x83, 0xC4, bytes});
}

CodeWriter& CodeWriter::Nops(int count) {
    for (int i = 0; i < count; ++i)
        Bytes({0x90});
    return *this;
}

CodeWriter& CodeWriter::Begin() {
    return Bytes({0x55}).Bytes({0x89, 0x25}).Dword(SlotAddress(slots.entryEsp)); // push ebp; mov [entry], esp
}

CodeWriter& CodeWriter::End() {
    Bytes({0xA3}).Dword(SlotAddress(slots.eax));
    Bytes({0x89, 0x15}).Dword(SlotAddress(slots.edx));
    Bytes({0x89, 0x1D}).Dword(SlotAddress(slots.ebx));
    Bytes({0x89, 0x35}).Dword(SlotAddress(slots.esi));
    Bytes({0x89, 0x3D}).Dword(SlotAddress(slots.edi));
    Bytes({0x89, 0x2D}).Dword(SlotAddress(slots.ebp));
    Bytes({0x89, 0x25}).Dword(SlotAddress(slots.leaveEsp));
    // Leave from the noted stack pointer whatever the callee did, so a wrong stack is
    // reported rather than crashing the test program.
    Bytes({0x8B, 0x25}).Dword(SlotAddress(slots.entryEsp));
    return Bytes({0x5D, 0xC3}); // pop ebp; ret
}

HostCodeRun RunHostCode(Address entry, std::uint32_t ebp) {
    slots = {};
    slots.entryEsp = 0xFFFFFFFF;
    simFragmentEntry = entry;
    simEntryEbp = ebp;
    simRunFragment();
    const bool kept =
        slots.ebx == kEbxMark && slots.esi == kEsiMark && slots.edi == kEdiMark && slots.ebp == ebp;
    return {slots.eax, slots.edx, slots.leaveEsp == slots.entryEsp, kept};
}

namespace {

std::size_t SetupLength(const HostCall& call) {
    return CodeWriter::kBeginLength + (call.ecx ? 5 : 0) + 5 * call.args.size();
}

void EmitSetup(CodeWriter& code, const HostCall& call) {
    code.Begin();
    for (auto arg = call.args.rbegin(); arg != call.args.rend(); ++arg)
        code.PushImm(*arg);
    if (call.ecx)
        code.MovEcx(*call.ecx);
}

void EmitCleanUp(CodeWriter& code, const HostCall& call) {
    if (!call.calleeRemovesArgs && !call.args.empty())
        code.AddEsp(static_cast<std::uint8_t>(4 * call.args.size()));
    code.End();
}

} // namespace

Address EmitCallSite(Address callSite, Address routine, const HostCall& call) {
    const Address entry = callSite - static_cast<Address>(SetupLength(call));
    CodeWriter code(entry);
    EmitSetup(code, call);
    code.Call(routine);
    if (!call.calleeRemovesArgs && !call.args.empty())
        code.AddEsp(static_cast<std::uint8_t>(4 * call.args.size()));
    // The rest of the frame lies in scratch memory: host routines may follow a site closely.
    const Address epilogue = ScratchAlloc(64);
    code.Jump(epilogue);
    CodeWriter(epilogue).End();
    return entry;
}

Address EmitCaller(Address routine, const HostCall& call) {
    const Address entry = ScratchAlloc(SetupLength(call) + 64);
    CodeWriter code(entry);
    EmitSetup(code, call);
    code.Call(routine);
    EmitCleanUp(code, call);
    return entry;
}

std::uint32_t FloatBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

} // namespace sim
