#!/usr/bin/env bash
# The demo lesson taken with the mouse: under an Xvfb of its own, Wine's X11 driver in a prefix of
# its own, the real pointer (xdotool) clicks the buttons whose places the window tree gives, and
# the launcher, where the lesson's buttons name it, records what the clicks started. Needs a built
# tree; scripts/test.sh runs it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
# A display of its own, so that the clicks land nowhere else.
if [ -z "${TARNSKOV_CLICK_XVFB:-}" ]; then
    exec env TARNSKOV_CLICK_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
export TARNSKOV_WINEPREFIX=$root/build/wineprefix-click TARNSKOV_GRAPHICS=x11
source scripts/wine-env.sh
if wine_runs_32bit; then bin=$root/build/windows/bin; else bin=$root/build/windows-x64/bin; fi
t0=$EPOCHREALTIME
say() { echo "[$(awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%5.1fs", b - a }')] $*"; }
fail() { say "FAILED: $*" >&2; exit 1; }
w() { "$WINE" "$@"; }

wine_session_start
trap wine_session_end EXIT
w "$bin/quelmar.exe" /RegServer || fail "quelmar.exe /RegServer failed"
data=$WINEPREFIX/drive_c/tarnskov-click
rm -rf "$data" && mkdir -p "$data" && cp samples/intro.ppt "$data/intro.ppt"
# The lesson's buttons run the launcher where the MSI installs it.
mkdir -p "$WINEPREFIX/drive_c/Program Files (x86)/Tarnskov"
cp "$bin/tarnskov.exe" "$WINEPREFIX/drive_c/Program Files (x86)/Tarnskov/"
printf '%s\r\n' '[core]' 'output_file=C:\tarnskov-click\result.ini' 'student_name=STUDENT ONE' \
    '[Evaluation]' 'Course_ID=C101' 'interaction_file=C:\tarnskov-click\quiz.csv' \
    >"$WINEPREFIX/drive_c/windows/PARAM.CMI"
w reg add 'HKCU\Software\Microsoft\Office\8.0\PowerPoint\Options' /v MacroVirusProtection \
    /t REG_DWORD /d 1 /f >/dev/null

# The show's window and buttons as tkhelper reads them: "window|button l t r b text".
show() { w "$bin/tkhelper.exe" show 2>/dev/null | tr -d '\r' || true; }
# The centre of the button so labelled (or of the slide's text, for "slide"), once it is up.
place() {
    local found
    for _ in $(seq 60); do
        found=$(show | awk -v want="$1" '{ text = $0; for (i = 1; i <= 5; i++) sub(/^[^ ]* /, "", text) }
            $1 == "button" && text == want { printf "%d %d\n", ($2 + $4) / 2, ($3 + $5) / 2 }
            $1 == "window" && want == "slide" { printf "%d %d\n", ($2 + $4) / 2, $3 + 120 }')
        [ -n "$found" ] && { echo "$found"; return; }
        sleep 0.25
    done
    fail "no '$1' on the show after 30 s; it shows:"$'\n'"$(show)"
}
click() {
    local at
    at=$(place "$1")
    xdotool mousemove --sync ${at% *} ${at#* } click 1
    say "clicked '$1' at $at"
}
records() { tail -n +2 "$data/quiz.csv" 2>/dev/null | tr -d '\r'; }
wait_records() {
    for _ in $(seq 100); do [ "$(records | wc -l)" -ge "$1" ] && return; sleep 0.2; done
    fail "after 20 s the interaction file holds $(records | wc -l) records, not $1"
}

say "first launch: tarnskov.exe C:\\tarnskov-click\\intro.ppt"
w "$bin/tarnskov.exe" 'C:\tarnskov-click\intro.ppt' </dev/null >/dev/null 2>&1 &
lesson=$!
place slide >/dev/null
[ -z "$(show | grep '^button')" ] || fail "the welcome slide has buttons:"$'\n'"$(show)"
# An answer only runs the launcher; the slide pages on.
click slide
click 'A) Mercury'
wait_records 1
click slide
click 'C) 7'
wait_records 2
click slide
place 'A) 90' >/dev/null
xdotool key Right
say "pressed the right arrow"
click Finish
for _ in $(seq 150); do kill -0 "$lesson" 2>/dev/null || break; sleep 0.2; done
kill -0 "$lesson" 2>/dev/null && fail "the lesson still runs 30 s after Finish"
code=0 && wait "$lesson" || code=$?
[ "$code" = 0 ] || fail "the first launch exited $code"
say "the lesson ended by itself, exit code 0"
viewers() { w "$bin/tkhelper.exe" count quelmar.exe | tr -d '\r'; }
for _ in $(seq 50); do [ "$(viewers)" = 0 ] && break; sleep 0.2; done
[ "$(viewers)" = 0 ] || fail "quelmar.exe outlived the lesson"

# Q1 right and Q2 wrong of three questions: 33, below the pass mark of 60.
got=$(records | sed -E 's#^"C101","STUDENT ONE","[0-9]{2}/[0-9]{2}/[0-9]{4}","[0-9]{2}:[0-9]{2}:[0-9]{2}",##')
[ "$got" = $'"Q1",A,1\n"Q2",C,0' ] || fail "the interaction file's records:"$'\n'"$(records)"
result=$(tr -d '\r' <"$data/result.ini")
grep -qx 'lesson_status=F' <<<"$result" && grep -qx 'score=33' <<<"$result" ||
    fail "the result file:"$'\n'"$result"
say "interaction file:"$'\n'"$(records)"
say "result file:"$'\n'"$result"
echo "click: 1 passed, 0 failed"
