#!/usr/bin/env bash
# Builds everything and runs every test program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/wine-env.sh
trap stop_wine EXIT
bash scripts/check-dll.sh build/bin/voxa.asi
ctest --test-dir build --output-on-failure -j2
