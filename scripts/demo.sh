#!/usr/bin/env bash
# Builds the plug-in and shows it at work in the simulated host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/wine-env.sh
trap stop_wine EXIT
wine build/bin/voxa-demo.exe "$@"
