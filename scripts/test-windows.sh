#!/usr/bin/env bash
# Cross-builds the Windows program and runs its tests under Wine: the shared
# unit tests, the Windows services, the Win32 renderer and the program end
# to end. Wine gets a private prefix in a temporary directory, and an X
# session of its own (Xvfb with openbox), so nothing lands in the user's home
# and no display is needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${BUILD_DIR:-$top/build}/windows
cd "$top"

bash scripts/deps.sh windows

echo "== Windows: build"
cmake --preset windows -B "$out" -DCMAKE_BUILD_TYPE=Debug -DDAVEV_WERROR=ON >/dev/null
cmake --build "$out" -j2

echo "== Windows: test under Wine"
source scripts/x-session.sh
x_session_start davev-wine
export WINEPREFIX=$SCRATCH/wine WINEDEBUG=-all
# No menu entries or file associations written to the desktop; no .NET or
# Gecko installers offered.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
# Western European ANSI code page (1252), which the file output tests expect.
export LC_ALL=C.UTF-8
stop_wine() {
    wineserver -k 2>/dev/null || true
    x_session_cleanup
}
trap stop_wine EXIT
# A new prefix takes a while to set up: do it once, with a server that stays
# up between the tests, or the first test waits on it.
mkdir -p "$WINEPREFIX"
wineserver -p
wine wineboot --init >"$SCRATCH/wineboot.log" 2>&1 </dev/null
status=0
ctest --test-dir "$out" --output-on-failure --timeout 600 || status=$?

# Wine was told to leave the desktop alone: no menu entries, no associations.
leftovers=$(find "$HOME" -path "$WINEPREFIX" -prune -o \
    \( -name '*.desktop' -o -name '*.menu' -o -name 'mimeapps.list' -o -name '*.xml' \) -print)
if [ -n "$leftovers" ]; then
    echo "Wine wrote to the home directory: $leftovers" >&2
    status=1
fi
exit $status
