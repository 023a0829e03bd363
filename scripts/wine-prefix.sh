# Sourced: making and checking the Wine prefix the tests run in ($WINEPREFIX).
#
# Under an emulator Wine's set-up of a new prefix takes longer than Wine itself waits for it:
# `wineboot --init` gives up after 5 minutes (status 53, "boot event wait timed out") while
# a second wineboot.exe and then rundll32.exe (which fills system32 from wine.inf) go on. So
# the set-up is waited for by watching those processes, and a prefix counts as ready only
# once it has proved itself: its files are there and a Windows program has run in it.

# What a prefix must hold for the tests: the registry, and in system32 the DLLs the test
# programs and the plug-in import, with what those load in turn.
WINE_PREFIX_FILES=(system.reg user.reg
  drive_c/windows/system32/{ntdll,kernelbase,kernel32,msvcrt,shlwapi,version,user32,gdi32,advapi32}.dll
  drive_c/windows/system32/cmd.exe)

# The mark's text: which Wine made the prefix, and how it was made. A prefix made another way
# (by an older script, or another Wine) is made again.
wine_prefix_mark_text() {
  echo "$(wine --version 2>/dev/null || echo unknown), set-up waited for, services trimmed, a program ran"
}

# Prints each file the prefix $1 lacks, a line each; nothing when it has them all.
wine_prefix_missing_files() {
  local file
  for file in "${WINE_PREFIX_FILES[@]}"; do
    [ -s "$1/$file" ] || echo "$file"
  done
}

# True when the prefix $1 was made whole by this Wine and still has every file it needs.
wine_prefix_ready() {
  [ -f "$1/.voxa-ready" ] && [ "$(cat "$1/.voxa-ready")" = "$(wine_prefix_mark_text)" ] &&
    [ -z "$(wine_prefix_missing_files "$1")" ]
}

# Prints "pid command line" for each process of the prefix $1 whose command line matches the
# extended regular expression $2 (case ignored). A process belongs to a prefix by its
# WINEPREFIX, which Wine passes on to every process it starts.
wine_prefix_processes() {
  local environ pid cmdline
  for environ in $(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    cmdline=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline") || continue
    grep -qiE -- "$2" <<<"$cmdline" && echo "$pid $cmdline"
  done
  return 0
}

# The processor time (in clock ticks) used so far by the processes of the prefix $1 that are
# running now.
wine_prefix_cpu_ticks() {
  local environ pid fields total=0
  for environ in $(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    # The fields after the command's name, which may hold blanks: utime and stime are the
    # 12th and 13th of them.
    fields=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
    read -r -a fields <<<"${fields##*) }"
    total=$((total + fields[11] + fields[12]))
  done
  echo "$total"
}

# Waits until no process of the prefix $1 matches $2, checking every few seconds, for at most
# $3 seconds; with $4, it also gives up once the prefix's processes have used no processor
# time for $4 seconds (under the emulator Wine's set-up was seen to stop, every process idle,
# with its rundll32 still there). Either way it says what was still running and fails.
wine_prefix_wait_for() {
  local deadline=$((SECONDS + $3)) idle_limit=${4:-0} running ticks last=-1 since=$SECONDS
  while running=$(wine_prefix_processes "$1" "$2") && [ -n "$running" ]; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "wine: after $3 s these are still running in $1:" >&2
      sed 's/^/wine:   /' <<<"$running" >&2
      return 1
    fi
    if [ "$idle_limit" -gt 0 ]; then
      ticks=$(wine_prefix_cpu_ticks "$1")
      if [ "$ticks" != "$last" ]; then
        last=$ticks
        since=$SECONDS
      elif [ $((SECONDS - since)) -ge "$idle_limit" ]; then
        echo "wine: Wine's processes in $1 have done nothing for $idle_limit s; the set-up is stuck. Still running:" >&2
        sed 's/^/wine:   /' <<<"$running" >&2
        return 1
      fi
    fi
    sleep "$WINE_POLL_SECONDS"
  done
}

# How often a wait looks again. Under an emulator each look costs little next to a Wine
# process; the tests of these scripts look more often, to wait only seconds.
WINE_POLL_SECONDS=${WINE_POLL_SECONDS:-3}
WINE_SETUP_PROCESSES='wineboot\.exe|rundll32\.exe'
# The longest creation measured under an emulator was 18 minutes, with other work running.
WINE_SETUP_LIMIT=${WINE_SETUP_LIMIT:-2400}
# A set-up at work uses the processor all the time, even under the emulator.
WINE_IDLE_LIMIT=${WINE_IDLE_LIMIT:-360}

# The first Wine process of a server boots the prefix (its services, run-once entries), and
# waits for that at most 2 minutes before going on. Booting first, and waiting for the boot to
# end, keeps every test out of that race: a slow boot costs time, never a test.
wine_boot() {
  wineboot >/dev/null 2>&1 </dev/null || true
  wine_prefix_wait_for "$WINEPREFIX" 'wineboot\.exe' "$WINE_SETUP_LIMIT" "$WINE_IDLE_LIMIT" ||
    echo "wine: the prefix's boot has not ended; the tests start anyway" >&2
}

# Wine's services that no test uses (the event log, the drive manager, the network drivers,
# plug and play), and the desktop menu builder: each is a Wine process at every boot, a minute
# or more under an emulator, and one killed while it starts complains.
WINE_TRIMMED_SERVICES=(Eventlog MountMgr NDIS nsiproxy PlugPlay)

# Edits the registry of the stopped prefix $1, then checks that each edit took effect (a
# newer Wine may write these entries another way) and says which did not. Services that
# start on demand are left alone: a test that needs one still gets it.
wine_prefix_trim() {
  local reg="$1/system.reg" service start
  sed -i -e '/^\[System\\\\CurrentControlSet\\\\Services\\\\\(Eventlog\|MountMgr\|NDIS\|nsiproxy\|PlugPlay\)\]/,/^$/ s/^"Start"=dword:0000000[0-2]/"Start"=dword:00000004/' \
    -e '/^"winemenubuilder"=/d' "$reg"
  for service in "${WINE_TRIMMED_SERVICES[@]}"; do
    start=$(SERVICE="$service" awk '
      index($0, "[System\\\\CurrentControlSet\\\\Services\\\\" ENVIRON["SERVICE"] "]") == 1 { inside = 1; next }
      inside && /^$/ { exit }
      inside && /^"Start" *= *dword:/ { print substr($0, length($0)) }' "$reg")
    case "$start" in
      3 | 4) ;;
      "") echo "wine: this Wine has no service $service (nothing to turn off)" ;;
      *) echo "wine: could not turn off the service $service in $reg; it starts at every boot (slower, not wrong)" ;;
    esac
  done
  if grep -q '^"winemenubuilder"=' "$reg"; then
    echo "wine: could not remove the desktop menu builder from $reg; it starts at every boot (slower, not wrong)"
  fi
}

# Stops the prefix's server and waits for it to end. It writes the registry as it stops
# (seconds under an emulator, and the services stand at the end of system.reg): nothing may
# read or edit the file before it has.
wine_stop_server() {
  wineserver -k >/dev/null 2>&1 || true
  wine_prefix_wait_for "$WINEPREFIX" 'wineserver' 600
}

# One attempt at making the prefix: Wine's set-up, waited for to its end; the trim; the
# files; a program run. Says what failed and fails.
wine_prefix_make() {
  wine_stop_server || return 1
  rm -rf "$WINEPREFIX"
  local status=0
  wineboot --init >/dev/null 2>&1 </dev/null || status=$?
  # 53: Wine stopped waiting for the set-up, which goes on by itself.
  [ "$status" -eq 0 ] || echo "wine: wineboot --init ended with status $status; waiting for the set-up it started"
  wine_prefix_wait_for "$WINEPREFIX" "$WINE_SETUP_PROCESSES" "$WINE_SETUP_LIMIT" "$WINE_IDLE_LIMIT" || return 1
  # Stopping the server saves the registry now. (Waiting for it to stop by itself can take
  # forever under an emulator, where Wine's desktop process stays.)
  wine_stop_server || return 1
  local missing
  missing=$(wine_prefix_missing_files "$WINEPREFIX")
  if [ -n "$missing" ]; then
    echo "wine: the new prefix lacks $(echo $missing)" >&2
    return 1
  fi
  wine_prefix_trim "$WINEPREFIX"
  local said
  said=$(wine cmd /c echo voxa-prefix-runs </dev/null 2>/dev/null | tr -d '\r') || true
  if [ "$said" != voxa-prefix-runs ]; then
    echo "wine: a program does not run in the new prefix (it printed \"$said\")" >&2
    return 1
  fi
  wine_prefix_wait_for "$WINEPREFIX" "$WINE_SETUP_PROCESSES" "$WINE_SETUP_LIMIT" "$WINE_IDLE_LIMIT" || return 1
  wine_stop_server || return 1
  wine_prefix_mark_text >"$WINEPREFIX/.voxa-ready"
}

# Makes the prefix unless it is ready; a failed making is tried once more.
wine_prefix_ensure() {
  wine_prefix_ready "$WINEPREFIX" && return 0
  if [ -f "$WINEPREFIX/.voxa-ready" ]; then
    echo "wine: the prefix $WINEPREFIX is not whole (or was made by another Wine); making it again"
  elif [ -d "$WINEPREFIX" ]; then
    echo "wine: the prefix $WINEPREFIX was left unfinished (its making was stopped); making it again"
  fi
  if [ "${VOXA_I386:-native}" = emulated ]; then
    echo "wine: creating the prefix $WINEPREFIX under the emulator (once, 10 to 20 minutes)"
  else
    echo "wine: creating the prefix $WINEPREFIX (once, about 10 s)"
  fi
  wine_prefix_make && return 0
  echo "wine: making the prefix failed; trying once more"
  wine_prefix_make && return 0
  echo "wine: could not make a working prefix in $WINEPREFIX (twice); see the lines above" >&2
  return 1
}
