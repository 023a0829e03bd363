# Sourced: a Wine prefix of the build's own, initialised once, with one persistent
# wineserver for the run that the caller stops with stop_wine.
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$PWD/build/wineprefix}"
# No Mono or Gecko installers: nothing the tests need.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The prefix is kept between runs (it costs seconds natively, about ten minutes under an
# emulator). It is valid once its creation has finished, for the Wine that made it; an
# interrupted creation or another Wine version makes it again.
wine_ready_mark="$WINEPREFIX/.voxa-ready"
wine_version="$(wine --version 2>/dev/null || echo unknown), services and menu builder trimmed"
if [ ! -f "$wine_ready_mark" ] || [ "$(cat "$wine_ready_mark")" != "$wine_version" ]; then
  if [ "${VOXA_I386:-native}" = emulated ]; then
    echo "wine: creating the prefix $WINEPREFIX under the emulator (once, about 10 minutes)"
  else
    echo "wine: creating the prefix $WINEPREFIX (once, about 10 s)"
  fi
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  # wineboot can give up waiting for Wine's services on a slow machine and still leave a
  # usable prefix; what counts is that the prefix then holds its registry.
  wineboot --init >/dev/null 2>&1 </dev/null || true
  # Stopping the server saves the registry now. (Waiting for it to stop by itself can take
  # forever under an emulator, where Wine's desktop process stays.)
  wineserver -k >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: could not create the prefix $WINEPREFIX" >&2
    exit 1
  fi
  # The first Wine process of every run boots the prefix and starts its services first: the
  # event log, the network drivers, the drive manager and plug and play, and the desktop menu
  # builder, a Wine process each (a minute or more each under an emulator, and one killed
  # while it starts complains). The tests use none of them.
  sed -i -e '/^\[System\\\\CurrentControlSet\\\\Services\\\\\(Eventlog\|MountMgr\|NDIS\|nsiproxy\|PlugPlay\)\]/,/^$/ s/^"Start"=dword:00000002/"Start"=dword:00000004/' \
    -e '/^"winemenubuilder"=/d' "$WINEPREFIX/system.reg"
  echo "$wine_version" >"$wine_ready_mark"
fi
wineserver -p >/dev/null 2>&1 </dev/null &
# Start Wine's own services now, with no pipe of ours: a service started by the first test
# would hold the test runner's output open after the test ends. Under an emulator this boot
# is minutes of its own; there the first test boots Wine instead, in parallel with the other
# tests' start, and every test's output goes through a file (wine-run.sh).
if [ "${VOXA_I386:-native}" != emulated ]; then
  wineboot >/dev/null 2>&1 </dev/null
fi
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
