#!/usr/bin/env bash
# Builds everything and runs every test program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/i386.sh
trap release_i386 EXIT
ensure_i386
bash scripts/build.sh
source scripts/wine-env.sh
trap 'stop_wine; release_i386' EXIT
bash scripts/check-dll.sh build/bin/voxa.asi
ctest --test-dir build --output-on-failure -j2
