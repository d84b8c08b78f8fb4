#!/usr/bin/env bash
# Settings that cannot be stored are never lost silently. An error box
# stands above the window it reports for, also when that window is kept on
# top. Closed by the user: the error box stays, in front, until it is
# dismissed, and the program then exits non-zero. Closed by a signal: the
# failure is logged and the program exits non-zero at once. Neither a
# writer that never lets go of the settings' lock nor a file-size limit
# holds the program up or kills it: the store fails like any other.
source "$(dirname "$0")/session.sh" "$1"
command -v xmessage >/dev/null || { echo "skipped: xmessage is missing"; exit 77; }

box_id() { xdotool search --onlyvisible --name '^DA-VEV$' | head -n1 | grep .; }
above() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
dismiss_box() {
    wait_for 10 keyboard_in "$1" || fail "the error box is not in front"
    keys Return
    wait_for 10 bash -c "! xdotool search --onlyvisible --name '^DA-VEV\$'" || fail "the error box stayed"
}

mkdir -p "$(ini DA-VEV)" # the settings file replaced by a directory
start_program

# Always On Top makes the main window topmost once another window is in front.
xmessage -name other -title other "in front" &
PIDS+=($!)
wait_for 10 window_id other || fail "xmessage did not map"
activate other
wait_for 10 above "$(window_id "$APP_TITLE")" || fail "the main window never became topmost"
activate "$APP_TITLE"
keys Tab Tab Tab space # START, source, target, then Save: the store refuses
wait_for 30 box_id || fail "no error box for Save"
box=$(box_id)
xprop -id "$box" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$(window_id "$APP_TITLE")")" ||
    fail "the error box does not belong to the main window"
above "$box" || fail "the error box is not kept above the topmost main window"
dismiss_box "$box"

wmctrl -c "$APP_TITLE"
wait_for 30 box_id || fail "no error box at the close"
kill -0 "$APP_PID" || fail "the program ended before the error was read"
dismiss_box "$(box_id)"
wait_for 30 bash -c "! kill -0 $APP_PID" || fail "program did not end once the error was dismissed"
status=0
wait "$APP_PID" || status=$?
[ "$status" -ne 0 ] || fail "exit status 0 after settings were lost"
grep -q "Is a directory" "$SCRATCH/program.log" || fail "failure not logged: $(cat "$SCRATCH/program.log")"

start_program
kill -TERM "$APP_PID"
wait_for 30 bash -c "! kill -0 $APP_PID" || fail "program waited for someone after a signal"
status=0
wait "$APP_PID" || status=$?
[ "$status" -ne 0 ] || fail "exit status 0 after settings were lost on a signal"
# Without a system log, the failure goes where the imports are logged.
if [ ! -S /dev/log ]; then
    grep -q "Error 21: Is a directory" "$XDG_STATE_HOME/DA-VEV/imports.log" ||
        fail "failure on a signal not logged"
fi

logged() { [ -S /dev/log ] || grep -q "$1" "$XDG_STATE_HOME/DA-VEV/imports.log"; }
# Another writer holds the lock and is stopped, as in a debugger.
printf '[General]\n' >"$(ini Held)"
(exec 9>"$(ini Held).lock" && flock 9 && exec sleep 600) </dev/null >/dev/null 2>&1 &
holder=$!
PIDS+=("$holder")
start_program Held
kill -TERM "$APP_PID"
wait_for 60 bash -c "! kill -0 $APP_PID" || fail "a held lock held the program up"
status=0
wait "$APP_PID" || status=$?
[ "$status" -eq 1 ] || fail "exit status $status with the settings' lock held"
logged "Error 11: Resource temporarily unavailable: cannot lock .*Held.ini: another program held" ||
    fail "held lock not logged: $(cat "$XDG_STATE_HOME/DA-VEV/imports.log")"
kill "$holder"

# A file-size limit below the settings file's size.
printf '[General]\nNOTES=%s\n' "$(printf '%*s' 4000 '' | tr ' ' x)" >"$(ini Limited)"
ln -sf "$PROGRAM" "$SCRATCH/Limited"
(ulimit -f 2 && exec "$SCRATCH/Limited") >>"$SCRATCH/program.log" 2>&1 &
APP_PID=$!
PIDS+=("$APP_PID")
wait_for 30 window_id "DA-VEV - Limited" || fail "no window under a file-size limit"
kill -TERM "$APP_PID"
wait_for 30 bash -c "! kill -0 $APP_PID" || fail "program did not end"
status=0
wait "$APP_PID" || status=$?
[ "$status" -eq 1 ] || fail "exit status $status under a file-size limit"
logged "Error 27: File too large" || fail "file-size limit not logged: $(cat "$XDG_STATE_HOME/DA-VEV/imports.log")"
[ "$(ls -A "$XDG_CONFIG_HOME/DA-VEV" | grep Limited)" = "Limited.ini" ] ||
    fail "left beside the settings: $(ls -A "$XDG_CONFIG_HOME/DA-VEV")"
echo "1 passed, 0 failed"
