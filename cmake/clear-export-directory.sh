#!/usr/bin/env bash
# GNU ld gives every DLL an export directory, empty when nothing is exported. The plug-in
# exports nothing, so its header should say so: this clears the export entry of the PE32
# data directory (the empty table's bytes stay, unreferenced).
set -euo pipefail
file="$1"
peOffset=$(od -An -t u4 -j 60 -N 4 "$file" | tr -d ' ')
magic=$(od -An -t x2 -j $((peOffset + 24)) -N 2 "$file" | tr -d ' ')
[ "$magic" = "010b" ] || { echo "$file: not a PE32 image" >&2; exit 1; }
dd if=/dev/zero of="$file" bs=1 seek=$((peOffset + 24 + 96)) count=8 conv=notrunc status=none
