#!/usr/bin/env bash
# Builds the launcher and the benchmarks, times them under Wine in a prefix of their own and
# writes docs/performance.md.
#   bench/run.sh                 the full run (about 3.5 minutes once built)
#   bench/run.sh --rounds 5 ...  driver options (--rounds, --answers, --idle, --lessons, --long)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh" >/dev/null
# A prefix and wineserver of its own: window titles and named objects are per wineserver,
# so the bench and the tests never meet.
export TARNSKOV_WINEPREFIX=$root/build/wineprefix-bench
source "$root/scripts/wine-env.sh"

if wine_runs_32bit; then
    preset=windows build="i686 (32-bit)" why=""
else
    preset=windows-x64 build="x86_64 (64-bit)"
    why=" This machine's kernel runs no 32-bit programs, so Wine runs only the 64-bit build here."
fi
echo "== building (both for the sizes; $preset is timed)"
for p in windows windows-x64; do
    cmake --preset "$p" >/dev/null
done
for p in windows windows-x64; do
    cmake --build --preset "$p" -j "$(nproc)" --target tarnskov >/dev/null
done
cmake --build --preset "$preset" -j "$(nproc)" --target bench_driver >/dev/null
bin=$root/build/$preset/bin

wine_session_start
trap wine_session_end EXIT
"$WINE" "$bin/quelmar.exe" /RegServer

echo "== timing (progress on stderr)"
table=$("$WINE" "$bin/bench_driver.exe" "$@" | tr -d '\r')

size() { stat -c %s "$1"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }
size32=$(size build/windows/bin/tarnskov.exe)
size64=$(size build/windows-x64/bin/tarnskov.exe)
if [ "$size32" -le 204800 ]; then verdict=met; else verdict="**missed**"; fi
cpu=$(sed -n 's/^model name\s*:\s*//p' /proc/cpuinfo | head -n 1)
load=$(cut -d ' ' -f 1-3 /proc/loadavg)
imports=$(x86_64-w64-mingw32-objdump -p "$bin/tarnskov.exe" | sed -n 's/^\s*DLL Name: //p' | xargs)

out=docs/performance.md
{
    echo "# Performance"
    echo
    echo "Written by \`bench/run.sh${*:+ $*}\` on $(date -u '+%Y-%m-%d %H:%M UTC'):"
    echo "$(nproc) cores ($cpu), load average $load at the end, $("$WINE" --version), Wine's"
    echo "null graphics driver; the $build build (\`build/$preset/bin\`) timed.$why"
    echo "The timed \`tarnskov.exe\` imports $imports."
    echo
    echo "## Figures"
    echo
    echo "$table"
    echo
    echo "| Size of \`tarnskov.exe\` (static runtime, stripped) | Bytes | KiB | Goal | Verdict |"
    echo "| --- | ---: | ---: | --- | --- |"
    echo "| i686, \`build/windows/bin\` | $size32 | $(kib "$size32") | ≤ 200 KiB | $verdict |"
    echo "| x86_64, \`build/windows-x64/bin\` | $size64 | $(kib "$size64") | | |"
    echo
    cat bench/method.md
} >"$out"
echo "== wrote $out"
