#!/usr/bin/env bash
# Builds the launcher and the benchmarks, times them under Wine in a prefix of their own, times
# lessoncheck over 1,000 lessons beside Apache POI reading them, and writes docs/performance.md.
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
catalogue=$TARNSKOV_WINEPREFIX/drive_c/tarnskov-bench-lessons
trap 'wine_session_end; rm -rf "$catalogue"' EXIT
"$WINE" "$bin/quelmar.exe" /RegServer

# The catalogue: 1,000 copies of the generated lessons that read, in the bench's prefix. POI reads
# them first, with the system's java (libapache-poi-java and a JDK, which neither the build nor
# the tests need); without them lessoncheck is not timed.
jars=/usr/share/java
poi_cp="$jars/poi.jar:$jars/poi-scratchpad.jar:$jars/commons-collections4.jar:$jars/commons-math3.jar:$jars/commons-codec.jar"
check_args=()
if command -v javac >/dev/null && [ -f "$jars/poi-scratchpad.jar" ]; then
    rm -rf "$catalogue" && mkdir -p "$catalogue"
    for i in $(seq -w 1 200); do
        for name in good good-v4 fast-saved faults faults-master; do
            cp "tests/lessons/$name.ppt" "$catalogue/$i-$name.ppt"
        done
    done
    echo "== POI reading the catalogue"
    classes=$(mktemp -d)
    javac -nowarn -d "$classes" -cp "$poi_cp" bench/PoiRead.java
    poi() { java -cp "$classes:$poi_cp" PoiRead "$1" "$catalogue"; }
    # Each pass prints: files, lessons a second, actions found.
    read_all() { awk '$1 != 1000 || $3 != 13200 { exit 1 } { print $2 }'; }
    median_low_high() { sort -n | awk '{ r[NR] = $1 } END { if (NR != 5) exit 1; print r[3], r[1], r[5] }'; }
    # As an administrator would run a checker: a fresh JVM for each pass, its start included.
    cold=$(for _ in 1 2 3 4 5; do
        t0=$(date +%s%N)
        poi 1 | read_all >/dev/null || exit 1
        echo "$(date +%s%N) $t0" | awk '{ printf "%.1f\n", 1000 / (($1 - $2) / 1e9) }'
    done | median_low_high) &&
        warm=$(poi 5 | read_all | median_low_high) ||
        { echo "bench: POI did not read every lesson and its actions" >&2; exit 1; }
    rm -rf "$classes"
    check_args=(--catalogue 'C:\tarnskov-bench-lessons' --poi "$cold" --poi-warm "$warm")
else
    echo "== no java or POI (apt-get install libapache-poi-java default-jdk-headless): lessoncheck not timed"
fi

echo "== timing (progress on stderr)"
table=$("$WINE" "$bin/bench_driver.exe" "$@" "${check_args[@]}" | tr -d '\r')

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
