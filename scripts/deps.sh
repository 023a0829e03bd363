#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, saying what it does:
# the MinGW-w64 cross compiler for 32-bit Windows, CMake, GoogleTest's sources, and 32-bit
# Wine (which needs the i386 architecture).
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v cmake >/dev/null || need+=(cmake)
command -v make >/dev/null || need+=(make)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
command -v wine >/dev/null || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)

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
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
