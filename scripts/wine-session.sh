# Wine in a private prefix, for the Windows program's tests, screenshot and
# benchmarks. Source scripts/x-session.sh and call x_session_start first,
# then source this and call wine_session_start: the prefix goes under
# SCRATCH, so nothing lands in the user's home, and a Wine server stays up
# until the session ends (a new prefix takes a while to set up; a test that
# started first would wait on it).

wine_session_cleanup() {
    wineserver -k 2>/dev/null || true
    x_session_cleanup
}

wine_session_start() {
    export WINEPREFIX=$SCRATCH/wine WINEDEBUG=-all
    # No menu entries or file associations written to the desktop; no .NET
    # or Gecko installers offered.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
    # The Western European ANSI code page, 1252.
    export LC_ALL=C.UTF-8
    trap wine_session_cleanup EXIT
    mkdir -p "$WINEPREFIX"
    wineserver -p
    wine wineboot --init >"$SCRATCH/wineboot.log" 2>&1 </dev/null
}
