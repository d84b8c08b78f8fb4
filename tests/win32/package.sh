#!/usr/bin/env bash
# The portable zip holds DA-VEV.exe, its interpreter da-vev-cmd.exe and
# README.txt and nothing else, and neither program needs a DLL beyond those
# every Windows system has.
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
for program in DA-VEV.exe da-vev-cmd.exe; do
    dlls=$("$objdump" -p "$out/unpacked/$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    for dll in $dlls; do
        case $dll in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | advapi32.dll | shell32.dll | ole32.dll | uxtheme.dll | msvcrt.dll) ;;
        *) fail "$program needs $dll beside it" ;;
        esac
    done
done
echo "1 passed, 0 failed"
