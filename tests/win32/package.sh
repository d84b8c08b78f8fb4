#!/usr/bin/env bash
# The portable zip holds DA-VEV.exe, its interpreter da-vev-cmd.exe and
# README.txt (with CR LF line ends) and nothing else, and neither program
# imports at load time a DLL but the known DLLs, which the loader always
# takes, with theirs, from the system folder: never one from the folder the
# zip was unpacked into.
# Usage: package.sh BUILD_DIR CPACK OBJDUMP
set -euo pipefail
build=$1 cpack=$2 objdump=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(mktemp -d -t davev-zip-XXXXXX)
trap 'rm -rf "$out"' EXIT
(cd "$build" && "$cpack" -G ZIP -B "$out" >"$out/cpack.log") || fail "cpack: $(cat "$out/cpack.log")"
zips=("$out"/*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || fail "no zip"
listing=$(cd "$out" && cmake -E tar tf "${zips[0]}" | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "DA-VEV.exe README.txt da-vev-cmd.exe " ] || fail "zip holds: $listing"

mkdir "$out/unpacked"
(cd "$out/unpacked" && cmake -E tar xf "${zips[0]}")
# README.txt reads like Windows: every line ends in CR LF.
lines=$(wc -l <"$out/unpacked/README.txt")
[ "$lines" -gt 1 ] && [ "$(grep -c $'\r$' "$out/unpacked/README.txt")" = "$lines" ] ||
    fail "README.txt has lines that do not end in CR LF"
for program in DA-VEV.exe da-vev-cmd.exe; do
    dlls=$("$objdump" -p "$out/unpacked/$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    for dll in $dlls; do
        case $dll in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | msvcrt.dll) ;;
        *) fail "$program imports $dll, which the loader would look for beside it first" ;;
        esac
    done
done
echo "1 passed, 0 failed"
