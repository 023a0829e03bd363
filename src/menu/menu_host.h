#pragma once
// Typed access to the host's menu routines and data.

#include "core/host.h"

#include <cstdint>

namespace voxa::menu_host {

using host::addr::HostCursor;

inline std::int32_t& SelectedRow() {
    return host::At<std::int32_t>(host::addr::HostSelectedRow);
}
inline std::int32_t MenuMarker() {
    return host::At<std::int32_t>(host::addr::HostMenuMarker);
}
inline std::int32_t MenuContext() {
    return host::At<std::int32_t>(host::addr::HostMenuContext);
}
inline std::int32_t CursorInt(host::Address offset) {
    return host::At<std::int32_t>(HostCursor + offset);
}
inline float CursorFloat(host::Address offset) {
    return host::At<float>(HostCursor + offset);
}
inline float LayoutFloat(host::Address address) {
    return host::At<float>(address);
}

inline bool MenuUpPressed() {
    return host::Routine<bool(__thiscall*)(void*)>(host::addr::HostMenuUpPressed)(
        host::Pointer<void>(HostCursor));
}
inline bool MenuDownPressed() {
    return host::Routine<bool(__cdecl*)()>(host::addr::HostMenuDownPressed)();
}
inline bool MenuCursorOverItem() {
    return host::Routine<bool(__cdecl*)()>(host::addr::HostMenuCursorOverItem)();
}
inline std::int32_t MenuItemUnderCursor() {
    return host::Routine<std::int32_t(__cdecl*)()>(host::addr::HostMenuItemUnderCursor)();
}
inline bool MenuAuxInput() {
    return host::Routine<bool(__cdecl*)()>(host::addr::HostMenuAuxInput)();
}
inline bool MenuAcceptPressed() {
    return host::Routine<bool(__cdecl*)()>(host::addr::HostMenuAcceptPressed)();
}
inline void PlayFrontendSound(std::int32_t sound) {
    host::Routine<void(__cdecl*)(std::int32_t)>(host::addr::HostPlayFrontendSound)(sound);
}
inline void SetLanguage(std::int32_t languageIndex) {
    host::Routine<void(__thiscall*)(void*, std::int32_t, std::int32_t)>(host::addr::HostSetLanguage)(
        host::Pointer<void>(host::addr::HostSettings), languageIndex, 1);
}
inline void DrawTitle(const wchar_t* text) {
    host::Routine<void(__cdecl*)(const wchar_t*)>(host::addr::HostMenuDrawTitle)(text);
}
inline float FontHeight(std::int32_t font, float scale) {
    return host::Routine<float(__cdecl*)(std::int32_t, float)>(host::addr::HostFontHeight)(font, scale);
}
inline float TextWidth(const char* text, float scale) {
    return host::Routine<float(__cdecl*)(const char*, float, std::int32_t)>(host::addr::HostTextWidth)(
        text, scale, 1);
}
inline void SetTextColour(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t alpha) {
    host::Routine<void(__cdecl*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t)>(
        host::addr::HostSetTextColour)(red, green, blue, alpha);
}
inline void DefaultTextColour() {
    host::Routine<void(__thiscall*)(void*)>(host::addr::HostMenuDefaultTextColour)(
        host::Pointer<void>(HostCursor));
}
inline void DrawNarrowText(const char* text, float x, float y, float scaleX, float scaleY) {
    host::Routine<void(__cdecl*)(const char*, float, float, float, float, float, std::int32_t)>(
        host::addr::HostDrawNarrowText)(text, x, y, scaleX, scaleY, 0.0f, 1);
}
inline void DrawItem(const wchar_t* text, float x, float y, float scaleX, float scaleY,
                     std::int32_t selected) {
    host::Routine<void(__cdecl*)(const wchar_t*, float, float, float, float, std::int32_t)>(
        host::addr::HostMenuDrawItem)(text, x, y, scaleX, scaleY, selected);
}
inline void TrackItem(const wchar_t* text, float x, float y, float scaleX, float scaleY) {
    host::Routine<void(__cdecl*)(const wchar_t*, float, float, float, float)>(host::addr::HostMenuTrackItem)(
        text, x, y, scaleX, scaleY);
}
inline void DrawButtonLabels(const wchar_t* a, const wchar_t* b, const wchar_t* c, const wchar_t* d) {
    host::Routine<void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*)>(
        host::addr::HostMenuDrawButtonLabels)(a, b, c, d);
}

} // namespace voxa::menu_host
