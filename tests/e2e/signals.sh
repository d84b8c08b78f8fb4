#!/usr/bin/env bash
# SIGTERM closes the main window the normal way: the settings are stored and
# the process exits 0.
source "$(dirname "$0")/session.sh" "$1"

start_program
keys Tab
type_text "/tmp/kept.txt"
kill -TERM "$APP_PID"
wait_program
[ "$(ini_value DA-VEV SOURCE_TEXT_FILE_TEXTBOX)" = "/tmp/kept.txt" ] || fail "settings not stored on SIGTERM"
echo "1 passed, 0 failed"
