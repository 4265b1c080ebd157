#!/usr/bin/env bash
# Checks that a built program has the expected machine and imports only Windows' own DLLs.
#   scripts/check-exe.sh <exe> <i386|x86-64>
set -euo pipefail
exe=$1 machine=$2
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
