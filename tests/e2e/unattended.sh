#!/usr/bin/env bash
# With AutoStart and AutoClose stored, the program imports once and closes
# itself, storing its settings on the way out.
source "$(dirname "$0")/session.sh" "$1"

printf 'payload' >"$SCRATCH/src.txt"
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$SCRATCH/src.txt" "$SCRATCH/dst.txt" "$SCRATCH/dst.txt" >DA-VEV.bat
mkdir -p "$XDG_CONFIG_HOME/DA-VEV"
printf '[General]\nAUTOSTART_TICKBOX=1\nAUTOCLOSE_TICKBOX=1\nAlwaysOnTopTimer_TICKBOX=0\n' >"$(ini DA-VEV)"

start_program
wait_for 60 bash -c "! kill -0 $APP_PID" || fail "the program did not close itself"
wait "$APP_PID" || fail "exit status $?"
[ "$(od -c "$SCRATCH/dst.txt")" = "$(printf 'payload\r\n' | od -c)" ] || fail "target: $(od -c "$SCRATCH/dst.txt")"
[ "$(ini_value DA-VEV AUTOSTART_TICKBOX)" = 1 ] || fail "AutoStart not kept"
[ -n "$(ini_value DA-VEV MAIN-Left)" ] || fail "settings not stored on the way out"
echo "1 passed, 0 failed"
