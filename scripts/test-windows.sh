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
source scripts/wine-session.sh
x_session_start davev-wine
wine_session_start
status=0
# Two at a time: the tests that put windows on the display take turns (CTest's
# resource lock "display").
ctest --test-dir "$out" -j2 --output-on-failure --timeout 600 || status=$?

# Wine was told to leave the desktop alone: no menu entries, no associations.
leftovers=$(find "$HOME" -path "$WINEPREFIX" -prune -o \
    \( -name '*.desktop' -o -name '*.menu' -o -name 'mimeapps.list' -o -name '*.xml' \) -print)
if [ -n "$leftovers" ]; then
    echo "Wine wrote to the home directory: $leftovers" >&2
    status=1
fi
exit $status
