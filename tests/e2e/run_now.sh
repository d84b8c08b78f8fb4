#!/usr/bin/env bash
# Save with two paths, Run Now twice: the target holds two whole copies of
# the source, each followed by CR LF.
source "$(dirname "$0")/session.sh" "$1"

printf 'line one\nline two' >"$SCRATCH/source file.txt"
start_program
keys Tab
type_text "$SCRATCH/source file.txt"
keys Tab
type_text "$SCRATCH/target.txt"
keys Tab space
wait_for 10 test -f DA-VEV.bat || fail "Save wrote no batch file"
keys Tab Tab space space
expected=$(printf 'line one\nline two\r\nline one\nline two\r\n' | od -c)
target_complete() { [ "$(od -c "$SCRATCH/target.txt")" = "$expected" ]; }
wait_for 30 target_complete || fail "target: $(od -c "$SCRATCH/target.txt" 2>&1)"
close_program
echo "1 passed, 0 failed"
