# An X session for the end-to-end tests and the benchmarks: Xvfb with
# openbox, and a temporary HOME, configuration and working directory.
# Source it and call x_session_start [NAME]. It makes SCRATCH, a temporary
# directory named after NAME, and PIDS, the processes to end on exit (add
# yours); on exit both go. It exports HOME, XDG_CONFIG_HOME, XDG_STATE_HOME,
# XDG_RUNTIME_DIR and DISPLAY, and makes $SCRATCH/work.

x_session_cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$SCRATCH"
}

x_session_start() {
    SCRATCH=$(mktemp -d -t "${1:-davev}-XXXXXX")
    PIDS=()
    trap x_session_cleanup EXIT
    export HOME=$SCRATCH/home XDG_CONFIG_HOME=$SCRATCH/home/.config XDG_STATE_HOME=$SCRATCH/home/.local/state
    export XDG_RUNTIME_DIR=$SCRATCH/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$SCRATCH/work"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM

    local displayfd display_number
    exec {displayfd}<> <(:)
    Xvfb -displayfd "$displayfd" -screen 0 1280x1024x24 -nolisten tcp >"$SCRATCH/xvfb.log" 2>&1 &
    PIDS+=($!)
    read -r -t 30 -u "$displayfd" display_number || { echo "Xvfb did not start" >&2; return 1; }
    exec {displayfd}<&-
    export DISPLAY=:$display_number

    # Windows mapped before openbox manages the screen would go unmanaged.
    # An openbox that ends before it manages the screen is started again.
    local attempt _ openbox_pid
    for attempt in 1 2 3; do
        openbox >>"$SCRATCH/openbox.log" 2>&1 &
        openbox_pid=$!
        PIDS+=("$openbox_pid")
        for _ in $(seq 600); do
            xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW && return 0
            kill -0 "$openbox_pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -0 "$openbox_pid" 2>/dev/null && break
    done
    echo "openbox did not come up (attempt $attempt):" >&2
    cat "$SCRATCH/openbox.log" "$SCRATCH/xvfb.log" >&2
    return 1
}
