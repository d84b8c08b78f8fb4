#!/usr/bin/env bash
# Once an administrator has registered the event source "DA-VEV", imports
# are logged to the Application event log instead of imports.log. Wine keeps
# no event log; it prints what is reported to its "eventlog" debug channel,
# which is where this test reads it.
# Needs the Wine prefix that scripts/test-windows.sh sets up.
# Usage: event_log.sh da-vev-cmd.exe
set -euo pipefail
interpreter=$1
if [ -z "${WINEPREFIX:-}" ]; then
    echo "skipped: needs WINEPREFIX (run scripts/test-windows.sh)"
    exit 77
fi
fail() { echo "FAIL: $*" >&2; exit 1; }

SOURCE='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\DA-VEV'
work=$(mktemp -d -t davev-eventlog-XXXXXX)
cleanup() {
    wine reg delete "$SOURCE" /f >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
printf 'payload' >src.txt
printf 'type "src.txt" >> "tgt.txt"\r\necho. >> "tgt.txt"\r\n' >DA-VEV.bat
wine reg add "$SOURCE" /f >/dev/null 2>&1 || fail "cannot register the event source"

log=$(find "$WINEPREFIX/drive_c/users" -path '*/DA-VEV/imports.log' 2>/dev/null | head -n1)
before=$([ -n "$log" ] && grep -c tgt.txt "$log" || true)
WINEDEBUG=-all,+eventlog wine "$interpreter" DA-VEV.bat >out.txt 2>err.txt || fail "exit status $?: $(cat err.txt)"
[ "$(od -An -c tgt.txt | tr -d ' ')" = 'payload\r\n' ] || fail "target: $(od -c tgt.txt)"
grep -q 'tgt.txt.*9 bytes appended in .*succeeded' err.txt || fail "not in the event log: $(cat err.txt)"
log=$(find "$WINEPREFIX/drive_c/users" -path '*/DA-VEV/imports.log' 2>/dev/null | head -n1)
after=$([ -n "$log" ] && grep -c tgt.txt "$log" || true)
[ "${after:-0}" = "${before:-0}" ] || fail "also written to $log"
echo "1 passed, 0 failed"
