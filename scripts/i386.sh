# Sourced: makes sure this machine can run 32-bit x86 programs, which 32-bit Wine is.
#
# Some kernels refuse every 32-bit program (WSL1, some sandboxes and virtual machines). There
# qemu-user-static, registered in binfmt_misc as the handler of i386 ELF programs, runs them
# under emulation: correct, but each program starts far more slowly. VOXA_EMULATE_I386=1
# takes that road on a machine that would run them natively (a binfmt_misc handler wins over
# the kernel's own loader), so the emulated path can be tried anywhere; a handler registered
# only for that is removed again by release_i386.
#
# ensure_i386 exports VOXA_I386 as "native" or "emulated"; the build reads it to start fewer
# Wine processes where each start is expensive.

VOXA_I386_HANDLER=voxa-i386
VOXA_I386_REGISTERED_HERE=""
BINFMT=/proc/sys/fs/binfmt_misc

# A 96-byte static i386 ELF program that exits with status 42: the smallest honest question
# "does a 32-bit program run here?". Nothing is built for it and nothing is guessed from the
# kernel's version or messages.
i386_probe_runs() {
  local probe
  probe=$(mktemp "${VOXA_PROBE_DIR:-$PWD/build}/i386-probe.XXXXXX") || return 1
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
  printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
  printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
  chmod +x "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 42 ]
}

# An enabled binfmt_misc handler for i386 ELF programs, whatever its name.
i386_handler_present() {
  [ -d "$BINFMT" ] || return 1
  local entry
  for entry in "$BINFMT"/*; do
    [ -f "$entry" ] || continue
    case "$(basename "$entry")" in register | status) continue ;; esac
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -q '^magic 7f454c460101010000000000000000000200030' "$entry" 2>/dev/null && return 0
  done
  return 1
}

i386_fail() {
  echo "i386: $*" >&2
  if [ "${VOXA_EMULATE_I386:-0}" = 1 ]; then
    echo "i386: VOXA_EMULATE_I386=1 asks for 32-bit programs under qemu-user-static." >&2
  else
    echo "i386: this machine's kernel does not run 32-bit x86 programs, and 32-bit Wine is one." >&2
  fi
  echo "i386: to fix it, run the script as root (or with password-less sudo) on a machine with" >&2
  echo "i386: binfmt_misc, so it can register qemu-user-static as the i386 handler, or use a" >&2
  echo "i386: machine whose kernel runs 32-bit programs (IA32 emulation enabled)." >&2
  exit 1
}

i386_register_emulator() {
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo -n true 2>/dev/null || i386_fail "emulating it needs root, and sudo asks for a password"
    sudo="sudo -n"
  fi
  if [ ! -x /usr/bin/qemu-i386-static ]; then
    $sudo apt-get install -y -q --no-install-recommends qemu-user-static >/dev/null 2>&1 ||
      { $sudo apt-get update -q >/dev/null 2>&1 &&
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
          qemu-user-static >/dev/null 2>&1; } ||
      i386_fail "could not install qemu-user-static"
  fi
  if [ ! -e "$BINFMT/register" ]; then
    $sudo mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
      i386_fail "binfmt_misc is not available here (cannot mount it at $BINFMT)"
  fi
  if ! i386_handler_present; then
    # Magic and mask of an i386 ELF executable or shared object; F opens the emulator now, so
    # it also works inside other mount namespaces and chroots.
    printf '%s' ":$VOXA_I386_HANDLER:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:/usr/bin/qemu-i386-static:F" |
      $sudo tee "$BINFMT/register" >/dev/null 2>&1 ||
      i386_fail "could not register qemu-i386-static in binfmt_misc"
    VOXA_I386_REGISTERED_HERE=1
  fi
}

ensure_i386() {
  mkdir -p "${VOXA_PROBE_DIR:-$PWD/build}"
  if [ "${VOXA_EMULATE_I386:-0}" = 1 ]; then
    i386_register_emulator
    echo "i386: VOXA_EMULATE_I386=1: running 32-bit programs under qemu-user-static${VOXA_I386_REGISTERED_HERE:+ (its registration is removed at the end)}"
  elif i386_handler_present; then
    : # Someone registered an emulator before us; programs already run under it.
  elif i386_probe_runs; then
    export VOXA_I386=native
    return 0
  else
    echo "i386: this kernel refuses 32-bit programs; running them under qemu-user-static (slow: see README)"
    i386_register_emulator
    # Needed for every later run on this machine, so it stays registered.
    VOXA_I386_REGISTERED_HERE=""
  fi
  i386_probe_runs || i386_fail "a 32-bit program still does not run under the emulator"
  export VOXA_I386=emulated
}

# Removes the handler that VOXA_EMULATE_I386=1 registered; leaves every other one alone.
release_i386() {
  if [ -n "$VOXA_I386_REGISTERED_HERE" ] && [ -e "$BINFMT/$VOXA_I386_HANDLER" ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo -n"
    echo -1 | $sudo tee "$BINFMT/$VOXA_I386_HANDLER" >/dev/null 2>&1 || true
  fi
  VOXA_I386_REGISTERED_HERE=""
}
