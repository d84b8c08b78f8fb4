#!/bin/sh
# Runs a Windows program under Wine: the cross build's emulator for ctest.
# Uses WINEPREFIX when set (scripts/test-windows.sh makes a private one for
# each run), otherwise one prefix per user under the temporary directory,
# never ~/.wine. Keeps Wine quiet and stops it from adding menu entries or
# file associations to the user's desktop.
set -eu
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/davev-wine-$(id -u)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree,mshtml=}"
mkdir -p "$WINEPREFIX"
exec wine "$@"
