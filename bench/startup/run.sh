#!/usr/bin/env bash
# Start-to-window time and peak RSS of DA-VEV beside a minimal Qt Widgets
# window and the same window with one line of text, alternating, under Xvfb
# and openbox.
# Usage: run.sh BUILD_DIR [RUNS]
set -euo pipefail

build=$(realpath "${1:?usage: run.sh BUILD_DIR [RUNS]}")
runs=${2:-20}
for tool in Xvfb openbox xprop; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

source "$(dirname "$0")/../../scripts/x-session.sh"
x_session_start davev-startup
mkdir -p "$XDG_CONFIG_HOME/DA-VEV" "$SCRATCH/work"
# No timer may start: the program only shows its window.
cat >"$XDG_CONFIG_HOME/DA-VEV/DA-VEV.ini" <<INI
[General]
AUTOSTART_TICKBOX=0
AUTOCLOSE_TICKBOX=0
LOOP_1MIN_TICKBOX=0
LOOP_5MIN_TICKBOX=0
AlwaysOnTopTimer_TICKBOX=0
INI

"$build/bench/startup/startup_bench" "$runs" "$SCRATCH/work" \
    "DA-VEV=$build/src/DA-VEV" "minimal=$build/bench/startup/minimal_window" \
    "one-label=$build/bench/startup/labelled_window"
