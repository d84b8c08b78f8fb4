#!/usr/bin/env bash
# Another client in front: within two seconds it is not above others and the
# main window is. With the option stored as 0 the main window never is.
source "$(dirname "$0")/session.sh" "$1"
command -v xmessage >/dev/null || { echo "skipped: xmessage is missing"; exit 77; }

above() { xprop -id "$(window_id "$1")" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
not_above() { ! above "$1"; }

start_program
xmessage -name other -title other "in front" &
PIDS+=($!)
wait_for 10 window_id other || fail "xmessage did not map"
wait_for 10 wmctrl -r other -b add,above || fail "the window manager never took xmessage"
activate other
wait_for 2 above "$APP_TITLE" || fail "main window not above"
wait_for 2 not_above other || fail "the other window kept its above state"
close_program

sed -i 's/^AlwaysOnTopTimer_TICKBOX=.*/AlwaysOnTopTimer_TICKBOX=0/' "$(ini DA-VEV)"
start_program
activate other
# Let several one-second ticks pass, bounded by a condition that never holds.
wait_for 3 above "$APP_TITLE" && fail "main window became topmost with the option off"
close_program
echo "1 passed, 0 failed"
