#!/usr/bin/env bash
# Packs the release zip: its top level is what goes into the game folder, beside the game's
# executable. The same inputs give the same zip byte for byte: fixed file times, modes and
# order, so that its sum can be checked by building it again.
#   pack-release.sh SOURCE_DIR STAGE_DIR ZIP VERSION voxa.asi voxa-check.exe
set -euo pipefail
src=$1 stage=$2 zip=$3 version=$4 asi=$5 checker=$6
rm -rf "$stage" "$zip"
mkdir -p "$stage/VOXA" "$stage/voxa-translators/templates"

# Players open these with Notepad: Windows line ends, the version filled in.
text() { sed -e "s/@VERSION@/$version/g" -e 's/\r*$/\r/' "$1" >"$2"; }

cp "$asi" "$stage/voxa.asi"
text "$src/packaging/voxa-readme.txt" "$stage/voxa-readme.txt"
text "$src/packaging/VOXA-readme.txt" "$stage/VOXA/README.txt"
cp "$checker" "$stage/voxa-translators/voxa-check.exe"
text "$src/docs/translators.md" "$stage/voxa-translators/translators-guide.txt"
cp -r "$src/examples/VOXA/." "$stage/voxa-translators/templates/"
text "$src/packaging/templates-readme.txt" "$stage/voxa-translators/templates/README.txt"

cd "$stage"
find . -type d -exec chmod 755 {} +
find . -type f -exec chmod 644 {} +
find . -type f | sed 's|^\./||' | LC_ALL=C sort >"$stage.files"
# Forward slashes: sha256sum -c reads them, and certutil users look up a line by name.
xargs -d '\n' sha256sum <"$stage.files" >SHA256SUMS
echo SHA256SUMS >>"$stage.files"
LC_ALL=C sort -o "$stage.files" "$stage.files"
chmod 644 SHA256SUMS
find . -exec touch -h -d "2000-01-01 00:00:00 UTC" {} +
# -X leaves out the extra fields that hold access times and owners; times are DOS times.
TZ=UTC zip -q -X -D "$zip" -@ <"$stage.files"
rm -f "$stage.files"
echo "release: $zip"
