# Waiting on conditions, for the end-to-end tests and the scripts that drive
# the program. Source it.

fail() { echo "FAIL: $*" >&2; exit 1; }

# keyboard_in WINDOW_ID: the window is the active one and holds the X input
# focus, so keys sent now reach it. The window manager names a window active
# before its client has taken the focus (Wine some 50 ms before), and keys
# sent in between are lost.
keyboard_in() {
    [ -n "$1" ] && [ "$(xdotool getactivewindow)" = "$1" ] && [ "$(xdotool getwindowfocus -f)" = "$1" ]
}

# wait_for SECONDS COMMAND...: polls until the command succeeds; returns 1
# once SECONDS have passed without it.
wait_for() {
    local limit=$1; shift
    local end=$((SECONDS + limit))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.05
    done
}
