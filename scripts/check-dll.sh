#!/usr/bin/env bash
# Checks the built plug-in's headers: a PE32 DLL for i386 that exports nothing, keeps its
# base relocations, and needs no C++ runtime DLL.
set -euo pipefail
dll="$1"
dump=$(i686-w64-mingw32-objdump -p "$dll")
fail() { echo "check-dll: $dll: $*" >&2; exit 1; }
grep -q 'file format pei-i386' <<<"$dump" || fail "not a PE32 i386 image"
grep -q 'Characteristics.*DLL\|	DLL' <<<"$dump" || fail "not a DLL"
grep -q '^Entry 0 00000000 00000000 Export Directory' <<<"$dump" || fail "it has an export directory"
# The relocation directory's entry must be found and have a size: a dump in another layout
# fails the check instead of passing it.
reloc_size=$(awk '$1 == "Entry" && $2 == "5" && /Base Relocation/ { print $4 }' <<<"$dump")
[ -n "$reloc_size" ] || fail "objdump shows no base relocation entry"
[ "$((16#$reloc_size))" -gt 0 ] || fail "it has no base relocations"
imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print $3}')
for runtime in libstdc++ libgcc libwinpthread; do
  grep -qi "$runtime" <<<"$imports" && fail "it imports $runtime"
done
echo "check-dll: $dll is a PE32 i386 DLL, no exports, relocatable, imports: $(echo $imports | tr '\n' ' ')"
