#!/usr/bin/env bash
# Unpacks the release zip into an empty folder, as a player unpacks it into the game folder,
# and checks that what the game and the player need is at the top, and that the sums match.
#   release_test.sh BUILD_DIR
set -euo pipefail
zips=("$1"/voxa-*.zip)
[ -f "${zips[0]}" ] || { echo "release: no voxa-<version>.zip in $1" >&2; exit 1; }
game=$(mktemp -d "${TMPDIR:-/tmp}/voxa-release.XXXXXX")
trap 'rm -rf "$game"' EXIT
cd "$game"
cmake -E tar xf "${zips[0]}"
status=0
fail() { echo "release: $*" >&2; status=1; }
for file in voxa.asi voxa-readme.txt SHA256SUMS VOXA/README.txt voxa-translators/voxa-check.exe \
  voxa-translators/translators-guide.txt voxa-translators/templates/README.txt \
  voxa-translators/templates/Polski/lang.ini; do
  [ -s "$file" ] || fail "$file is not in the zip"
done
[ -d VOXA ] || fail "no VOXA folder at the top"
# Nothing but what goes beside the game's executable: no folder wrapping it all.
top=$(ls | LC_ALL=C sort | tr '\n' ' ')
[ "$top" = "SHA256SUMS VOXA voxa-readme.txt voxa-translators voxa.asi " ] || fail "the top level holds: $top"
# The folder for languages holds no language: a player's game starts with none.
[ -z "$(find VOXA -mindepth 1 -type d)" ] || fail "VOXA holds folders"
# Every file but the sums themselves has a line, and every line matches.
listed=$(wc -l <SHA256SUMS)
present=$(find . -type f ! -name SHA256SUMS | wc -l)
[ "$listed" = "$present" ] || fail "SHA256SUMS lists $listed files of $present"
sha256sum --quiet -c SHA256SUMS || fail "a sum does not match"
# Players read these in Notepad: plain text with Windows line ends, the version filled in.
for text in voxa-readme.txt VOXA/README.txt voxa-translators/templates/README.txt; do
  [ "$(grep -c $'\r$' "$text")" = "$(wc -l <"$text")" ] || fail "$text has lines without CR LF"
  grep -q '@VERSION@' "$text" && fail "$text holds @VERSION@"
done
grep -qi 'choose one of the five built-in languages' voxa-readme.txt || fail "the readme's uninstall misses the built-in language"
grep -qi 'no voxa.log at all' voxa-readme.txt || fail "the readme does not say what a missing voxa.log means"
[ "$status" = 0 ] && echo "release: ${zips[0]##*/} unpacks into a game folder whole; its sums match"
exit $status
