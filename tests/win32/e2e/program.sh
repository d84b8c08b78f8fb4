#!/usr/bin/env bash
# DA-VEV.exe under Wine, driven as a user would: type both paths, Save, close
# through the window manager; the registry and the batch file hold what was
# typed, and a second start restores it. Run Now appends to the target, the
# first always-on-top promotion happens, and an unattended AutoStart +
# AutoClose run imports once and closes itself, as does a copy without a
# batch file, whose failed launch the log keeps.
# Needs the X session (with openbox) and the Wine prefix that
# scripts/test-windows.sh sets up.
# Usage: program.sh DA-VEV.exe
set -euo pipefail
PROGRAM=$1

for tool in wine wineserver wmctrl xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "skipped: needs DISPLAY and WINEPREFIX (run scripts/test-windows.sh)"
    exit 77
fi

source "$(dirname "$0")/../../../scripts/conditions.sh"

WORK=$(mktemp -d -t davev-wine-e2e-XXXXXX)
APP_PID=
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK"
# As the zip unpacks: the program with its interpreter beside it.
cp "$PROGRAM" DA-VEV.exe
cp "$(dirname "$PROGRAM")/da-vev-cmd.exe" .
# Paths as the Windows program sees them (drive Z: is the root).
win_path() { winepath -w "$1" 2>/dev/null; }

SETTINGS='HKCU\Software\VB and VBA Program Settings\DA-VEV\DA-VEV'
reg_value() { wine reg query "$SETTINGS" /v "$1" 2>/dev/null | sed -n "s/^ *$1 *REG_SZ *//p" | tr -d '\r' | head -n1; }
reg_set() { wine reg add "$SETTINGS" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1; }

APP_TITLE="DA-VEV - DA-VEV"
window_id() { xdotool search --onlyvisible --name "^$1\$" | head -n1 | grep .; }
# Wine names its X window before the window manager has taken it on, so
# asking for the activation is repeated until it holds.
activated() { wmctrl -a "$1" && keyboard_in "$(window_id "$1")"; }
activate() { wait_for 30 activated "$1" || fail "could not bring $1 to the front"; }
keys() { xdotool key --clearmodifiers --delay 50 "$@"; }
type_text() { xdotool type --clearmodifiers --delay 10 "$1"; }

start_program() {
    wine DA-VEV.exe >>"$WORK/program.log" 2>&1 &
    APP_PID=$!
    wait_for 60 window_id "$APP_TITLE" || fail "no window titled $APP_TITLE"
}
wait_program() {
    wait_for 60 bash -c "! kill -0 $APP_PID" || fail "program did not end"
    wait "$APP_PID" || fail "program exited with $?"
    APP_PID=
}
close_program() {
    wmctrl -c "$APP_TITLE"
    wait_program
}

wine reg delete "$SETTINGS" /f >/dev/null 2>&1 || true

echo "-- type, Save, close, registry and batch file"
printf 'line one\r\nline two' >"source file.txt"
source_path=$(win_path "$WORK/source file.txt")
target_path=$(win_path "$WORK/target.txt")
[ -n "$source_path" ] || fail "winepath gave nothing"
start_program
activate "$APP_TITLE"
keys Tab
type_text "$source_path"
keys Tab
type_text "$target_path"
keys Tab space
wait_for 20 test -f DA-VEV.bat || fail "Save wrote no batch file"
close_program

printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$source_path" "$target_path" "$target_path" >expected.bat
cmp DA-VEV.bat expected.bat || fail "batch file: $(od -c DA-VEV.bat)"
[ "$(reg_value SOURCE_TEXT_FILE_TEXTBOX)" = "$source_path" ] || fail "source not stored"
[ "$(reg_value TARGET_TEXT_FILE_TEXTBOX)" = "$target_path" ] || fail "target not stored"
[ "$(reg_value AlwaysOnTopTimer_TICKBOX)" = 1 ] || fail "option not stored"
[ "$(reg_value MAIN-Left)" = 1000 ] || fail "MAIN-Left: $(reg_value MAIN-Left)"
wine reg query "$SETTINGS" /v FULL_COMMAND_TEXTBOX | grep -q "REG_SZ *type \"$(printf %s "$source_path" | sed 's/[\\.]/\\&/g')\"" ||
    fail "command not stored"
wine reg query "$SETTINGS" /v MAIN-Width >/dev/null 2>&1 && fail "MAIN-Width must never be written"

echo "-- second start restores the values; Run Now appends; always on top"
rm DA-VEV.bat
start_program
activate "$APP_TITLE"
# Save writes the restored paths again, then Run Now.
keys Tab Tab Tab space
wait_for 20 test -f DA-VEV.bat || fail "Save wrote no batch file"
cmp DA-VEV.bat expected.bat || fail "paths not restored: $(od -c DA-VEV.bat)"
keys Tab Tab space
# da-vev-cmd.exe ran the batch file: its echo. writes CR LF alone.
expected_target=$(printf 'line one\r\nline two\r\n' | od -c)
target_complete() { [ "$(od -c target.txt)" = "$expected_target" ]; }
imports_log() { find "$WINEPREFIX/drive_c/users" -path '*/DA-VEV/imports.log' -exec cat {} + 2>/dev/null; }
wait_for 60 target_complete || fail "target: $(od -c target.txt 2>&1); log: $(imports_log)"
# Another window in front: the main window enters the topmost band.
above() { xprop -id "$(window_id "$1")" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
if command -v xmessage >/dev/null; then
    xmessage -name other -title other "in front" &
    other_pid=$!
    wait_for 20 window_id other || fail "xmessage did not map"
    activate other
    wait_for 10 above "$APP_TITLE" || fail "main window not made topmost"
    kill "$other_pid"
fi
close_program
[ "$(reg_value SOURCE_TEXT_FILE_TEXTBOX)" = "$source_path" ] || fail "source not restored"
[ "$(reg_value TARGET_TEXT_FILE_TEXTBOX)" = "$target_path" ] || fail "target not restored"

echo "-- unattended: AutoStart and AutoClose import once and close"
printf 'payload' >src.txt
printf 'type "src.txt" >> "dst.txt"\r\necho. >> "dst.txt"\r\n' >DA-VEV.bat
reg_set AUTOSTART_TICKBOX 1
reg_set AUTOCLOSE_TICKBOX 1
reg_set AlwaysOnTopTimer_TICKBOX 0
cp DA-VEV.exe Nightly.exe
for key in AUTOSTART_TICKBOX AUTOCLOSE_TICKBOX AlwaysOnTopTimer_TICKBOX; do
    wine reg add "${SETTINGS%DA-VEV}Nightly" /v $key /t REG_SZ /d "$(reg_value $key)" /f >/dev/null 2>&1
done
wine Nightly.exe >>"$WORK/program.log" 2>&1 &
nightly=$!
start_program
wait_program
wait_for 60 bash -c "! kill -0 $nightly" || fail "the copy without a batch file did not close itself"
wait "$nightly" || fail "the copy without a batch file exited with $?"
[ "$(od -c dst.txt)" = "$(printf 'payload\r\n' | od -c)" ] || fail "target: $(od -c dst.txt 2>&1)"
# Without a registered event source, each import leaves a line in the log file.
log=$(find "$WINEPREFIX/drive_c/users" -path '*/DA-VEV/imports.log' | head -n1)
[ -n "$log" ] && grep -q 'dst.txt": 9 bytes appended in .*succeeded' "$log" || fail "import not logged: ${log:-no log}"
grep -qF "batch file \"Nightly.bat\" could not be started in working directory \"$(win_path "$WORK")\": Error 2:" "$log" ||
    fail "failed launch not logged: $(cat "$log")"
[ "$(reg_value AUTOSTART_TICKBOX)" = 1 ] || fail "AutoStart not kept"
echo "1 passed, 0 failed"
