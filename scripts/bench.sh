#!/usr/bin/env bash
# Builds everything and prints the start-up and per-frame measurements.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/session.sh
wine build/bin/voxa-bench.exe "$@"
