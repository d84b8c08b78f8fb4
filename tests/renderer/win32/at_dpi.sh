#!/usr/bin/env bash
# Runs a Windows program with the screen at DPI dots per inch: Wine takes
# the resolution from the user's LogPixels when a process starts. The
# prefix's own value is put back afterwards.
# Usage: at_dpi.sh DPI PROGRAM [ARGUMENTS...]
set -euo pipefail
dpi=$1
shift
wine=$(dirname "$0")/../../../scripts/wine-run.sh
key='HKCU\Control Panel\Desktop'
before=$("$wine" reg query "$key" /v LogPixels 2>/dev/null | sed -n 's/.*REG_DWORD *0x\([0-9a-fA-F]*\).*/\1/p' || true)
restore() {
    if [ -n "$before" ]; then
        "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d $((16#$before)) /f
    else
        "$wine" reg delete "$key" /v LogPixels /f
    fi >/dev/null 2>&1
}
trap restore EXIT
"$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
"$wine" "$@"
