#!/usr/bin/env bash
# Types both paths, saves, closes through the window manager; the store and
# the batch file hold what was typed, and a second start restores it. A link
# under another name keeps settings and batch file of its own.
source "$(dirname "$0")/session.sh" "$1"

start_program
keys Tab
type_text "/tmp/in put.txt"
keys Tab
type_text "/tmp/target.txt"
keys Tab space
wait_for 10 test -f DA-VEV.bat || fail "Save wrote no batch file"
close_program

expected=$(printf 'type "/tmp/in put.txt" >> "/tmp/target.txt"\r\necho. >> "/tmp/target.txt"\r\n')
[ "$(cat DA-VEV.bat)" = "$expected" ] || fail "batch file: $(od -c DA-VEV.bat)"
[ "$(stat -c %s DA-VEV.bat)" -eq $((28 + 15 + 2 * 15)) ] || fail "batch file size"
[ "$(ini_value DA-VEV SOURCE_TEXT_FILE_TEXTBOX)" = "/tmp/in put.txt" ] || fail "source not stored"
[ "$(ini_value DA-VEV TARGET_TEXT_FILE_TEXTBOX)" = "/tmp/target.txt" ] || fail "target not stored"
[ "$(ini_value DA-VEV AlwaysOnTopTimer_TICKBOX)" = 1 ] || fail "option not stored"
grep -q '^FULL_COMMAND_TEXTBOX=.*\\r\\n' "$(ini DA-VEV)" || fail "command not stored with its line break"
grep -q '^MAIN-Width' "$(ini DA-VEV)" && fail "MAIN-Width must never be written"

# The second start restores the values: closing it again stores them unchanged.
start_program
close_program
[ "$(ini_value DA-VEV SOURCE_TEXT_FILE_TEXTBOX)" = "/tmp/in put.txt" ] || fail "source not restored"

start_program NightlyImport
keys Tab
type_text "/tmp/other.txt"
keys Tab Tab space
wait_for 10 test -f NightlyImport.bat || fail "the link wrote no batch file of its own"
close_program
[ "$(ini_value NightlyImport SOURCE_TEXT_FILE_TEXTBOX)" = "/tmp/other.txt" ] || fail "link's settings"
[ "$(ini_value DA-VEV SOURCE_TEXT_FILE_TEXTBOX)" = "/tmp/in put.txt" ] || fail "link changed the original's settings"
grep -q other DA-VEV.bat && fail "link changed the original's batch file"
echo "1 passed, 0 failed"
