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

scratch=$(mktemp -d -t davev-startup-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 30 -u "$displayfd" display_number || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display_number
openbox >"$scratch/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 600); do
    xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW && break
    sleep 0.05
done
xprop -root _NET_SUPPORTED | grep -q _NET_ACTIVE_WINDOW || { echo "openbox did not come up" >&2; exit 1; }

export HOME=$scratch/home
export XDG_CONFIG_HOME=$HOME/.config
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/DA-VEV" "$scratch/work"
# No timer may start: the program only shows its window.
cat >"$XDG_CONFIG_HOME/DA-VEV/DA-VEV.ini" <<INI
[General]
AUTOSTART_TICKBOX=0
AUTOCLOSE_TICKBOX=0
LOOP_1MIN_TICKBOX=0
LOOP_5MIN_TICKBOX=0
AlwaysOnTopTimer_TICKBOX=0
INI

"$build/bench/startup/startup_bench" "$runs" "$scratch/work" \
    "DA-VEV=$build/src/DA-VEV" "minimal=$build/bench/startup/minimal_window" \
    "one-label=$build/bench/startup/labelled_window"
