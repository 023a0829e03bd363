#!/usr/bin/env bash
# Builds everything and prints the start-up and per-frame measurements.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/wine-env.sh
trap stop_wine EXIT
wine build/bin/voxa-bench.exe
