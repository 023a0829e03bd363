#!/usr/bin/env bash
# Configures and builds the plug-in and its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build -j"$(nproc)"
