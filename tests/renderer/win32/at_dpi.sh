#!/usr/bin/env bash
# Runs a Windows program with the screen at DPI dots per inch (Wine takes the
# user's LogPixels when a process starts), then puts the usual 96 back.
# Usage: at_dpi.sh DPI PROGRAM [ARGUMENTS...]
set -euo pipefail
wine=$(dirname "$0")/../../../scripts/wine-run.sh
logPixels() { "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
trap 'logPixels 96' EXIT
logPixels "$1"
shift
"$wine" "$@"
