#include "host_sites.h"

#include <cstdio>
#include <stdexcept>

namespace sim {

using namespace host::addr;
namespace s = host::site;

namespace {

std::uint32_t Ptr(const void* p) {
    return reinterpret_cast<std::uint32_t>(p);
}

// The host code after a call: its clean-up, then on to the frame's end in scratch memory.
void EndFrame(CodeWriter& code) {
    const Address epilogue = ScratchAlloc(64);
    code.Jump(epilogue);
    CodeWriter(epilogue).End();
}

const wchar_t* DrawFormat(int path) {
    if (path == 2)
        return L"%s";
    wchar_t format[16];
    std::swprintf(format, 16, L"<%%s>%d", path);
    return ScratchWideText(format);
}

void PushDrawFloats(CodeWriter& code, bool shortLast) {
    code.PushImm(FloatBits(kDrawFloats[3]))
        .PushImm(FloatBits(kDrawFloats[2]))
        .PushImm(FloatBits(kDrawFloats[1]));
    if (shortLast)
        code.Bytes({0x6A, 0x00}); // push 0: the float 0.0 in two bytes
    else
        code.PushImm(FloatBits(kDrawFloats[0]));
}

constexpr std::uint32_t kWideAB = 0x00420041; // L"AB" as one stack word

// Path 1: an argument for the host's helper, then the address of a text on the stack.
Address EmitDrawPathA() {
    CodeWriter code(s::DrawArgumentPushA - CodeWriter::kBeginLength - 15);
    code.Begin().PushImm(0).PushImm(kWideAB).PushImm(0x11111111);
    code.Bytes({0x90, 0x90, 0x90, 0x90, 0x90}); // DrawArgumentPushA: rewritten
    code.Call(HostDrawHelper);                  // DrawHelperCallA
    code.AddEsp(4).Nops(2);
    code.Bytes({0x90, 0x90, 0x90, 0x90, 0x90}); // DrawArgumentPushB: rewritten
    code.PushImm(Ptr(DrawFormat(1)));
    PushDrawFloats(code, true);
    code.Call(HostDrawString); // DrawFormattedCall1
    code.AddEsp(24).AddEsp(12);
    EndFrame(code);
    return s::DrawArgumentPushA - CodeWriter::kBeginLength - 15;
}

// Path 2: the frame pointer's text drawn through the plug-in's "%s".
Address EmitDrawPathB() {
    const Address entry = s::DrawFramePushA - CodeWriter::kBeginLength;
    CodeWriter code(entry);
    code.Begin();
    code.Bytes({0x90, 0x90, 0x90, 0x90, 0x90}); // DrawFramePushA: rewritten
    code.Call(HostDrawHelper);                  // DrawHelperCallB
    code.AddEsp(4).Nops(6);
    code.Bytes({0x90, 0x90, 0x90, 0x90, 0x90});               // DrawFramePushB: rewritten
    code.PushImm(Ptr(ScratchWideText(L"host's own format"))); // its operand: DrawFormatOperand
    PushDrawFloats(code, false);
    code.Nops(6);
    code.Call(HostDrawString); // DrawFormattedCall2
    code.AddEsp(24);
    EndFrame(code);
    return entry;
}

// Paths 3 to 8: the address of a text at the top of the stack.
Address EmitDrawPathC(Address stackPush, int path) {
    const Address entry = stackPush - CodeWriter::kBeginLength - 10;
    CodeWriter code(entry);
    code.Begin().PushImm(0).PushImm(kWideAB);
    code.Bytes({0x90, 0x90, 0x90, 0x90, 0x90}); // DrawStackPushN: rewritten
    code.PushImm(Ptr(DrawFormat(path)));
    PushDrawFloats(code, true);
    code.Nops(2);
    code.Call(HostDrawString); // DrawFormattedCallN
    code.AddEsp(24).AddEsp(8);
    EndFrame(code);
    return entry;
}

std::uint32_t __cdecl HostsOwnLanguageChoice() {
    return 0;
}

Address EmitDefaultLanguage() {
    const Address entry = s::DefaultLanguageCall - CodeWriter::kBeginLength;
    CodeWriter code(entry);
    code.Begin();
    code.Call(reinterpret_cast<Address>(&HostsOwnLanguageChoice)); // DefaultLanguageCall
    code.Bytes({0xBB}).Dword(kHostsOwnLanguageChoice);             // mov ebx, 0x99: rewritten
    while (code.here() < s::DefaultLanguageContinue)
        code.Nops(1);
    code.Bytes({0x89, 0xD8});             // mov eax, ebx
    code.Bytes({0xBB}).Dword(0xB1B1B1B1); // the caller's EBX again
    EndFrame(code);
    return entry;
}

} // namespace

std::wstring ExpectedDrawnText(int path, const std::wstring& ebpText) {
    if (path == 2)
        return ebpText;
    return L"<AB>" + std::to_wstring(path);
}

HostSites EmitHostSites(const HostSiteData& data) {
    HostSites sites{};
    sites.startup = EmitCallSite(s::StartupInitCall, HostStartupInit, {data.startupObject, {}, false});
    sites.hostFontLoad =
        EmitCallSite(s::FontDataLoadCall, HostLoadFontData, {{}, {Ptr(data.hostFontFile)}, false});
    sites.shutdown = EmitCallSite(s::ShutdownCall, HostShutdown,
                                  {0xC0FFEE, {data.shutdownArgs[0], data.shutdownArgs[1]}, true});
    sites.gameTextLoad = EmitCallSite(s::GameTextLoadCall, HostTextTableLoad,
                                      {kGameTextTable, {Ptr(data.hostGameText)}, true});
    sites.levelTextLoad = EmitCallSite(s::LevelTextLoadCall, HostTextTableLoad,
                                       {kLevelTextTable, {Ptr(data.hostLevelText)}, true});
    sites.defaultLanguage = EmitDefaultLanguage();
    const Address lookups[4] = {s::FindTextureCallA, s::FindTextureCallB, s::FindTextureCallC,
                                s::FindTextureCallD};
    for (int i = 0; i < 4; ++i)
        sites.findTexture[i] =
            EmitCallSite(lookups[i], HostFindTexture,
                         {{}, {Data<std::uint32_t>(HostFontDictionaryA), Ptr(data.textureName)}});
    sites.drawFormatted[0] = EmitDrawPathA();
    sites.drawFormatted[1] = EmitDrawPathB();
    const Address stackPushes[6] = {s::DrawStackPush3, s::DrawStackPush4, s::DrawStackPush5,
                                    s::DrawStackPush6, s::DrawStackPush7, s::DrawStackPush8};
    for (int i = 0; i < 6; ++i)
        sites.drawFormatted[2 + i] = EmitDrawPathC(stackPushes[i], 3 + i);
    sites.menuBegin = EmitCaller(s::LanguageMenuBeginEntry, {});
    sites.menuCheckReset = EmitCaller(s::LanguageMenuCheckResetEntry, {});
    sites.menuInput = EmitCaller(s::LanguageMenuInputEntry, {});
    sites.menuDraw = EmitCaller(s::LanguageMenuDrawEntry, {});
    return sites;
}

HostCodeRun RunChecked(Address entry, std::uint32_t ebp) {
    const HostCodeRun run = RunHostCode(entry, ebp);
    if (!run.stackBalanced)
        throw std::runtime_error("the stack was not balanced after a host call");
    if (!run.registersKept)
        throw std::runtime_error("a register that a callee must keep was changed");
    return run;
}

std::string HostNarrows(const std::wstring& text) {
    const HostCodeRun run =
        RunChecked(EmitCaller(s::WideToNarrowEntry, {{}, {Ptr(ScratchWideText(text.c_str()))}}));
    return reinterpret_cast<const char*>(run.eax);
}

const wchar_t* HostWidensShared(const std::string& text, std::int32_t length) {
    const Address copy = ScratchAlloc(text.size() + 1);
    std::memcpy(reinterpret_cast<void*>(copy), text.data(), text.size());
    const HostCodeRun run =
        RunChecked(EmitCaller(s::NarrowToWideSharedEntry, {{}, {copy, static_cast<std::uint32_t>(length)}}));
    return reinterpret_cast<const wchar_t*>(run.eax);
}

std::wstring HostWidens(const std::string& text) {
    auto* destination = reinterpret_cast<wchar_t*>(ScratchAlloc(2 * (text.size() + 1)));
    RunChecked(EmitCaller(s::NarrowToWideEntry, {{}, {Ptr(destination), Ptr(ScratchText(text.c_str()))}}));
    return destination;
}

std::wstring HostSceneLabel(std::int32_t sceneLessOne) {
    const HostCodeRun run = RunChecked(
        EmitCaller(s::FormatSceneLabelEntry, {{}, {static_cast<std::uint32_t>(sceneLessOne)}, true}));
    return reinterpret_cast<const wchar_t*>(run.eax);
}

} // namespace sim
