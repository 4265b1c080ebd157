#!/usr/bin/env bash
# The MSI package under Wine's msiexec: its tables, install, a lesson from the installed launcher,
# a rebuild of the same version, upgrades that keep the folder, refused downgrade and removal; the
# bridge to PowerPoint installed where no viewer is registered and left out where one is.
# scripts/test.sh runs it inside its Wine session; by hand:
#   source scripts/wine-env.sh && wine_session_start; tests/packaging/msi_test.sh; wine_session_end
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
source scripts/wine-env.sh
wine_prefix_ready

passed=0 skipped=0
fail() { echo "FAILED: $*" >&2; exit 1; }
pass() { echo "ok: $*"; passed=$((passed + 1)); }
skip() { echo "SKIPPED: $*"; skipped=$((skipped + 1)); }
seconds_since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }'; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
unixpath() { local p=$WINEPREFIX/drive_c/${1#C:\\}; echo "${p//\\//}"; }
w() { "$WINE" "$@"; }
# msiexec's exit code. Wine passes on only its low byte: 1603 arrives as 67, 0 stays 0.
msi_run() { local rc=0; w msiexec "$@" </dev/null >/dev/null 2>&1 || rc=$?; echo "$rc"; }

echo "== building the MSI (cmake --build --preset windows --target msi)"
cmake --build --preset windows --target msi
build=$root/build/windows bin=$root/build/windows/bin
version=$(sed -n 's/^#define TARNSKOV_VERSION_STRING "\(.*\)"$/\1/p' \
    "$build/generated/tarnskov_version.h")
msi=$build/tarnskov-$version-x86.msi
[ -f "$msi" ] || fail "the msi target made no $msi"
work=$build/msi-test
rm -rf "$work" && mkdir -p "$work"

echo "== SHA256SUMS beside the packages and in the ZIP, and the pilot's paths in the ZIP"
cmake --build --preset windows --target tarnskov quelmar lessoncheck
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
zip_name=tarnskov-$version-i686
for name in "$(basename "$msi")" "$zip_name.zip"; do
    grep -q "^[0-9a-f]\{64\}  $name\$" "$build/SHA256SUMS" || fail "SHA256SUMS lists no $name"
done
(cd "$build" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS beside the packages is wrong"
mkdir -p "$work/zip" && (cd "$work/zip" && cmake -E tar xf "$build/$zip_name.zip")
(cd "$work/zip/$zip_name" && sha256sum --quiet -c SHA256SUMS) || fail "the ZIP's SHA256SUMS is wrong"
[ "$(cd "$work/zip/$zip_name" && ls | grep -vx SHA256SUMS | LC_ALL=C sort)" = \
  "$(awk '{ print $2 }' "$work/zip/$zip_name/SHA256SUMS" | LC_ALL=C sort)" ] ||
    fail "the ZIP's SHA256SUMS does not list exactly its other files"
# The pilot unpacks the ZIP into C:\TARNSKOV-CHECK: each path there to a file of the ZIP must be
# where unpacking puts it.
pilot=$(grep -o 'C:\\TARNSKOV-CHECK\\[^ "]*' docs/ADMINISTRATORS.txt | tr '\\' / | cut -d/ -f3-)
zipped=$(cmake -E tar tf "$build/$zip_name.zip")
checked=0
while read -r path; do
    grep -qx "[^/]*/${path##*/}" <<<"$zipped" || continue
    grep -qx "$path" <<<"$zipped" || fail "the pilot names C:\\TARNSKOV-CHECK\\$path, not in the ZIP"
    checked=$((checked + 1))
done <<<"$pilot"
[ "$checked" -ge 2 ] || fail "the pilot names $checked files of the ZIP"
pass "SHA256SUMS match the MSI, the ZIP and its $(wc -l <"$work/zip/$zip_name/SHA256SUMS") files;" \
    "the pilot's $checked paths are the ZIP's"

# An x86 package goes under Program Files (x86) where Windows is 64-bit.
if [ -d "$WINEPREFIX/drive_c/Program Files (x86)" ]; then
    instdir_w='C:\Program Files (x86)\Tarnskov'
else
    instdir_w='C:\Program Files\Tarnskov'
fi
instdir=$(unixpath "$instdir_w")
launcher_w="$instdir_w\\tarnskov.exe"
data_w='C:\tarnskov-msi' data=$WINEPREFIX/drive_c/tarnskov-msi
custom_w='C:\tarnskov-msi\Apps\Tarnskov' custom=$data/Apps/Tarnskov
windir=$WINEPREFIX/drive_c/windows
options='HKCU\Software\Microsoft\Office\8.0\PowerPoint\Options'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# Installed TARNSKOV products, one line each: product code, version, help link. An x86
# package's entry is in the 32-bit view; both are read, so that none is missed.
installed_products() {
    local view
    for view in 32 64; do
        w reg query "$uninstall" /s /reg:$view 2>/dev/null | tr -d '\r' || true
    done | awk '/^HKEY/ { key = $0; sub(/.*\\/, "", key) }
        $1 == "DisplayName" && $3 == "TARNSKOV" && NF == 3 { name[key] = 1 }
        $1 == "DisplayVersion" { version[key] = $3 }
        $1 == "HelpLink" { v = $0; sub(/^[ \t]*HelpLink[ \t]+REG_SZ[ \t]*/, "", v); help[key] = v }
        END { for (k in name) print k, version[k], help[k] }' | sort -u
}
product_code() { msiinfo export "$1" Property | awk '$1 == "ProductCode" { print $2 }' | tr -d '\r'; }
# Installs <msi> with msiexec's further arguments, and expects its product alone installed
# afterwards, with <tarnskov.exe> in <folder>.
install_one() { # <what> <msi> <tarnskov.exe> <folder> [msiexec arguments]
    local what=$1 msi=$2 exe=$3 folder=$4 rc
    shift 4
    rc=$(msi_run /i "$(winpath "$msi")" /qn /l*v "$(winpath "$work/$what.log")" "$@")
    [ "$rc" = 0 ] || fail "$what: msiexec exited $rc (log: $work/$what.log)"
    [ "$(installed_products | cut -d' ' -f1)" = "$(product_code "$msi")" ] ||
        fail "$what: installed products:"$'\n'"$(installed_products)"
    cmp -s "$exe" "$(unixpath "$folder")/tarnskov.exe" || fail "$what: no $exe in $folder"
}
# build-msi.sh, which prints the SHA-256 of the package and of the program it holds.
build_msi() { # <out.msi> <version> <tarnskov.exe>
    local sums file
    sums=$(packaging/build-msi.sh "$@" "$bin/lessoncheck.exe" "$bin/tarnskov-powerpoint.exe")
    for file in "$1" "$3"; do
        grep -qx "$(sha256sum <"$file" | cut -d' ' -f1)  ${file##*/}" <<<"$sums" ||
            fail "build-msi.sh printed no SHA-256 of $file"
    done
}
macro() { w reg query "$options" /v MacroVirusProtection 2>/dev/null | tr -d '\r' |
          awk '$1 == "MacroVirusProtection" { print $3 }'; }

# The bridge, as the x86 package writes it in the 32-bit view: the class the viewer's ProgID names,
# the bridge's server and its Active Setup entry's command, "|"-joined. A value's data, or "".
contract() { sed -n "s/^const char $1\[\] = \"\(.*\)\";\$/\1/p" src/viewer/powerpoint_contract.h; }
bridge_clsid=$(contract kBridgeClsidText) viewer_key='HKLM\Software\Classes\PowerPointViewer.Application.8'
active_setup="HKLM\\Software\\Microsoft\\Active Setup\\Installed Components\\$(contract kActiveSetupComponent)"
value32() { w reg query "$1" $2 /reg:32 2>/dev/null | tr -d '\r' | awk -F'    ' '/REG_/ { print $NF }'; }
bridge_state() {
    echo "$(value32 "$viewer_key\\CLSID" /ve)|$(value32 \
        "HKLM\\Software\\Classes\\CLSID\\$bridge_clsid\\LocalServer32" /ve)|$(value32 "$active_setup" \
        "/v StubPath")"
}
# The bridge in <folder>, or none where <folder> is "" (the ProgID then naming [<class>] or none).
expect_bridge() { # <what> <folder> [<class>]
    local want="${3:-}||" exe="$2\\tarnskov-powerpoint.exe"
    [ -z "$2" ] || want="$bridge_clsid|\"$exe\"|\"$exe\" $(contract kBridgeUserSetupOption)"
    [ "$(bridge_state)" = "$want" ] || fail "$1: the bridge's registration: $(bridge_state), not $want"
    [ -z "$2" ] || cmp -s "$bin/tarnskov-powerpoint.exe" "$(unixpath "$exe")" || fail "$1: no $exe"
}
# A viewer's class under its ProgID, as a program other than the bridge registers it.
other_viewer='{0B5E1C2A-7D44-4F1B-9C3E-6A2D8F0E4B57}'
register_other_viewer() { w reg add "$viewer_key\\CLSID" /ve /d "$other_viewer" /f /reg:32 >/dev/null; }

viewer_registered=0 had_options=0 lesson_running=0 lesson_ran=0
w reg query "$options" >/dev/null 2>&1 && had_options=1
cleanup() {
    local code
    if [ "$lesson_running" = 1 ]; then
        w taskkill /f /im tarnskov.exe >/dev/null 2>&1 || true
        w taskkill /f /im quelmar.exe >/dev/null 2>&1 || true
    fi
    for code in $(installed_products | cut -d' ' -f1); do msi_run /x "$code" /qn >/dev/null; done
    if [ "$viewer_registered" = 1 ]; then w "$bin/quelmar.exe" /UnregServer || true; fi
    w reg delete "$viewer_key" /f /reg:32 >/dev/null 2>&1 || true
    if [ "$had_options" = 0 ]; then w reg delete "$options" /f >/dev/null 2>&1 || true; fi
    rm -rf "$data" "$windir/PARAM.CMI"
}
trap cleanup EXIT
[ -z "$(installed_products)" ] || fail "a TARNSKOV product is installed before the test"
[ "$(bridge_state)" = "||" ] || fail "the viewer's ProgID is registered before the test"

echo "== the package's tables"
suminfo=$(msiinfo suminfo "$msi")
grep -qx 'Template: Intel;1033' <<<"$suminfo" || fail "platform is not Intel;1033: $suminfo"
grep -qx 'Author: Tarnskov project' <<<"$suminfo" || fail "author: $suminfo"
props=$(msiinfo export "$msi" Property | tr -d '\r')
for p in "ProductName	TARNSKOV" "ProductVersion	$version" "Manufacturer	Tarnskov project" \
         "ALLUSERS	1" "POWERPOINTBRIDGE	1"; do
    grep -qx "$p" <<<"$props" || fail "Property table lacks '$p'"
done
# File, FileName, FileSize, Version, sorted; the demo viewer is not among them.
files=$(msiinfo export "$msi" File | tail -n +4 | awk -F'\t' '{ print $3, $4, $5 }' | sort)
expected=$(printf '%s\n' "ADMINISTRATORS.txt $(stat -c %s docs/ADMINISTRATORS.txt) " \
    "LICENSE $(stat -c %s LICENSE) " "CHANGELOG.md $(stat -c %s CHANGELOG.md) " \
    "lessoncheck.exe $(stat -c %s "$bin/lessoncheck.exe") " \
    "tarnskov-powerpoint.exe $(stat -c %s "$bin/tarnskov-powerpoint.exe") ${version}.0" "tarnskov.exe $(stat -c %s "$bin/tarnskov.exe") ${version}.0" | sort)
[ "$files" = "$expected" ] || fail "File table:"$'\n'"$files"$'\n'"expected:"$'\n'"$expected"
conditions=$(msiinfo export "$msi" LaunchCondition)
grep -q '^NOT WIX_DOWNGRADE_DETECTED	A newer version of TARNSKOV is already installed' \
    <<<"$conditions" || fail "no downgrade refusal among the launch conditions"
# The bridge's two components decide again at a repair (transitive, 0x40), on the search of the
# viewer's ProgID in HKLM's 32-bit view (RegLocator Type 2).
[ "$(msiinfo export "$msi" Component | tr -d '\r' |
    awk -F'\t' '/^Bridge/ && $4 % 128 >= 64 && $5 ~ /VIEWERCLSID~=/' | wc -l)" = 2 ] ||
    fail "the bridge's components are not transitive on VIEWERCLSID"
msiinfo export "$msi" RegLocator | tr -d '\r' |
    grep -qxF $'ViewerClass\t2\tSOFTWARE\\Classes\\PowerPointViewer.Application.8\\CLSID\t\t2' ||
    fail "no search of the viewer's ProgID in HKLM's 32-bit view"
pass "package $(basename "$msi"): Intel;1033, TARNSKOV $version, $(wc -l <<<"$files") files"

echo "== silent install: msiexec /i $(basename "$msi") /qn"
t0=$EPOCHREALTIME
install_one install "$msi" "$bin/tarnskov.exe" "$instdir_w"
install_s=$(seconds_since "$t0")
cmp -s LICENSE "$instdir/LICENSE" && cmp -s CHANGELOG.md "$instdir/CHANGELOG.md" &&
    cmp -s "$bin/lessoncheck.exe" "$instdir/lessoncheck.exe" &&
    cmp -s docs/ADMINISTRATORS.txt "$instdir/ADMINISTRATORS.txt" ||
    fail "$instdir_w lacks a file, or holds one that is not the built one"
read -r _ installed_version help <<<"$(installed_products)"
[ "$installed_version" = "$version" ] || fail "installed version $installed_version"
[ "$help" = "file:///$instdir_w\\ADMINISTRATORS.txt" ] || fail "help link '$help'"
expect_bridge install "$instdir_w"
pass "installed into $instdir_w in ${install_s}s, one product, help link to the notes, the bridge"

# Active Setup never runs under Wine: its command by hand gives the user the options value where
# it is absent, and changes none there is.
stub=$(value32 "$active_setup" "/v StubPath")
stub_exe=${stub#\"} && stub_exe=${stub_exe%%\"*}
if wine_runs_32bit; then
    w reg delete "$options" /v MacroVirusProtection /f >/dev/null 2>&1 || true
    for expected in 0x1 0x1 0x0; do
        [ "$expected" = 0x0 ] && w reg add "$options" /v MacroVirusProtection /t REG_DWORD /d 0 /f >/dev/null
        w "$stub_exe" "${stub##*\" }" || fail "Active Setup's command $stub exited $?"
        [ "$(macro)" = "$expected" ] || fail "after $stub: MacroVirusProtection $(macro), not $expected"
    done
    pass "Active Setup's $stub: the options value made once, an existing one kept"
else
    skip "Active Setup's command $stub (this machine runs no 32-bit programs)"
fi

if wine_runs_32bit; then
    echo "== a lesson from the installed launcher"
    # quelmar takes the bridge's place for the lesson, and leaves the ProgID unregistered after.
    w "$bin/quelmar.exe" /RegServer /force || fail "quelmar.exe /RegServer /force failed"
    viewer_registered=1
    w reg add "$options" /v MacroVirusProtection /t REG_DWORD /d 1 /f >/dev/null
    rm -rf "$data" && mkdir -p "$data" && cp samples/intro.ppt "$data/intro.ppt"
    printf '%s\r\n' '[core]' "output_file=$data_w\\result.ini" 'student_name=STUDENT ONE' \
        '[Evaluation]' 'Course_ID=C101' "interaction_file=$data_w\\quiz.csv" >"$windir/PARAM.CMI"
    # Its own output, so that a lesson left running holds none of ours.
    w "$bin/tkhelper.exe" run "$launcher_w" "$data_w\\intro.ppt" </dev/null \
        >"$work/lesson.log" 2>&1 &
    first=$! lesson_running=1
    # The launcher switches the viewer's macro protection off once the show runs.
    for _ in $(seq 100); do [ "$(macro)" = 0x0 ] && break; sleep 0.2; done
    [ "$(macro)" = 0x0 ] || fail "the installed launcher did not start the show"
    w "$bin/tkhelper.exe" run "$launcher_w" -Q=Q7 B 1 || fail "the answer's launch exited $?"
    w "$bin/tkhelper.exe" run "$launcher_w" -S=P -G=85 || fail "the finish's launch exited $?"
    wait "$first" || fail "the first launch exited $? (3: still running after 60 s)"
    lesson_running=0 lesson_ran=1 viewer_registered=0
    w "$bin/quelmar.exe" /UnregServer || fail "quelmar.exe /UnregServer failed"
    quiz=$(tr -d '\r' <"$data/quiz.csv")
    grep -qx '"C101","STUDENT ONE","[0-9/]*","[0-9:]*","Q7",B,1' <<<"$quiz" ||
        fail "interaction file:"$'\n'"$quiz"
    result=$(tr -d '\r' <"$data/result.ini")
    grep -qx 'lesson_status=P' <<<"$result" && grep -qx 'score=85' <<<"$result" ||
        fail "result file:"$'\n'"$result"
    [ "$(macro)" = 0x1 ] || fail "macro protection not restored: $(macro)"
    pass "lesson from $launcher_w: one answer recorded, finished P 85"
else
    skip "lesson from the installed launcher (this machine runs no 32-bit programs;" \
        "the package holds the 32-bit tarnskov.exe)"
fi

# A rebuild of the same version replaces it, one product left; INSTALLDIR on the command line
# moves it, and later upgrades keep that folder.
rebuild=$work/tarnskov-$version-x86.msi
build_msi "$rebuild" "$version" "$bin/tarnskov.exe"
echo "== the same version rebuilt: msiexec /i $(basename "$rebuild") /qn INSTALLDIR=$custom_w"
install_one rebuild "$rebuild" "$bin/tarnskov.exe" "$custom_w" "INSTALLDIR=$custom_w"
[ ! -e "$instdir" ] || fail "the rebuild left $instdir_w"
# The old package's removal, before the new files go down, leaves the new registration.
expect_bridge rebuild "$custom_w"
pass "a rebuild of $version replaced it: one product, moved to $custom_w, the bridge registered there"

# A later version: a higher product version, and the program with a higher file version
# (the fourth number of its version block, at 12 bytes past the block's signature).
IFS=. read -r major minor patch <<<"$version"
higher=$major.$minor.$((patch + 1))
cp "$bin/tarnskov.exe" "$work/tarnskov.exe"
at=$(LC_ALL=C grep -m 1 -obUaP '\xBD\x04\xEF\xFE' "$work/tarnskov.exe" | cut -d: -f1)
printf '\x01' | dd of="$work/tarnskov.exe" bs=1 seek=$((at + 12)) conv=notrunc status=none
upgrade=$work/tarnskov-$higher-x86.msi
build_msi "$upgrade" "$higher" "$work/tarnskov.exe"
upgrade_files=$(msiinfo export "$upgrade" File)
grep -q "^tarnskov.exe	.*	${version}.1	" <<<"$upgrade_files" ||
    fail "the later package does not carry file version ${version}.1"

echo "== upgrade: msiexec /i $(basename "$upgrade") /qn POWERPOINTBRIDGE=0"
install_one upgrade "$upgrade" "$work/tarnskov.exe" "$custom_w" POWERPOINTBRIDGE=0
expect_bridge "upgrade with POWERPOINTBRIDGE=0" ""
[ ! -e "$custom/tarnskov-powerpoint.exe" ] || fail "POWERPOINTBRIDGE=0 left the bridge's program"
pass "upgrade to $higher: one product, tarnskov.exe ${version}.1, still in $custom_w, no bridge"

echo "== downgrade: msiexec /i $(basename "$msi") /qn over $higher"
rc=$(msi_run /i "$(winpath "$msi")" /qn /l*v "$(winpath "$work/downgrade.log")")
[ "$rc" != 0 ] || fail "the older package installed over the newer one"
grep -aq '^Property(S): WIX_DOWNGRADE_DETECTED = {' "$work/downgrade.log" ||
    fail "no newer version detected ($work/downgrade.log)"
[ "$(installed_products | cut -d' ' -f2)" = "$higher" ] ||
    fail "after the downgrade: $(installed_products)"
cmp -s "$work/tarnskov.exe" "$custom/tarnskov.exe" ||
    fail "the refused downgrade changed tarnskov.exe"
pass "downgrade refused (exit $rc), $higher and its files stay"

echo "== removal: msiexec /x $(basename "$upgrade") /qn"
t0=$EPOCHREALTIME
rc=$(msi_run /x "$(winpath "$upgrade")" /qn /l*v "$(winpath "$work/uninstall.log")")
uninstall_s=$(seconds_since "$t0")
[ "$rc" = 0 ] || fail "msiexec /x exited $rc (log: $work/uninstall.log)"
[ ! -e "$custom" ] || fail "left in $custom_w: $(ls -A "$custom")"
[ -z "$(installed_products)" ] || fail "still installed: $(installed_products)"
if [ "$lesson_ran" = 1 ]; then
    [ -f "$data/result.ini" ] && [ -f "$data/quiz.csv" ] ||
        fail "the removal took the lesson's result or interaction file"
    pass "removed in ${uninstall_s}s: no file, folder or product left; the lesson's files stay"
else
    pass "removed in ${uninstall_s}s: no file, folder or product left"
    skip "the lesson's result and interaction files outlive the removal (no lesson ran)"
fi

# The folder is found by the launcher's component, whose GUID no version changes: an upgrade
# from a package of the previous release keeps it too.
older=$((minor ? major : major - 1)).$((minor ? minor - 1 : 0)).0
older_msi=$work/tarnskov-$older-x86.msi
build_msi "$older_msi" "$older" "$bin/tarnskov.exe"
echo "== upgrade from $older in $custom_w: msiexec /i $(basename "$msi") /qn"
# With another viewer registered, no package touches its ProgID nor installs the bridge.
register_other_viewer
install_one older "$older_msi" "$bin/tarnskov.exe" "$custom_w" "INSTALLDIR=$custom_w"
install_one upgrade-from-older "$msi" "$bin/tarnskov.exe" "$custom_w"
expect_bridge "with another viewer" "" "$other_viewer"
[ ! -e "$custom/tarnskov-powerpoint.exe" ] || fail "the bridge's program is there beside another viewer"
pass "upgrade from $older: one product, still in $custom_w; another viewer's ProgID kept, no bridge"

# Removed beside that viewer, then installed again without it: a viewer registered after the bridge
# keeps its ProgID at the removal, which takes the bridge's own keys; the user's options value stays.
remove_one() { # <what> <msi>
    rc=$(msi_run /x "$(winpath "$2")" /qn)
    [ "$rc" = 0 ] && [ -z "$(installed_products)" ] || fail "$1: msiexec /x exited $rc"
}
remove_one "removal beside another viewer" "$msi"
expect_bridge "removed beside another viewer" "" "$other_viewer"
w reg delete "$viewer_key" /f /reg:32 >/dev/null
install_one bridge-again "$msi" "$bin/tarnskov.exe" "$instdir_w"
expect_bridge "installed again" "$instdir_w"
register_other_viewer
[ -n "$(macro)" ] || w reg add "$options" /v MacroVirusProtection /t REG_DWORD /d 1 /f >/dev/null
options_before=$(macro)
remove_one "removal beside a later viewer" "$msi"
expect_bridge "removed beside a later viewer" "" "$other_viewer"
[ "$(macro)" = "$options_before" ] || fail "the removal changed MacroVirusProtection: $(macro)"
pass "removals beside another viewer keep its ProgID; the bridge's own keys go, the options value stays"

echo "msi package: $(stat -c %s "$msi") bytes; install ${install_s}s, removal ${uninstall_s}s" \
    "under Wine"
echo "msi: $passed passed, 0 failed, $skipped skipped"
