#!/usr/bin/env bash
# Idle wake-ups per second (context switches of all threads) of the program,
# Xvfb and openbox over SECONDS: first with the main window in front (the
# anchor: ticks that find nothing to do), then with another window in front
# while Always On Top keeps the main window above it.
# Usage: wakeups.sh PROGRAM [SECONDS]
set -euo pipefail
program=$(realpath "${1:?usage: wakeups.sh PROGRAM [SECONDS]}")
seconds=${2:-10}
for tool in Xvfb openbox xmessage xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done
source "$(dirname "$0")/../../scripts/x-session.sh"
x_session_start davev-wakeups
cd "$SCRATCH/work"
xvfb=${PIDS[0]} openbox=${PIDS[1]}

"$program" >"$SCRATCH/program.log" 2>&1 &
app=$!
PIDS+=("$app")
xmessage -name other -title other "in front" &
PIDS+=($!)
for _ in $(seq 600); do
    # Listed by the window manager, so that wmctrl can bring them to the front.
    clients=$(wmctrl -l 2>/dev/null) || true
    grep -q ' DA-VEV - ' <<<"$clients" && grep -q ' other$' <<<"$clients" && break
    sleep 0.05
done

switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ { s += $2 } END { print s }'; }
measure() {
    wmctrl -a "$2"
    sleep 3 # let the window manager settle
    local a0 x0 o0
    a0=$(switches "$app") x0=$(switches "$xvfb") o0=$(switches "$openbox")
    sleep "$seconds"
    awk -v what="$1" -v a=$(($(switches "$app") - a0)) -v x=$(($(switches "$xvfb") - x0)) \
        -v o=$(($(switches "$openbox") - o0)) -v s="$seconds" \
        'BEGIN { printf "%-22s %8.1f %8.1f %8.1f %8.1f\n", what, a / s, x / s, o / s, (a + x + o) / s }'
}
printf "%-22s %8s %8s %8s %8s\n" "wake-ups per second" "DA-VEV" "Xvfb" "openbox" "total"
measure "main window in front" "DA-VEV - "
measure "other window in front" other
