#!/usr/bin/env bash
# The Windows program under Wine beside the Linux build, in one run under
# one Xvfb with openbox: start to main window and peak RSS (DA-VEV and a bare
# window of each kind, alternating), then the time of one Save.
# Usage: run.sh LINUX_BUILD WINDOWS_BUILD [RUNS] [SAVES] [EARLIER_WINDOWS_BUILD]
#   LINUX_BUILD: a Release build with -DDAVEV_BUILD_BENCH=ON
#   WINDOWS_BUILD: the same from the windows preset
#   EARLIER_WINDOWS_BUILD: another such build (of an earlier commit, say),
#   whose DA-VEV.exe joins the start-up runs as "before.exe/Wine"
# PIN_CPU=N runs the whole session (X, Wine and the programs) on CPU N: on
# a virtual machine, the wake-ups between a Wine program and wineserver on
# two CPUs can cost more than the work itself, and in runs that differ.
set -euo pipefail
if [ -n "${PIN_CPU:-}" ] && [ -z "${DAVEV_BENCH_PINNED:-}" ]; then
    DAVEV_BENCH_PINNED=1 exec taskset -c "$PIN_CPU" bash "$0" "$@"
fi
usage="usage: run.sh LINUX_BUILD WINDOWS_BUILD [RUNS] [SAVES] [EARLIER_WINDOWS_BUILD]"
linux=$(realpath "${1:?$usage}")
windows=$(realpath "${2:?$usage}")
runs=${3:-20}
saves=${4:-200}
earlier=${5:+$(realpath "$5")}
for tool in Xvfb openbox xprop wine wineserver winepath; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

top=$(cd "$(dirname "$0")/../.." && pwd)
source "$top/scripts/x-session.sh"
source "$top/scripts/wine-session.sh"
x_session_start davev-wine-bench
wine_session_start
echo "wine: $(wine --version); file system: $(df -T "$SCRATCH" | awk 'NR == 2 { print $2 }')"

# No timer may start: each program only shows its window.
options="AUTOSTART_TICKBOX AUTOCLOSE_TICKBOX LOOP_1MIN_TICKBOX LOOP_5MIN_TICKBOX AlwaysOnTopTimer_TICKBOX"
mkdir -p "$XDG_CONFIG_HOME/DA-VEV"
{
    echo "[General]"
    for key in $options; do echo "$key=0"; done
} >"$XDG_CONFIG_HOME/DA-VEV/DA-VEV.ini"
for key in $options; do
    wine reg add 'HKCU\Software\VB and VBA Program Settings\DA-VEV\DA-VEV' /v "$key" /t REG_SZ /d 0 /f \
        >/dev/null 2>&1
done

# On Windows the shell is always up. Wine ends its desktop process
# (explorer.exe /desktop) a moment after its last window closes and starts it
# again with the next program's first window; a bare window kept open
# through the runs keeps it up, as the shell is on Windows.
wine "$windows/bench/windows/minimal_window.exe" >/dev/null 2>&1 &
PIDS+=($!)
keeper_shown() { xprop -root _NET_CLIENT_LIST | grep -q 0x; }
for _ in $(seq 600); do keeper_shown && break; sleep 0.05; done
keeper_shown || { echo "Wine showed no window" >&2; exit 1; }

# startup_bench runs a program without arguments: a Windows one through wine.
under_wine() {
    printf '#!/bin/sh\nexec wine "%s"\n' "$2" >"$SCRATCH/$1"
    chmod +x "$SCRATCH/$1"
    echo "$SCRATCH/$1"
}

echo "== Start to main window and peak RSS ($runs runs each, alternating)"
subjects=("DA-VEV.exe/Wine=$(under_wine DA-VEV "$windows/src/DA-VEV.exe")")
[ -z "$earlier" ] || subjects+=("before.exe/Wine=$(under_wine earlier "$earlier/src/DA-VEV.exe")")
"$linux/bench/startup/startup_bench" "$runs" "$SCRATCH/work" "${subjects[@]}" \
    "minimal/Wine=$(under_wine minimal "$windows/bench/windows/minimal_window.exe")" \
    "DA-VEV/Linux=$linux/src/DA-VEV" \
    "minimal-Qt/Linux=$linux/bench/startup/minimal_window"

echo "== One Save ($saves after 20 warm-up), same file system"
echo "-- Linux: settings INI and batch file"
"$linux/bench/save/save_bench" "$saves" "$SCRATCH"
echo "-- Windows under Wine: registry and ANSI batch file, beside plain writes"
wine "$windows/bench/windows/save_bench.exe" "$saves" "$(winepath -w "$SCRATCH")"
