# Sourced: a Wine prefix of the build's own, made once and checked at every run, with one
# persistent wineserver for the run, booted before any test, that the caller stops with
# stop_wine.
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$PWD/build/wineprefix}"
# No Mono or Gecko installers: nothing the tests need.
export WINEDLLOVERRIDES="mscoree,mshtml="
source "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"

# The prefix is kept between runs (it costs seconds natively, 10 to 20 minutes under an
# emulator); one that is not whole, however that came about, is made again.
wine_prefix_ensure
wineserver -p >/dev/null 2>&1 </dev/null &
wine_boot
stop_wine() { wine_stop_server >/dev/null 2>&1 || true; }
