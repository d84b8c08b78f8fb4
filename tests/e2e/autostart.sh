#!/usr/bin/env bash
# The README's autostart entry, launched the way a desktop session launches
# autostart entries (GLib's desktop-entry launcher, through gio): the
# program starts in the entry's Path, imports once and closes itself.
source "$(dirname "$0")/session.sh" "$1"
command -v gio >/dev/null || { echo "skipped: gio is missing (libglib2.0-bin)"; exit 77; }
command -v desktop-file-validate >/dev/null || { echo "skipped: desktop-file-validate is missing"; exit 77; }

readme=$(dirname "$0")/../../README.md
entry=$XDG_CONFIG_HOME/autostart/da-vev-import.desktop
mkdir -p "$(dirname "$entry")"
# The first ini block after the section's heading.
sed -n '/^## Importing at every login/,/^## /p' "$readme" | sed -n '/^```ini$/,/^```$/{/^```/d;p}' >"$entry"
grep -qx 'Exec=DA-VEV' "$entry" || fail "the README's entry does not run DA-VEV: $(cat "$entry")"
grep -q '^Path=/' "$entry" || fail "the README's entry has no absolute Path"
desktop-file-validate "$entry" || fail "the README's entry is not a valid desktop entry"

# The user's folder for the import; the session itself starts elsewhere.
imports=$SCRATCH/imports
mkdir -p "$imports"
sed -i "s|^Path=.*|Path=$imports|" "$entry"
printf 'payload' >"$imports/src.txt"
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$imports/src.txt" "$imports/dst.txt" "$imports/dst.txt" >"$imports/DA-VEV.bat"
mkdir -p "$XDG_CONFIG_HOME/DA-VEV"
printf '[General]\nAUTOSTART_TICKBOX=1\nAUTOCLOSE_TICKBOX=1\nAlwaysOnTopTimer_TICKBOX=0\n' >"$(ini DA-VEV)"

# Exec names the program as installed: found on PATH.
PATH=$(dirname "$PROGRAM"):$PATH gio launch "$entry" >>"$SCRATCH/program.log" 2>&1 || fail "gio launch failed"
wait_for 30 window_id "DA-VEV - DA-VEV" || fail "no window: $(cat "$SCRATCH/program.log")"
pid=$(xdotool getwindowpid "$(window_id "DA-VEV - DA-VEV")")
PIDS+=("$pid")
[ "$(readlink "/proc/$pid/cwd")" = "$(cd "$imports" && pwd -P)" ] || fail "started in $(readlink "/proc/$pid/cwd")"
wait_for 60 bash -c "! kill -0 $pid" || fail "the program did not close itself"
[ "$(od -c "$imports/dst.txt")" = "$(printf 'payload\r\n' | od -c)" ] || fail "target: $(od -c "$imports/dst.txt")"
[ ! -e "$SCRATCH/work/dst.txt" ] || fail "imported in the wrong folder"
echo "1 passed, 0 failed"
