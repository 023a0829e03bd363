# Sourced: a Wine prefix of the build's own, initialised once, with one persistent
# wineserver for the run that the caller stops with stop_wine.
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$PWD/build/wineprefix}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating the prefix $WINEPREFIX (once, about 10 s)"
  wineboot --init >/dev/null 2>&1
fi
wineserver -p >/dev/null 2>&1 </dev/null &
# Start Wine's own services now, with no pipe of ours: a service started by the first test
# would hold the test runner's output open after the test ends.
wineboot >/dev/null 2>&1 </dev/null
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
