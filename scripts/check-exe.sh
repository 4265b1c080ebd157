#!/usr/bin/env bash
# Checks that a built program has the expected machine and imports only Windows' own DLLs; with
# --legacy, also that Windows treats it as the legacy program a CMI system is (docs/HACKING.md).
#   scripts/check-exe.sh <exe> <i386|x86-64> [--legacy]
set -euo pipefail
exe=$1 machine=$2 legacy=${3:-}
case "$machine" in
    i386 | x86-64) ;;
    *) echo "check-exe: unknown machine '$machine' (i386 or x86-64)" >&2; exit 2 ;;
esac
dump=$(x86_64-w64-mingw32-objdump -p "$exe")
case "$machine" in
    i386) grep -q "^Magic.*010b" <<<"$dump" || { echo "$exe: not a 32-bit PE" >&2; exit 1; } ;;
    x86-64) grep -q "^Magic.*020b" <<<"$dump" || { echo "$exe: not a 64-bit PE" >&2; exit 1; } ;;
esac
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|msvcrt|SHELL32)\.dll$'
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
bad=$(grep -viE "$allowed" <<<"$dlls" || true)
if [ -n "$bad" ]; then
    echo "$exe imports DLLs beyond Windows' own: $bad" >&2
    exit 1
fi
echo "$exe: imports $(tr '\n' ' ' <<<"$dlls")"

[ "$legacy" = --legacy ] || exit 0
# An execution level in the manifest, even asInvoker, switches UAC's file virtualization off.
if grep -aq '<requestedExecutionLevel' "$exe"; then
    echo "$exe: its manifest requests an execution level" >&2
    exit 1
fi
# A Terminal-Server-aware program sees the system's Windows directory on a Remote Desktop host.
chars=$(sed -n 's/^DllCharacteristics\s*//p' <<<"$dump")
if (( 0x$chars & 0x8000 )); then
    echo "$exe: marked Terminal-Server-aware (DllCharacteristics $chars)" >&2
    exit 1
fi
# Without an execution level, Windows takes a program named so for an installer and elevates it.
fields=$(x86_64-w64-mingw32-strings -el "$exe" |
    grep -A1 -xE 'CompanyName|FileDescription|InternalName|OriginalFilename|ProductName' |
    grep -vxE -- '--|CompanyName|FileDescription|InternalName|OriginalFilename|ProductName')
if grep -qiE 'install|setup|update|patch' <<<"$(basename "$exe")"$'\n'"$fields"; then
    echo "$exe: its name or version fields look like an installer's: $(tr '\n' ' ' <<<"$fields")" >&2
    exit 1
fi
echo "$exe: no execution level, not Terminal-Server-aware, no installer's name"
