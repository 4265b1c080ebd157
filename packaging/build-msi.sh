#!/usr/bin/env bash
# Builds the administrators' MSI from tarnskov.wxs; CMake's msi target and the package test run it.
#   packaging/build-msi.sh <out.msi> <product version> <tarnskov.exe>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(dirname "$here")
out=$1 version=$2 exe=$3
command -v wixl >/dev/null && command -v msibuild >/dev/null ||
    { echo "build-msi: wixl and msibuild are missing: run scripts/setup.sh" >&2; exit 1; }

# The file version in the program's version block (VS_FIXEDFILEINFO: signature
# 0xFEEF04BD, struct version, then the file version's high and low words).
pe_file_version() {
    local at ms ls
    at=$(LC_ALL=C grep -m 1 -obUaP '\xBD\x04\xEF\xFE' "$1" | cut -d: -f1)
    [ -n "$at" ] || { echo "build-msi: $1 has no version block" >&2; return 1; }
    read -r ms ls < <(od -An -t u4 -j $((at + 8)) -N 8 "$1")
    echo "$((ms >> 16)).$((ms & 0xFFFF)).$((ls >> 16)).$((ls & 0xFFFF))"
}
file_version=$(pe_file_version "$exe")

# wixl finds sources only beside the .wxs, so the package's files are staged with it.
stage=$out.stage
rm -rf "$stage" && mkdir -p "$stage"
cp "$here/tarnskov.wxs" "$exe" "$src/docs/ADMINISTRATORS.txt" "$src/LICENSE" \
   "$src/src/res/tarnskov.ico" "$stage/"
[ "$(basename "$exe")" = tarnskov.exe ] || mv "$stage/$(basename "$exe")" "$stage/tarnskov.exe"

rm -f "$out"
wixl -a x86 -D "Version=$version" -o "$out" "$stage/tarnskov.wxs"
# wixl leaves the program unversioned; Windows Installer's file rules need its version,
# and a versioned file carries no hash.
msibuild "$out" -q \
    "UPDATE \`File\` SET \`Version\` = '$file_version' WHERE \`File\` = 'tarnskov.exe'"
msibuild "$out" -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = 'tarnskov.exe'"
rm -rf "$stage"
echo "build-msi: $out (TARNSKOV $version, tarnskov.exe $file_version)"
