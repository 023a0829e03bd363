#!/usr/bin/env bash
# Configures and builds the plug-in and its tests into build/.
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
echo "build: compiling into build/ (log: build/build.log)"
if ! cmake --build build -j"$(nproc)" >build/build.log 2>&1; then
  tail -n 40 build/build.log
  echo "build: failed" >&2
  exit 1
fi
