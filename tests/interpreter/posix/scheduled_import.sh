#!/usr/bin/env bash
# The manual page's imports without a desktop, run the way cron and a
# systemd user service run them: its crontab line through /bin/sh from the
# home folder, and its service's ExecStart= in its WorkingDirectory=, with
# the built interpreter in place of the installed one. Each runs with no
# display and no terminal (a session of its own, input from /dev/null,
# output to a file) in the minimal environment cron gives: no DISPLAY, no
# XDG_* variable. Each must append the source once, print nothing (so cron
# mails nothing) and, where there is no system log, leave its line in
# ~/.local/state/DA-VEV/imports.log. With systemd-analyze at hand, the
# service and the timer must pass its check.
# Usage: scheduled_import.sh DA-VEV-CMD MANUAL_PAGE
set -euo pipefail
interpreter=$(readlink -f "$1") page=$2
installed=/usr/libexec/da-vev/da-vev-cmd
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d -t davev-scheduled-XXXXXX)
trap 'rm -rf "$work"' EXIT
home=$work/home
mkdir -p "$home/imports"
printf 'payload' >"$home/imports/source.txt"
printf 'first\n' >"$home/imports/target.txt"
# As the program saves it, with paths relative to its folder.
printf 'type "source.txt" >> "target.txt"\r\necho. >> "target.txt"' >"$home/imports/DA-VEV.bat"

# example N: the Nth example in the manual page, as it reads.
example() {
    awk -v n="$1" '/^\.EE$/ { inside = 0 } inside && count == n { print } /^\.EX$/ { inside = 1; count++ }' "$page" |
        sed 's/\\-/-/g'
}
cron_command=$(example 1 | cut -d' ' -f6-)
service=$(example 2)
timer=$(example 3)
[[ $cron_command == *"$installed "* ]] || fail "the crontab line does not run $installed: $cron_command"
working_directory=$(sed -n 's/^WorkingDirectory=//p' <<<"$service")
exec_start=$(sed -n 's/^ExecStart=//p' <<<"$service")
[[ $exec_start == "$installed "* ]] || fail "the service does not run $installed: $exec_start"

# scheduled DIR COMMAND...: runs COMMAND in DIR as cron and systemd do.
scheduled() {
    local dir=$1
    shift
    (cd "$dir" && env -i HOME="$home" PATH=/usr/bin:/bin LOGNAME="$(id -un)" SHELL=/bin/sh \
        "$(command -v setsid)" --wait "$@" </dev/null >"$work/output" 2>&1) ||
        fail "exit status $?: $(cat "$work/output")"
    [ ! -s "$work/output" ] || fail "printed: $(cat "$work/output")"
}

# imported TIMES: the target holds the source TIMES times, and the log as many lines.
imported() {
    local expected=first$'\n' log=$home/.local/state/DA-VEV/imports.log
    for _ in $(seq "$1"); do expected+=payload$'\r\n'; done
    [ "$(od -c "$home/imports/target.txt")" = "$(printf %s "$expected" | od -c)" ] ||
        fail "target: $(od -c "$home/imports/target.txt")"
    if [ -e /dev/log ]; then
        echo "log line not checked: this system has a system log (/dev/log), which takes it"
        return
    fi
    [ "$(grep -cF "into \"$home/imports/target.txt\": 9 bytes appended in " "$log")" = "$1" ] &&
        [ "$(grep -c 'succeeded$' "$log")" = "$1" ] || fail "log: $(cat "$log" 2>&1)"
}

echo "-- the crontab line: $cron_command"
scheduled "$home" /bin/sh -c "${cron_command/$installed/$interpreter}"
imported 1

echo "-- the systemd service: ExecStart=$exec_start in WorkingDirectory=$working_directory"
# shellcheck disable=SC2086 # ExecStart= is split into words, as systemd does
scheduled "${working_directory/\%h/$home}" ${exec_start/$installed/$interpreter}
imported 2

if command -v systemd-analyze >/dev/null; then
    mkdir -p "$work/units" "$work/runtime"
    chmod 700 "$work/runtime"
    sed "s|^ExecStart=$installed|ExecStart=$interpreter|" <<<"$service" >"$work/units/da-vev-import.service"
    echo "$timer" >"$work/units/da-vev-import.timer"
    HOME=$home XDG_RUNTIME_DIR=$work/runtime systemd-analyze --user verify \
        "$work/units/da-vev-import.service" "$work/units/da-vev-import.timer" >"$work/output" 2>&1 ||
        fail "systemd-analyze: $(cat "$work/output")"
fi
echo "1 passed, 0 failed"
