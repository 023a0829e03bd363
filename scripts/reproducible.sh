#!/usr/bin/env bash
# Builds voxa.asi, voxa-check.exe and the release zip twice, from copies of this tree in two
# different folders, and compares the results byte for byte: a player can check a release
# against its sums only if the same commit always gives the same files.
#   scripts/reproducible.sh                  two fresh builds
#   scripts/reproducible.sh --against DIR    one fresh build, compared with the build folder
#                                            DIR's files (the test suite uses the build it has
#                                            just made, whose release it has packed)
set -euo pipefail
cd "$(dirname "$0")/.."
against=""
[ "${1:-}" = --against ] && against=$(realpath "$2")
[ -n "$against" ] || bash scripts/deps.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/voxa-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
copies="first second-with-a-longer-name"
[ -n "$against" ] && copies="second-with-a-longer-name"
for copy in $copies; do
  mkdir -p "$work/$copy/src"
  # The tree's files as they are now (committed or not), nothing built.
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard | xargs -0 -I{} cp --parents {} "$work/$copy/src/" 2>/dev/null || true
  else
    tar -c --exclude=./build . | tar -x -C "$work/$copy/src"
  fi
  cmake -S "$work/$copy/src" -B "$work/$copy/out" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DVOXA_TESTS=OFF >/dev/null
  cmake --build "$work/$copy/out" --target voxa voxa-check release -j"$(nproc)" >"$work/$copy/build.log" 2>&1 ||
    { tail -n 30 "$work/$copy/build.log"; exit 1; }
done
first="${against:-$work/first/out}"
second="$work/second-with-a-longer-name/out"
zip=$(cd "$second" && ls voxa-*.zip)
status=0
for file in bin/voxa.asi bin/voxa-check.exe "$zip"; do
  if cmp -s "$first/$file" "$second/$file"; then
    echo "reproducible: $file is byte-identical in both builds ($(sha256sum <"$first/$file" | cut -c1-16)...)"
  else
    echo "reproducible: $file differs between $first and $second" >&2
    cmp -l "$first/$file" "$second/$file" | head -n 5 >&2 || true
    status=1
  fi
done
exit $status
