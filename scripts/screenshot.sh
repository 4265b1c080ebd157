#!/usr/bin/env bash
# Takes the picture of the demo lesson that README shows: its first question, as the student sees
# it, under an Xvfb of its own with Wine's X11 driver in the watched demo's prefix.
#   scripts/screenshot.sh [out.png]        (default docs/demo-question.png)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
out=$(realpath -m "${1:-docs/demo-question.png}")
if [ -z "${TARNSKOV_SCREENSHOT_XVFB:-}" ]; then
    "$root/scripts/setup.sh"
    exec env TARNSKOV_SCREENSHOT_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out"
fi
export TARNSKOV_WINEPREFIX=$root/build/wineprefix-display TARNSKOV_GRAPHICS=x11
source scripts/wine-env.sh
if wine_runs_32bit; then preset=windows; else preset=windows-x64; fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" >/dev/null
bin=$root/build/$preset/bin
w() { "$WINE" "$@"; }

wine_session_start
trap wine_session_end EXIT
w "$bin/quelmar.exe" /RegServer
data=$WINEPREFIX/drive_c/tarnskov-demo
rm -rf "$data" && mkdir -p "$data" && cp samples/intro.ppt "$data/intro.ppt"
printf '%s\r\n' '[core]' 'output_file=C:\tarnskov-demo\result.ini' 'student_name=STUDENT ONE' \
    >"$WINEPREFIX/drive_c/windows/PARAM.CMI"
w reg add 'HKCU\Software\Microsoft\Office\8.0\PowerPoint\Options' /v MacroVirusProtection \
    /t REG_DWORD /d 1 /f >/dev/null
w "$bin/tarnskov.exe" 'C:\tarnskov-demo\intro.ppt' </dev/null >/dev/null 2>&1 &

# The show's window, then a button so labelled, as the window tree has them.
show_line() {
    for _ in $(seq 120); do
        w "$bin/tkhelper.exe" show 2>/dev/null | tr -d '\r' | grep -m 1 "^$1" && return
        sleep 0.25
    done
    echo "screenshot: no '$1' on the show" >&2
    exit 1
}
read -r _ left top right bottom _ < <(show_line window)
# A click on the slide's text pages on to the first question.
xdotool mousemove --sync $(((left + right) / 2)) $((top + 120)) click 1
show_line 'button .* A) Mercury$' >/dev/null
xdotool mousemove --sync 0 0
sleep 1
xwd -root -silent | xwdtopnm 2>/dev/null |
    pnmcut -left "$left" -top "$top" -width $((right - left)) -height $((bottom - top)) |
    pnmtopng -compression 9 >"$out"
echo "screenshot: $out ($(stat -c %s "$out") bytes)"
