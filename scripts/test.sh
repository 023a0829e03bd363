#!/usr/bin/env bash
# Builds everything and runs every test program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/session.sh
bash scripts/check-dll.sh build/bin/voxa.asi
ctest --test-dir build --output-on-failure -j2
