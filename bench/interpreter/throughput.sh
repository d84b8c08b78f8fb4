#!/usr/bin/env bash
# Appends a 1 GiB source with da-vev-cmd, `cat src >> tgt` and `cp`, warm
# cache, then reports the interpreter's peak memory for 1 GiB and 1 KiB.
# Usage: throughput.sh DA_VEV_CMD [WORK_DIR]
set -euo pipefail

interpreter=$(realpath "${1:?usage: throughput.sh DA_VEV_CMD [WORK_DIR]}")
work=$(mktemp -d ${2:+-p "$2"} -t davev-throughput-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "file system: $(df -T . | awk 'NR == 2 { print $2 }')"
head -c 1G /dev/urandom > src
head -c 1K /dev/urandom > small
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$work/src" "$work/tgt" "$work/tgt" > big.bat
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$work/small" "$work/tgt" "$work/tgt" > small.bat
cat src > /dev/null # warm the page cache

if command -v hyperfine > /dev/null; then
    hyperfine --warmup 2 --runs 10 --prepare 'rm -f tgt; sync' \
        -n "da-vev-cmd (type >>)" "$interpreter big.bat" \
        -n "cat src >> tgt" "cat src >> tgt" \
        -n "cp src tgt" "cp src tgt"
else
    for command in "$interpreter big.bat" "cat src >> tgt" "cp src tgt"; do
        rm -f tgt; sync
        /usr/bin/time -f "$command: %e s" bash -c "$command"
    done
fi

peak() {
    rm -f tgt
    /usr/bin/time -f '%M' "$interpreter" "$1" 2>&1 > /dev/null | tail -1
}
echo "da-vev-cmd peak RSS, 1 GiB source: $(peak big.bat) KiB"
echo "da-vev-cmd peak RSS, 1 KiB source: $(peak small.bat) KiB"
[ "$(stat -c %s tgt)" -eq 1026 ] || { echo "wrong target size" >&2; exit 1; }
