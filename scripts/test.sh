#!/usr/bin/env bash
# Runs every test: the platform-free logic natively (plain, under ASan+UBSan, fuzzed briefly),
# then both Windows builds, and the Windows suites under Wine in the project's private prefix.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

"$root/scripts/setup.sh"

jobs=$(nproc)

echo "== formatting: every C++ file as the committed .clang-format has it"
find src tools tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror

export CC=clang CXX=clang++   # clang brings libFuzzer; GCC builds the same sources too

echo "== native: unit tests and fuzz targets"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native
# A build directory configured earlier with another compiler keeps it, and has no fuzz targets.
if [ "$(ctest --preset native -L fuzz -N | sed -n 's/^Total Tests: //p')" != 5 ]; then
    echo "test: the fuzz targets were not built: build/native was configured without clang; remove it" >&2
    exit 1
fi

echo "== native: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-sanitize >/dev/null
cmake --build --preset native-sanitize -j "$jobs"
ctest --preset native-sanitize -LE fuzz

unset CC CXX
echo "== windows builds (i686 and x86_64)"
for preset in windows windows-x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
"$root/scripts/check-exe.sh" build/windows/bin/tarnskov.exe i386 --legacy
"$root/scripts/check-exe.sh" build/windows-x64/bin/tarnskov.exe x86-64 --legacy

source "$root/scripts/wine-env.sh"
# One wineserver for the whole run, shut down at the end whatever happens.
wine_session_start
trap wine_session_end EXIT

if wine_runs_32bit; then
    echo "== windows tests, 32-bit build"
    ctest --preset windows
    echo "== windows tests, 64-bit build (smoke)"
    ctest --preset windows-x64 -R startup_tests
    tested=windows
else
    # Some sandboxes' kernels run no 32-bit programs, so Wine runs no 32-bit Windows
    # program there; the same sources are tested in full through the 64-bit build.
    echo "== windows tests, 64-bit build (this machine runs no 32-bit programs)"
    ctest --preset windows-x64
    tested=windows-x64
fi

# The guide's way of running one test alone must select exactly one, and it must pass.
echo "== the contributor's guide: one test run alone by its filter"
filter=$(grep -o "[a-z_]*\.exe --gtest_filter='[^']*'" docs/HACKING.md | head -1)
[ -n "$filter" ] || { echo "test: docs/HACKING.md shows no --gtest_filter" >&2; exit 1; }
one=$(eval "\"\$WINE\" build/$tested/bin/$filter" 2>&1) || true
if ! grep -q '^\[==========\] 1 test from 1 test suite ran' <<<"$one" ||
    ! grep -q '^\[  PASSED  \] 1 test\.' <<<"$one"; then
    echo "$one" >&2
    echo "test: docs/HACKING.md's filter ($filter) does not run exactly one passing test" >&2
    exit 1
fi
echo "$filter: 1 test ran and passed"

echo "== the demo lesson taken with the mouse: Xvfb, Wine's X11 driver, xdotool"
# Its own display, prefix and wineserver: the session above is not its.
"$root/tests/click/click_test.sh"

echo "== MSI package: install, lesson, rebuild, upgrades, downgrade, removal under Wine's msiexec"
"$root/tests/packaging/msi_test.sh"
