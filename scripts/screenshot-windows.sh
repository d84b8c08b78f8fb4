#!/usr/bin/env bash
# Draws docs/main-window-windows.png: the Windows program's main window as a
# user first sees it, under Wine with Xvfb and openbox.
# Usage: screenshot-windows.sh DA-VEV.exe [OUTPUT]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$1")
output=$(realpath -m "${2:-$top/docs/main-window-windows.png}")
command -v import >/dev/null || { echo "import (imagemagick) is missing" >&2; exit 1; }

source "$top/scripts/conditions.sh"
source "$top/scripts/x-session.sh"
source "$top/scripts/wine-session.sh"
x_session_start davev-wine-shot
wine_session_start
cd "$SCRATCH/work"
cp "$program" DA-VEV.exe

title="DA-VEV - DA-VEV"
window_id() { xdotool search --onlyvisible --name "^$title\$" | head -n1 | grep .; }
drawn() { [ "$(import -window "$(window_id)" -format '%k' info:)" -gt 8 ]; }

wine DA-VEV.exe >"$SCRATCH/program.log" 2>&1 &
PIDS+=($!)
wait_for 60 window_id || fail "no window titled $title"
wait_for 20 drawn || fail "the window was never drawn"
import -frame -window "$(window_id)" "$output"
wmctrl -c "$title"
echo "wrote $output"
