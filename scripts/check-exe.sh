#!/usr/bin/env bash
# Checks that a built program has the expected machine and imports only Windows' own DLLs.
#   scripts/check-exe.sh <exe> <i386|x86-64>
set -euo pipefail
exe=$1 machine=$2
dump=$(x86_64-w64-mingw32-objdump -p "$exe")
case "$machine" in
    i386) echo "$dump" | grep -q "^Magic.*010b" || { echo "$exe: not a 32-bit PE" >&2; exit 1; } ;;
    x86-64) echo "$dump" | grep -q "^Magic.*020b" || { echo "$exe: not a 64-bit PE" >&2; exit 1; } ;;
esac
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|msvcrt|SHELL32)\.dll$'
bad=$(echo "$dump" | sed -n 's/^\s*DLL Name: //p' | grep -viE "$allowed" || true)
if [ -n "$bad" ]; then
    echo "$exe imports DLLs beyond Windows' own: $bad" >&2
    exit 1
fi
echo "$exe: $(echo "$dump" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
