#!/usr/bin/env bash
# Builds the administrators' MSI from tarnskov.wxs, mends what wixl cannot write, and prints the
# SHA-256 of the package and its files; CMake's msi target and the package test run it.
#   packaging/build-msi.sh <out.msi> <product version> <tarnskov.exe> <lessoncheck.exe> \
#       <tarnskov-powerpoint.exe>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(dirname "$here")
out=$1 version=$2 exe=$3 check=$4 bridge=$5
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

# wixl finds sources only beside the .wxs, so the package's files are staged with it. The files
# it installs, as the ZIP's install() rules list them too.
shipped=(tarnskov.exe lessoncheck.exe tarnskov-powerpoint.exe ADMINISTRATORS.txt CHANGELOG.md LICENSE)
stage=$out.stage
rm -rf "$stage" && mkdir -p "$stage"
cp "$here/tarnskov.wxs" "$src/docs/ADMINISTRATORS.txt" "$src/CHANGELOG.md" "$src/LICENSE" \
   "$src/src/res/tarnskov.ico" "$stage/"
cp "$exe" "$stage/tarnskov.exe"
cp "$check" "$stage/lessoncheck.exe"
cp "$bridge" "$stage/tarnskov-powerpoint.exe"

# The bridge's class, its Active Setup entry and its per-user command, as its contract spells them.
contract() {
    sed -n "s/^const char $1\[\] = \"\(.*\)\";\$/\1/p" "$src/src/viewer/powerpoint_contract.h"
}

rm -f "$out"
wixl -a x86 -D "Version=$version" -D "BridgeClsid=$(contract kBridgeClsidText)" \
    -D "ActiveSetupComponent=$(contract kActiveSetupComponent)" \
    -D "UserSetupOption=$(contract kBridgeUserSetupOption)" -o "$out" "$stage/tarnskov.wxs"
# wixl leaves the programs unversioned; Windows Installer's file rules need their versions,
# and a versioned file carries no hash.
for program in "tarnskov.exe|$file_version" "tarnskov_powerpoint.exe|$(pe_file_version "$bridge")"; do
    msibuild "$out" -q "UPDATE \`File\` SET \`Version\` = '${program#*|}'
                        WHERE \`File\` = '${program%%|*}'"
    msibuild "$out" -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '${program%%|*}'"
done

# A column of the row whose first column is the key, in one of the package's tables.
cell() {
    msiinfo export "$out" "$1" | tr -d '\r' | awk -F'\t' -v k="$2" -v c="$3" '$1 == k { print $c }'
}
sql() { msibuild "$out" -q "$1"; }

# wixl has no AllowSameVersionUpgrades: the upgrade's range ends at this version, excluded, and a
# rebuild of it would install beside it. The row is written again (libmsi updates no key column)
# with MigrateFeatures (1), as wixl wrote it, and VersionMaxInclusive (0x200); the downgrade's
# range still begins past this version.
sql "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
sql "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
     VALUES ('$(cell Property UpgradeCode 2)', '$version', 513, 'WIX_UPGRADE_DETECTED')"

# wixl schedules the removal of the old version right after InstallValidate, or after
# InstallFinalize once a third custom action is in the sequence: there the old version's removal
# would keep the files its components share with the new one, in the old folder too. It goes
# right after InstallValidate, as tarnskov.wxs says, before the new files go down.
sql "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1401
     WHERE \`Action\` = 'RemoveExistingProducts'"

# Nor has it ComponentSearch: AppSearch asks Windows Installer where the launcher's component is
# installed, by the GUID every version shares, and with no Signature row a key path that is a file
# (Type 1) gives its folder. tarnskov.wxs's KeepFolder moves INSTALLDIR there.
sql "CREATE TABLE \`CompLocator\` (\`Signature_\` CHAR(72) NOT NULL,
     \`ComponentId\` CHAR(38) NOT NULL, \`Type\` SHORT PRIMARY KEY \`Signature_\`)"
sql "INSERT INTO \`CompLocator\` (\`Signature_\`, \`ComponentId\`, \`Type\`)
     VALUES ('LauncherFolder', '$(cell Component Launcher 2)', 1)"
sql "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`)
     VALUES ('INSTALLEDFOLDER', 'LauncherFolder')"
# The bridge goes in where the viewer's ProgID names no other class: VIEWERCLSID is its CLSID value
# in HKLM's 32-bit view (Type 2, the raw value, without the 64-bit bit), where this package
# writes; an HKCR search would find nothing under Wine, whose AppSearch applies the view to HKLM
# alone (wixl makes the RegLocator table, empty). Both components install where it is absent or the bridge's own (an upgrade or a repair),
# unless POWERPOINTBRIDGE is 0. They are transitive (0x40), so that a repair decides again. At a
# removal the bridge's own program, class and Active Setup entry always go, whatever the search
# finds then; the ProgID goes only while it names the bridge, so that a viewer registered since is
# left alone. wixl writes neither conditions nor the bit.
sql "INSERT INTO \`RegLocator\` (\`Signature_\`, \`Root\`, \`Key\`, \`Type\`)
     VALUES ('ViewerClass', 2, 'SOFTWARE\\Classes\\PowerPointViewer.Application.8\\CLSID', 2)"
sql "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('VIEWERCLSID', 'ViewerClass')"
ours="(NOT VIEWERCLSID OR VIEWERCLSID~=\"$(contract kBridgeClsidText)\")"
for component in "Bridge|REMOVE=\"ALL\" OR (POWERPOINTBRIDGE<>\"0\" AND $ours)" \
                 "BridgeProgId|(POWERPOINTBRIDGE<>\"0\" OR REMOVE=\"ALL\") AND $ours"; do
    attributes=$(($(cell Component "${component%%|*}" 4) | 64))
    sql "UPDATE \`Component\` SET \`Condition\` = '${component#*|}', \`Attributes\` = $attributes
         WHERE \`Component\` = '${component%%|*}'"
done
for sequence in InstallExecuteSequence InstallUISequence; do
    sql "INSERT INTO \`$sequence\` (\`Action\`, \`Sequence\`) VALUES ('AppSearch', 50)"
done

# For inventories and antivirus exclusions: the flat hashes, as sha256sum -c reads them. The
# package's line goes into the SHA256SUMS beside it, which the ZIP's line shares while its ZIP is
# there (packaging/sha256.cmake).
echo "build-msi: $out (TARNSKOV $version, tarnskov.exe $file_version); SHA-256:"
(cd "$stage" && sha256sum "${shipped[@]}")
rm -rf "$stage"
cd "$(dirname "$out")"
name=$(basename "$out")
line=$(sha256sum "$name")
echo "$line"
{
    [ ! -f SHA256SUMS ] || while read -r hash listed; do
        [ "$listed" = "$name" ] || [ ! -f "$listed" ] || echo "$hash  $listed"
    done <SHA256SUMS
    echo "$line"
} >SHA256SUMS.new
mv SHA256SUMS.new SHA256SUMS
