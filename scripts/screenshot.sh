#!/usr/bin/env bash
# Draws docs/main-window.png: the main window as a user first sees it, under
# Xvfb with openbox. Usage: screenshot.sh PROGRAM [OUTPUT]
top=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${2:-$top/docs/main-window.png}")
source "$top/tests/e2e/session.sh" "$1"
command -v import >/dev/null || fail "import (imagemagick) is missing"

start_program
# Wait until the window has been drawn: its pixels are no longer all one colour.
drawn() { [ "$(import -window "$(window_id "$APP_TITLE")" -format '%k' info:)" -gt 8 ]; }
wait_for 10 drawn || fail "the window was never drawn"
import -frame -window "$(window_id "$APP_TITLE")" "$output"
close_program
echo "wrote $output"
