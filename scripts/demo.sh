#!/usr/bin/env bash
# Builds the plug-in and shows it at work in the simulated host.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/i386.sh
trap release_i386 EXIT
ensure_i386
bash scripts/build.sh
source scripts/wine-env.sh
trap 'stop_wine; release_i386' EXIT
wine build/bin/voxa-demo.exe "$@"
