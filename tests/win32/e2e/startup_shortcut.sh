#!/usr/bin/env bash
# Importing at every login as README.txt says: a shortcut in the Startup
# folder to DA-VEV.exe whose "Start in" is the folder of the saved batch
# file. The shortcut is made through the shell (IShellLink) and opened as
# Windows opens the Startup folder's shortcuts at login; Wine's `start`
# follows a shortcut into its "Start in" folder. With AutoStart and
# AutoClose saved, the program imports once there and closes itself. The
# same shortcut without "Start in" starts the program in the folder it was
# opened from, where there is no batch file: the failed launch is logged.
# Wine runs no scheduled tasks, so the README's Task Scheduler task is not
# tried here.
# Needs the X session and the Wine prefix that scripts/test-windows.sh sets up.
# Usage: startup_shortcut.sh DA-VEV.exe MAKE_SHORTCUT_EXE
set -euo pipefail
program=$1 make_shortcut=$2

for tool in wine winepath; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "skipped: needs DISPLAY and WINEPREFIX (run scripts/test-windows.sh)"
    exit 77
fi
source "$(dirname "$0")/../../../scripts/conditions.sh"

work=$(mktemp -d -t davev-startup-XXXXXX)
settings='HKCU\Software\VB and VBA Program Settings\DA-VEV\DA-VEV'
startup=
cleanup() {
    wine reg delete "$settings" /f >/dev/null 2>&1 || true
    [ -n "$startup" ] && rm -f "$startup/DA-VEV import.lnk"
    rm -rf "$work"
}
trap cleanup EXIT
win_path() { winepath -w "$1" 2>/dev/null; }

# As the zip unpacks, and a folder of imports apart from it.
folder="$work/DA-VEV-1.0-win64"
imports="$work/My imports"
mkdir "$folder" "$imports" "$work/elsewhere"
cp "$program" "$folder/DA-VEV.exe"
cp "$(dirname "$program")/da-vev-cmd.exe" "$folder/"
printf 'payload' >"$imports/src.txt"
printf 'type "src.txt" >> "dst.txt"\r\necho. >> "dst.txt"\r\n' >"$imports/DA-VEV.bat"
program_path=$(win_path "$folder/DA-VEV.exe")
# This copy runs while a process has its Windows path for a command line, as
# Wine gives the programs it starts. Wine's own process list (winedbg's "info
# process") is no judge: now and then it leaves out a program still running.
running() { ps -ww -eo args= | grep -Fx "$program_path" >/dev/null; }
ended() { ! running; }
[[ $(wine winedbg --command "info process" 2>/dev/null) != *"'DA-VEV.exe'"* ]] ||
    fail "a DA-VEV.exe is already running in this Wine prefix"
wine reg delete "$settings" /f >/dev/null 2>&1 || true
for key in AUTOSTART_TICKBOX AUTOCLOSE_TICKBOX; do
    wine reg add "$settings" /v $key /t REG_SZ /d 1 /f >/dev/null 2>&1
done
wine reg add "$settings" /v AlwaysOnTopTimer_TICKBOX /t REG_SZ /d 0 /f >/dev/null 2>&1

appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
startup=$(winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Startup" 2>/dev/null)
[ -n "$appdata" ] && [ -n "$startup" ] || fail "no Startup folder: APPDATA is '$appdata'"
mkdir -p "$startup"
link_path=$(win_path "$startup")'\DA-VEV import.lnk'

# open_at_login [START_IN]: makes the shortcut and opens it from the folder
# elsewhere, as the Startup folder's shortcuts are opened at login; returns
# once the program it started has ended. Wine's `start` returns at once for
# a shortcut, so the program is looked for among the processes.
open_at_login() {
    rm -f "$startup/DA-VEV import.lnk"
    wine "$make_shortcut" "$link_path" "$program_path" "$@" 2>>"$work/wine.log" ||
        fail "make_shortcut failed: $(cat "$work/wine.log")"
    [ -s "$startup/DA-VEV import.lnk" ] || fail "no shortcut saved"
    (cd "$work/elsewhere" && wine start "$link_path" >>"$work/wine.log" 2>&1) || fail "start: $(cat "$work/wine.log")"
    wait_for 60 running || fail "the shortcut started no DA-VEV.exe: $(cat "$work/wine.log")"
    wait_for 90 ended || fail "the program did not close itself"
}
imports_log() { find "$WINEPREFIX/drive_c/users" -path '*/DA-VEV/imports.log' -exec cat {} + 2>/dev/null; }

echo "-- a shortcut that starts the program in the batch file's folder imports once"
open_at_login "$(win_path "$imports")"
[ "$(od -c "$imports/dst.txt")" = "$(printf 'payload\r\n' | od -c)" ] ||
    fail "target: $(od -c "$imports/dst.txt" 2>&1); log: $(imports_log)"
grep -F "into \"$(win_path "$imports")\\dst.txt\": 9 bytes appended in " <<<"$(imports_log)" | grep -q succeeded ||
    fail "import not logged: $(imports_log)"

echo "-- without Start in, it starts elsewhere, finds no batch file, and the failed launch is logged"
open_at_login
[ ! -e "$work/elsewhere/dst.txt" ] || fail "imported in the wrong folder"
[ "$(od -c "$imports/dst.txt")" = "$(printf 'payload\r\n' | od -c)" ] || fail "imported again: $(od -c "$imports/dst.txt")"
grep -qF "batch file \"DA-VEV.bat\" could not be started in working directory \"$(win_path "$work/elsewhere")\": Error 2:" <<<"$(imports_log)" ||
    fail "failed launch not logged: $(imports_log)"
echo "1 passed, 0 failed"
