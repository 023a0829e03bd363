# Sourced by the scripts that run Windows programs: makes sure 32-bit programs run here,
# builds everything (or $VOXA_BUILD_TARGETS), and readies the Wine prefix with its server, all undone when the
# calling script ends.
source scripts/i386.sh
trap release_i386 EXIT
ensure_i386
bash scripts/build.sh ${VOXA_BUILD_TARGETS:-}
source scripts/wine-env.sh
trap 'stop_wine; release_i386' EXIT
