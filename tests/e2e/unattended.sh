#!/usr/bin/env bash
# With AutoStart and AutoClose stored, the program imports once and closes
# itself, storing its settings on the way out. A copy whose batch file was
# never saved closes itself too, and its failed launch stays in the log
# after the auto-close has taken the error box away.
source "$(dirname "$0")/session.sh" "$1"

printf 'payload' >"$SCRATCH/src.txt"
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$SCRATCH/src.txt" "$SCRATCH/dst.txt" "$SCRATCH/dst.txt" >DA-VEV.bat
mkdir -p "$XDG_CONFIG_HOME/DA-VEV"
printf '[General]\nAUTOSTART_TICKBOX=1\nAUTOCLOSE_TICKBOX=1\nAlwaysOnTopTimer_TICKBOX=0\n' >"$(ini DA-VEV)"
cp "$(ini DA-VEV)" "$(ini Nightly)"

start_program Nightly
unsaved=$APP_PID
start_program
for pid in "$APP_PID" "$unsaved"; do
    wait_for 60 bash -c "! kill -0 $pid" || fail "a program did not close itself"
    wait "$pid" || fail "exit status $?"
done
[ "$(od -c "$SCRATCH/dst.txt")" = "$(printf 'payload\r\n' | od -c)" ] || fail "target: $(od -c "$SCRATCH/dst.txt")"
[ "$(ini_value DA-VEV AUTOSTART_TICKBOX)" = 1 ] || fail "AutoStart not kept"
[ -n "$(ini_value DA-VEV MAIN-Left)" ] || fail "settings not stored on the way out"
if [ ! -S /dev/log ]; then
    grep -qF "batch file \"Nightly.bat\" could not be started in working directory \"$PWD\": Error 2:" \
        "$XDG_STATE_HOME/DA-VEV/imports.log" || fail "log: $(cat "$XDG_STATE_HOME/DA-VEV/imports.log" 2>&1)"
fi
echo "1 passed, 0 failed"
