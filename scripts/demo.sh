#!/usr/bin/env bash
# Runs a whole demo lesson under Wine: the CMI system's parameter file, the first launch,
# three quiz answers and a finish sent as later launches, and what they leave behind.
#   scripts/demo.sh            headless (Wine's null graphics driver), the answers scripted
#   scripts/demo.sh --watch    on the X display in $DISPLAY (a desktop, or Xvfb 1024x768): a
#                              person takes the lesson by clicking, within 10 minutes
#   scripts/demo.sh --log      with the diagnostic log switched on, and shown at the end
#   scripts/demo.sh --powerpoint  through the bridge (tarnskov-powerpoint.exe) in the viewer's
#                              place and the stand-in of today's PowerPoint, with the Run
#                              Programs policy at 2; quelmar's registration is put back at the end
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

watch=0 log=0 powerpoint=0
for option in "$@"; do
    case "$option" in
        --watch) watch=1 ;;
        --log) log=1 ;;
        --powerpoint) powerpoint=1 ;;
        *) echo "usage: scripts/demo.sh [--watch] [--log] [--powerpoint]" >&2; exit 2 ;;
    esac
done
if [ "$watch" = 1 ]; then
    export TARNSKOV_WINEPREFIX=$root/build/wineprefix-display TARNSKOV_GRAPHICS=x11
fi

"$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"
if wine_runs_32bit; then preset=windows; else preset=windows-x64; fi
echo "== building ($preset)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
bin=$root/build/$preset/bin

wine_session_start
trap wine_session_end EXIT
w() { "$WINE" "$@"; }
options='HKCU\Software\Microsoft\Office\8.0\PowerPoint\Options'
macro() { w reg query "$options" /v MacroVirusProtection 2>/dev/null | tr -d '\r' | awk '/MacroVirusProtection/ {print $3}'; }
# A file's lines without their CRs, or "(none)" when the lesson made no such file.
print_file() { if [ -f "$1" ]; then tr -d '\r' <"$1"; else echo "(none)"; fi; }

policy='HKCU\Software\Policies\Microsoft\Office\16.0\PowerPoint\Security'
if [ "$powerpoint" = 1 ]; then
    echo "== registering the bridge (tarnskov-powerpoint.exe) under PowerPointViewer.Application.8"
    echo "   and the stand-in of PowerPoint (powerpoint-standin.exe) under PowerPoint.Application"
    w "$bin/quelmar.exe" /UnregServer
    w "$bin/tarnskov-powerpoint.exe" /RegServer
    w "$bin/powerpoint-standin.exe" /RegServer /force
    w reg add "$policy" /v RunPrograms /t REG_DWORD /d 2 /f >/dev/null
    # The plain demo and the suites find quelmar registered again.
    trap 'w "$bin/tarnskov-powerpoint.exe" /UnregServer; w "$bin/quelmar.exe" /RegServer; wine_session_end' EXIT
else
    echo "== registering the demo viewer (quelmar.exe) under PowerPointViewer.Application.8"
    w "$bin/quelmar.exe" /RegServer
fi

demo=$WINEPREFIX/drive_c/tarnskov-demo
rm -rf "$demo" && mkdir -p "$demo"
cp samples/intro.ppt "$demo/intro.ppt"
# The lesson's buttons run the launcher where the MSI installs it on 64-bit Windows: in the
# watched demo's own prefix, it is put there (the headless demo sends its commands itself).
if [ "$watch" = 1 ]; then
    installed="$WINEPREFIX/drive_c/Program Files (x86)/Tarnskov"
    mkdir -p "$installed" && cp "$bin/tarnskov.exe" "$installed/"
fi
windir=$WINEPREFIX/drive_c/windows
printf '[core]\r\noutput_file=C:\\tarnskov-demo\\result.ini\r\nstudent_name=STUDENT ONE\r\n[Evaluation]\r\nCourse_ID=C101\r\ninteraction_file=C:\\tarnskov-demo\\quiz.csv\r\n' > "$windir/PARAM.CMI"
w reg add "$options" /v MacroVirusProtection /t REG_DWORD /d 1 /f >/dev/null
if [ "$log" = 1 ]; then
    w reg add 'HKCU\Software\Tarnskov' /v LogFile /t REG_SZ /d 'C:\tarnskov-demo\tarnskov.log' /f >/dev/null
else
    w reg delete 'HKCU\Software\Tarnskov' /v LogFile /f >/dev/null 2>&1 || true
fi

echo "== the CMI system's PARAM.CMI (in the Windows directory)"
tr -d '\r' < "$windir/PARAM.CMI"
echo "== MacroVirusProtection before the lesson: $(macro)"

echo "== first launch: tarnskov.exe C:\\tarnskov-demo\\intro.ppt"
w "$bin/tarnskov.exe" 'C:\tarnskov-demo\intro.ppt' &
lesson=$!
sleep 3
echo "== MacroVirusProtection during the lesson: $(macro)"
if [ "$watch" = 1 ]; then
    echo "== take the lesson in its window: click the slide to begin, click an answer on each"
    echo "   question and then the slide, and Finish on the last slide (the demo waits 10 minutes"
    echo "   at most); the buttons run C:\Program Files (x86)\Tarnskov\tarnskov.exe"
    for _ in $(seq 600); do kill -0 "$lesson" 2>/dev/null || break; sleep 1; done
    if kill -0 "$lesson" 2>/dev/null; then
        echo "== the lesson was not finished within 10 minutes; it is ended" >&2
        exit 1
    fi
else
    for answer in '-Q=Q1 a 1' '-Q=Q2 B 1' '-Q=Q3 c 0'; do
        echo "== later launch: tarnskov.exe $answer"
        w "$bin/tkhelper.exe" launch "$answer"
    done
    echo "== later launch: tarnskov.exe -S=P -G=85"
    w "$bin/tkhelper.exe" launch -S=P -G=85
fi
wait "$lesson"
echo "== the lesson has ended"

echo "== interaction file C:\\tarnskov-demo\\quiz.csv"
print_file "$demo/quiz.csv"
echo "== result file C:\\tarnskov-demo\\result.ini"
print_file "$demo/result.ini"
echo "== MacroVirusProtection after the lesson: $(macro)"
if [ "$log" = 1 ]; then
    echo "== diagnostic log C:\\tarnskov-demo\\tarnskov.log"
    print_file "$demo/tarnskov.log"
fi
