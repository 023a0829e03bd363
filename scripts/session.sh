# Sourced by the scripts that run Windows programs: makes sure 32-bit programs run here,
# builds everything, and readies the Wine prefix with its server, all undone when the
# calling script ends.
source scripts/i386.sh
trap release_i386 EXIT
ensure_i386
bash scripts/build.sh
source scripts/wine-env.sh
trap 'stop_wine; release_i386' EXIT
