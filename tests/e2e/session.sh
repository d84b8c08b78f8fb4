# Shared by the end-to-end tests: an X server with a window manager, a
# temporary HOME and working directory, and waits on conditions.
# Usage: source session.sh PROGRAM
set -euo pipefail

PROGRAM=$1
for tool in Xvfb openbox wmctrl xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/conditions.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x-session.sh"
x_session_start davev-e2e || fail "no X session"
cd "$SCRATCH/work"

ini() { echo "$XDG_CONFIG_HOME/DA-VEV/$1.ini"; }
ini_value() { sed -n "s/^$2=//p" "$(ini "$1")"; }

# start_program [NAME]: runs the program (or a link to it under NAME) and
# waits for its main window; sets APP_PID and APP_TITLE.
start_program() {
    local name=${1:-}
    local exe=$PROGRAM
    if [ -n "$name" ]; then
        ln -sf "$PROGRAM" "$SCRATCH/$name"
        exe=$SCRATCH/$name
    fi
    APP_TITLE="DA-VEV - ${name:-$(basename "$PROGRAM")}"
    "$exe" >>"$SCRATCH/program.log" 2>&1 &
    APP_PID=$!
    PIDS+=("$APP_PID")
    wait_for 30 window_id "$APP_TITLE" || fail "no window titled $APP_TITLE"
    activate "$APP_TITLE"
}

window_id() { xdotool search --name "^$1\$" | head -n1 | grep .; }
active_is() { keyboard_in "$(window_id "$1")"; }
# A window is found by its title as soon as it is made, but wmctrl finds it
# only once the window manager manages it.
activate() {
    wait_for 10 wmctrl -a "$1" || fail "the window manager never took $1"
    wait_for 10 active_is "$1" || fail "could not bring $1 to the front"
}
keys() { xdotool key --clearmodifiers --delay 30 "$@"; }
type_text() { xdotool type --clearmodifiers --delay 5 "$1"; }

# close_program: closes the main window through the window manager and
# waits for the process to end; fails when it exits with an error.
close_program() {
    wmctrl -c "$APP_TITLE"
    wait_program
}
wait_program() {
    wait_for 30 bash -c "! kill -0 $APP_PID" || fail "program did not end"
    wait "$APP_PID" || fail "program exited with $?"
}
