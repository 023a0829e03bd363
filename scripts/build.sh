#!/usr/bin/env bash
# Configures and builds the plug-in and its tests into build/: everything, or the targets
# given as arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Where 32-bit programs run only under emulation, every Wine process costs minutes: the tests
# are then grouped into a few processes.
few=OFF
[ "${VOXA_I386:-native}" = emulated ] && few=ON
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DVOXA_FEW_WINE_PROCESSES=$few >/dev/null
else
  cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DVOXA_FEW_WINE_PROCESSES=$few >/dev/null
fi
# Only the targets named, when any are (the demo needs two of them); progress every tenth.
target_args=()
for target in "$@"; do target_args+=(--target "$target"); done
echo "build: compiling ${*:-everything} into build/ (log: build/build.log)"
progress='match($0, /^\[ *[0-9]+%\]/) {
  p = substr($0, RSTART + 1, RLENGTH - 2) + 0
  if (p >= last + 10 || (p == 100 && last != 100)) { printf "build: %3d%%\n", p; last = p; fflush() }
}'
if ! cmake --build build "${target_args[@]}" -j"$(nproc)" 2>&1 | tee build/build.log | awk "$progress"; then
  tail -n 40 build/build.log
  echo "build: failed" >&2
  exit 1
fi
