#include "short_names.h"

#include <windows.h>

namespace sim {

namespace {

HANDLE WINAPI ListWithoutShortNames(LPCWSTR pattern, LPWIN32_FIND_DATAW entry) {
    return FindFirstFileExW(pattern, FindExInfoBasic, entry, FindExSearchNameMatch, nullptr, 0);
}

DWORD WINAPI NoShortPath(LPCWSTR, LPWSTR, DWORD) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

} // namespace

DriveWithoutShortNames::DriveWithoutShortNames()
    : listing_("FindFirstFileW", reinterpret_cast<const void*>(&ListWithoutShortNames)),
      shortPaths_("GetShortPathNameW", reinterpret_cast<const void*>(&NoShortPath)) {}

} // namespace sim
