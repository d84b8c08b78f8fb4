#!/usr/bin/env bash
# No DLL dropped beside the programs is loaded into them. With Wine told to
# prefer a DLL found on the search path to its own (as Windows' loader
# takes one from the program's folder first), DLLs are planted beside both
# programs, unpacked as from the zip, and each program is run; none of the
# DLLs may have been loaded. A program that imports SHELL32 at load time is
# run the same way and must load one, or the setting shows nothing.
#
# What Wine cannot show: its own USER32 imports VERSION, and its own DLLs
# delay-load OLE32, from the program's folder whatever the program asked
# for; Windows' USER32 imports no VERSION, and Windows' delay loads follow
# the process's DLL directories. So DA-VEV.exe, a program with windows, is
# checked for the DLLs only its own loading could bring in.
# Needs the X session and the Wine prefix that scripts/test-windows.sh sets up.
# Usage: planting.sh DA-VEV.exe PLANTED_DLL CONTROL_EXE
set -euo pipefail
program=$1 planted=$2 control=$3
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "skipped: needs DISPLAY and WINEPREFIX (run scripts/test-windows.sh)"
    exit 77
fi
source "$(dirname "$0")/../../../scripts/conditions.sh"

work=$(mktemp -d -t davev-planting-XXXXXX)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
cp "$program" DA-VEV.exe
cp "$(dirname "$program")/da-vev-cmd.exe" "$control" .
plant() { for dll in "$@"; do cp "$planted" "$dll.dll"; done; }
loaded() { ls ./*.loaded 2>/dev/null | sed 's|^\./||; s|\.loaded$||' | tr '\n' ' '; }
export WINEDLLOVERRIDES="version,uxtheme,comctl32,shell32,ole32=n,b;winemenubuilder.exe=d;mscoree,mshtml="

plant version uxtheme comctl32 shell32 ole32
wine "$(basename "$control")" >/dev/null 2>&1 || true
[ -n "$(loaded)" ] || fail "the control loaded no planted DLL: this Wine shows nothing of the loader"
rm -f ./*.loaded

printf 'echo.imported >> "t.txt"\r\n' >Import.bat
wine da-vev-cmd.exe Import.bat >/dev/null 2>&1 || fail "da-vev-cmd.exe did not run: $(loaded)"
[ "$(cat t.txt)" = "$(printf 'imported\r')" ] || fail "da-vev-cmd.exe imported nothing"
[ -z "$(loaded)" ] || fail "da-vev-cmd.exe loaded $(loaded)"

rm -f version.dll ole32.dll
export WINEDLLOVERRIDES="uxtheme,comctl32,shell32=n,b;winemenubuilder.exe=d;mscoree,mshtml="
title="DA-VEV - DA-VEV"
window() { xdotool search --onlyvisible --name "^$title\$" | head -n1 | grep .; }
activated() { wmctrl -a "$title" && keyboard_in "$(window)"; }
failure_logged() { find "$WINEPREFIX/drive_c/users" -path '*/DA-VEV/imports.log' -exec grep -q "could not be started" {} +; }
wine DA-VEV.exe >/dev/null 2>&1 &
pid=$!
wait_for 60 window || fail "no window"
wait_for 30 activated || fail "could not bring the window to the front"
# Run Now without a batch file: the failure is logged, in the folder the shell names.
xdotool key --clearmodifiers --delay 50 Tab Tab Tab Tab Tab space
wait_for 30 failure_logged || fail "the failed launch was not logged"
xdotool key --clearmodifiers Return
wmctrl -c "$title"
wait_for 60 bash -c "! kill -0 $pid" || fail "DA-VEV.exe did not end"
pid=
[ -z "$(loaded)" ] || fail "DA-VEV.exe loaded $(loaded)"
echo "1 passed, 0 failed"
