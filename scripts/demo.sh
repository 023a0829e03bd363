#!/usr/bin/env bash
# Builds the plug-in and shows it at work in the simulated host.
set -euo pipefail
cd "$(dirname "$0")/.."
VOXA_BUILD_TARGETS="voxa voxa-demo"
source scripts/session.sh
wine build/bin/voxa-demo.exe
