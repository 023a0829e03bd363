#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, saying what it does:
# the MinGW-w64 cross compiler for 32-bit Windows, CMake, GoogleTest's sources, 32-bit Wine
# (which needs the i386 architecture), zip, and clang with its fuzzing runtime.
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v cmake >/dev/null || need+=(cmake)
command -v make >/dev/null || need+=(make)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v wine >/dev/null || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
# The release zip, and the native fuzzing of the checker's reading (clang's libFuzzer).
command -v zip >/dev/null || need+=(zip)
command -v clang++ >/dev/null || need+=(clang)
compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null || need+=(libclang-rt-dev)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "deps: adding the i386 architecture (for 32-bit Wine)"
  $SUDO dpkg --add-architecture i386
fi
echo "deps: installing ${need[*]}"
# A mirror caught mid-sync fails one index now and then; a second try usually gets it, and
# an index that still fails leaves the older lists, which the install can use.
for try in 1 2 3; do
  $SUDO apt-get update -q && break
  echo "deps: apt-get update failed (try $try of 3)"
  sleep 5
done
install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@" "${need[@]}"
}
# Without one architecture's update index (seen: the i386 security index cut short on a
# mirror), 32-bit Wine's libraries cannot match the 64-bit ones' newer versions. The
# release's own versions exist for both architectures.
if ! install; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || exit 1
  echo "deps: the install failed; trying again with $codename's own versions only"
  install -t "$codename"
fi
