#!/usr/bin/env bash
# Timer accuracy of the real program under Xvfb and openbox.
#   autoclose: AUTOSTART and AUTOCLOSE stored; how late the launch comes after
#              13 s and the exit after 23 s, over RUNS runs (default 5).
#   loop:      AUTOSTART and LOOP_1MIN stored; the launches of three cycles
#              (13, 79, 145 s), then SIGTERM.
# The launch moment is the target's mtime, i.e. when the interpreter appended.
# Usage: run.sh BUILD_DIR [autoclose|loop|all] [RUNS]
set -euo pipefail

build=$(realpath "${1:?usage: run.sh BUILD_DIR [autoclose|loop|all] [RUNS]}")
mode=${2:-all}
runs=${3:-5}
program=$build/src/DA-VEV
[ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }
for tool in Xvfb openbox xprop; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

source "$(dirname "$0")/../../scripts/x-session.sh"
x_session_start davev-timers
work=$SCRATCH/work
mkdir -p "$HOME" "$XDG_CONFIG_HOME/DA-VEV" "$work"
src=$work/src.txt
tgt=$work/tgt.txt
printf 'one small line\r\n' >"$src"

# prepare AUTOCLOSE LOOP_1MIN
prepare() {
    cat >"$XDG_CONFIG_HOME/DA-VEV/DA-VEV.ini" <<EOF
[General]
AUTOSTART_TICKBOX=1
AUTOCLOSE_TICKBOX=$1
LOOP_1MIN_TICKBOX=$2
LOOP_5MIN_TICKBOX=0
AlwaysOnTopTimer_TICKBOX=0
SOURCE_TEXT_FILE_TEXTBOX=$src
TARGET_TEXT_FILE_TEXTBOX=$tgt
EOF
    printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$src" "$tgt" "$tgt" >"$work/DA-VEV.bat"
    : >"$tgt"
}

size() { stat -c %s "$tgt"; }
now() { date +%s.%N; }
late_ms() { awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN { printf "%.1f", (b - a - s) * 1000 }'; }

# Starts the program; sets app_pid and t_start (taken right before exec).
start() {
    (cd "$work" && now >"$SCRATCH/t0" && exec "$program" >>"$SCRATCH/program.log" 2>&1) &
    app_pid=$!
    PIDS+=("$app_pid")
    until [ -s "$SCRATCH/t0" ]; do sleep 0.001; done
    t_start=$(<"$SCRATCH/t0")
    rm -f "$SCRATCH/t0"
}

# Waits (up to LIMIT s after start) until the target grows beyond BYTES;
# prints the target's mtime, or nothing on timeout.
wait_launch() {
    local bytes=$1 limit=$2
    while [ "$(size)" -le "$bytes" ]; do
        awk -v a="$t_start" -v b="$(now)" -v l="$limit" 'BEGIN { exit !(b - a > l) }' && return 0
        sleep 0.002
    done
    sleep 0.05 # let the second line land so the next cycle's baseline is right
    stat -c %.9Y "$tgt"
}

if [ "$mode" = autoclose ] || [ "$mode" = all ]; then
    echo "== AUTOSTART + AUTOCLOSE: $runs runs (expected launch 13 s, exit 23 s)"
    printf '%-4s %14s %14s\n' run "launch late ms" "exit late ms"
    for run in $(seq "$runs"); do
        prepare 1 0
        start
        t_launch=$(wait_launch 0 40)
        [ -n "$t_launch" ] || { echo "run $run: no launch within 40 s" >&2; kill "$app_pid"; wait "$app_pid" || true; continue; }
        # The program exits by itself; give it at most 40 s in all.
        ( sleep 40; kill "$app_pid" 2>/dev/null ) &
        guard=$!
        rc=0
        wait "$app_pid" || rc=$?
        t_exit=$(now)
        kill "$guard" 2>/dev/null || true
        wait "$guard" 2>/dev/null || true
        printf '%-4s %14s %14s%s\n' "$run" "$(late_ms "$t_start" "$t_launch" 13)" \
            "$(late_ms "$t_start" "$t_exit" 23)" "$([ $rc = 0 ] || echo "  (exit status $rc)")"
    done
fi

if [ "$mode" = loop ] || [ "$mode" = all ]; then
    echo "== AUTOSTART + LOOP_1MIN, AUTOCLOSE 0: three cycles (expected 13, 79, 145 s)"
    prepare 0 1
    start
    printf '%-6s %10s %10s %14s %16s\n' cycle "expect s" "at s" "late ms" "interval late ms"
    previous=
    for cycle in 1 2 3; do
        expect=$((13 + 66 * (cycle - 1)))
        bytes=$(size)
        t_launch=$(wait_launch "$bytes" $((expect + 30)))
        [ -n "$t_launch" ] || { echo "cycle $cycle: no launch" >&2; break; }
        at=$(awk -v a="$t_start" -v b="$t_launch" 'BEGIN { printf "%.3f", b - a }')
        interval=-
        [ -z "$previous" ] || interval=$(late_ms "$previous" "$t_launch" 66)
        printf '%-6s %10s %10s %14s %16s\n' "$cycle" "$expect" "$at" "$(late_ms "$t_start" "$t_launch" "$expect")" "$interval"
        previous=$t_launch
    done
    kill -TERM "$app_pid"
    rc=0
    wait "$app_pid" || rc=$?
    echo "SIGTERM: exit status $rc"
fi
