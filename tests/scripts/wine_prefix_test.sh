#!/usr/bin/env bash
# The scripts' judgement of a Wine prefix, on prefixes made of plain files: a prefix is
# ready only whole, the set-up's processes are waited for, the registry trim is checked.
set -uo pipefail
WINE_POLL_SECONDS=0.2
source "$(dirname "$0")/../../scripts/wine-prefix.sh"
work=$(mktemp -d)
# The stand-ins for Wine's processes below, and what they started, go with the test. They write
# nowhere: an output of theirs still open would keep whoever reads this test's output waiting.
fakes=()
fake() { # prefix, seconds or "busy", Windows program, its arguments
  local prefix=$1 how=$2
  shift 2
  if [ "$how" = busy ]; then
    WINEPREFIX="$prefix" bash -c 'end=$((SECONDS + 4)); while [ $SECONDS -lt $end ]; do :; done' "$@" >/dev/null 2>&1 &
  else
    WINEPREFIX="$prefix" bash -c "sleep $how; true" "$@" >/dev/null 2>&1 &
  fi
  fakes+=("$!")
}
finish() {
  local pid
  for pid in "${fakes[@]}"; do
    pkill -P "$pid" 2>/dev/null
    kill "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap finish EXIT
failures=0
check() { # description, then a command that must succeed
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
check_not() { # description, then a command that must fail
  local what=$1
  shift
  if "$@"; then echo "FAILED: $what"; failures=$((failures + 1)); else echo "ok: $what"; fi
}
whole_prefix() {
  local file
  for file in "${WINE_PREFIX_FILES[@]}"; do
    mkdir -p "$(dirname "$1/$file")"
    echo content >"$1/$file"
  done
  wine_prefix_mark_text >"$1/.voxa-ready"
}

# What a killed creation leaves: the registry (the server writes it whenever it stops) and a
# mark, but an empty system32.
killed="$work/killed"
mkdir -p "$killed/drive_c/windows/system32"
echo registry >"$killed/system.reg"
echo registry >"$killed/user.reg"
wine_prefix_mark_text >"$killed/.voxa-ready"
check_not "a prefix without its system32 DLLs is not ready" wine_prefix_ready "$killed"
check "its missing kernel32.dll is named" grep -qx drive_c/windows/system32/kernel32.dll <(wine_prefix_missing_files "$killed")

whole="$work/whole"
whole_prefix "$whole"
check "a whole prefix with the mark is ready" wine_prefix_ready "$whole"
echo "wine-1.0, made by an older script" >"$whole/.voxa-ready"
check_not "a whole prefix made by another Wine or script is not" wine_prefix_ready "$whole"
wine_prefix_mark_text >"$whole/.voxa-ready"
: >"$whole/drive_c/windows/system32/msvcrt.dll"
check_not "a prefix with a DLL cut to nothing is not" wine_prefix_ready "$whole"

# The set-up's processes, as the host sees them: WINEPREFIX in their environment and the
# Windows program in their command line.
setup="$work/setup"
fake "$setup" 3 'C:\windows\system32\rundll32.exe' setupapi,InstallHinfSection
fake "$work/other" 30 'C:\windows\system32\wineboot.exe' --init
sleep 0.5
check "a set-up process of the prefix is found" grep -q 'rundll32\.exe' <(wine_prefix_processes "$setup" "$WINE_SETUP_PROCESSES")
start=$SECONDS
check "the wait ends once it has ended (another prefix's set-up does not count)" wine_prefix_wait_for "$setup" "$WINE_SETUP_PROCESSES" 60
check "and not before" test $((SECONDS - start)) -ge 2
said=$(wine_prefix_wait_for "$work/other" "$WINE_SETUP_PROCESSES" 1 2>&1)
check "a wait that runs out fails" test $? -ne 0
check "and names what was still running" grep -q "wineboot.exe --init" <<<"$said"

# A set-up that stops working is given up on once its processes use no processor time; one
# that works is waited for.
fake "$work/stuck" 60 'C:\windows\system32\rundll32.exe'
sleep 0.5
start=$SECONDS
said=$(wine_prefix_wait_for "$work/stuck" "$WINE_SETUP_PROCESSES" 60 2 2>&1)
check "an idle set-up is given up on" test $? -ne 0
check "soon" test $((SECONDS - start)) -lt 10
check "and said to be stuck" grep -q "the set-up is stuck" <<<"$said"
fake "$work/busy" busy 'C:\windows\system32\rundll32.exe'
sleep 0.5
check "a busy one is waited for to its end, twice as long as an idle one is" wine_prefix_wait_for "$work/busy" "$WINE_SETUP_PROCESSES" 60 2

# The server writes the registry as it stops: stopping it waits for its process to end.
stopping="$work/stopping"
mkdir -p "$stopping"
fake "$stopping" 3 /usr/lib/wine/wineserver32 -p0
sleep 0.5
start=$SECONDS
WINEPREFIX="$stopping" wine_stop_server
check "stopping the server waits for it to end" test $((SECONDS - start)) -ge 2

# The registry trim, on the entries as this Wine writes them, and on one it does not have.
reg="$work/reg"
mkdir -p "$reg"
cat >"$reg/system.reg" <<'REG'
[System\\CurrentControlSet\\Services\\Eventlog] 1733750000
"Start"=dword:00000002
"Type"=dword:00000010

[System\\CurrentControlSet\\Services\\MountMgr] 1733750000
"Start"=dword:00000002

[System\\CurrentControlSet\\Services\\NDIS] 1733750000
"Start"=dword:00000001

[System\\CurrentControlSet\\Services\\nsiproxy] 1733750000
"Start"=dword:00000003

[System\\CurrentControlSet\\Services\\Spooler] 1733750000
"Start"=dword:00000002

[Software\\Microsoft\\Windows\\CurrentVersion\\RunServices] 1733750000
"winemenubuilder"="C:\\windows\\system32\\winemenubuilder.exe -a -r"
REG
said=$(wine_prefix_trim "$reg")
check "the boot-started services are turned off" test "$(grep -c '^"Start"=dword:00000004' "$reg/system.reg")" -eq 3
check "a service started on demand stays so" grep -qx '"Start"=dword:00000003' "$reg/system.reg"
check "an unlisted service is left alone" grep -qx '"Start"=dword:00000002' "$reg/system.reg"
check_not "the desktop menu builder is gone" grep -q winemenubuilder "$reg/system.reg"
check "a service not found is said" grep -q "has no service PlugPlay" <<<"$said"
check "and only that one" test "$(grep -c . <<<"$said")" -eq 1
cp "$reg/system.reg" "$reg/kept"
sed -i 's/^"Start"=dword:00000004/"Start" = dword:00000002/' "$reg/system.reg"
said=$(wine_prefix_trim "$reg")
check "an entry the edit cannot match is said" grep -q "could not turn off the service Eventlog" <<<"$said"

# A making that fails is tried once more, then the run stops.
tries=0
wine_prefix_make() { tries=$((tries + 1)); return 1; }
WINEPREFIX="$killed" wine_prefix_ensure >"$work/said" 2>&1
check "a prefix that cannot be made fails the run" test $? -ne 0
check "after two tries" test "$tries" -eq 2
check "and says so" grep -q "could not make a working prefix" "$work/said"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
