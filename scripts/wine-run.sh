#!/bin/sh
# Runs a Windows program under Wine: the cross build's emulator for ctest.
# Uses WINEPREFIX when set (scripts/test-windows.sh makes a private one),
# keeps Wine quiet and stops it from adding menu entries or file
# associations to the user's desktop.
set -eu
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree,mshtml=}"
exec wine "$@"
