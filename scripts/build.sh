#!/usr/bin/env bash
# Configures and builds the plug-in and its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
if [ -f build/CMakeCache.txt ]; then
  cmake -S . -B build >/dev/null
else
  cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
fi
echo "build: compiling into build/ (log: build/build.log)"
if ! cmake --build build -j"$(nproc)" >build/build.log 2>&1; then
  tail -n 40 build/build.log
  echo "build: failed" >&2
  exit 1
fi
