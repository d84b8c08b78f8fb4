# Waiting on conditions, for the end-to-end tests and the scripts that drive
# the program. Source it.

fail() { echo "FAIL: $*" >&2; exit 1; }

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
