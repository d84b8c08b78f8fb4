#!/usr/bin/env bash
# A copy of the program under another name, elsewhere on disk, shows its
# icon in both sizes on every window; Escape closes the Output Command
# window as its close box does, storing its position.
source "$(dirname "$0")/session.sh" "$1"

mkdir -p "$SCRATCH/elsewhere"
cp "$PROGRAM" "$SCRATCH/elsewhere/NightlyImport"
PROGRAM=$SCRATCH/elsewhere/NightlyImport
start_program

has_icon() {
    local icon
    icon=$(xprop -id "$(window_id "$1")" _NET_WM_ICON)
    grep -q "16 x 16" <<<"$icon" && grep -q "24 x 24" <<<"$icon"
}
wait_for 10 has_icon "$APP_TITLE" || fail "main window without its icon in both sizes"

keys Tab Tab Tab Tab space # START, source, target, Save, then Output Cmd
wait_for 30 window_id "DA-VEV - OUTPUT COMMAND" || fail "no Output Command window"
wait_for 10 has_icon "DA-VEV - OUTPUT COMMAND" || fail "Output Command window without the icon"
activate "DA-VEV - OUTPUT COMMAND"
keys Escape
wait_for 10 bash -c "! xdotool search --onlyvisible --name '^DA-VEV - OUTPUT COMMAND\$'" ||
    fail "Escape did not close the Output Command window"
[ -n "$(ini_value NightlyImport OUTPUT_WINDOW-Left)" ] || fail "closing by Escape stored no position"
close_program
echo "1 passed, 0 failed"
