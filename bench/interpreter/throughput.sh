#!/usr/bin/env bash
# Appends a 1 GiB source with da-vev-cmd, which flushes the target before it
# ends, against `cp` followed by `sync` of the copy, warm cache, in the same
# run; then the interpreter's peak memory for 1 GiB and 1 KiB beside cp's.
# Usage: [RUNS=10] throughput.sh DA_VEV_CMD [WORK_DIR]
set -euo pipefail

interpreter=$(realpath "${1:?usage: throughput.sh DA_VEV_CMD [WORK_DIR]}")
work=$(realpath "$(mktemp -d ${2:+-p "$2"} -t davev-throughput-XXXXXX)")
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_STATE_HOME="$work/state"

echo "file system: $(df -T . | awk 'NR == 2 { print $2 }')"
head -c 1G /dev/urandom > src
head -c 1K /dev/urandom > small
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$work/src" "$work/tgt" "$work/tgt" > big.bat
printf 'type "%s" >> "%s"\r\necho. >> "%s"\r\n' "$work/small" "$work/tgt" "$work/tgt" > small.bat
cat src > /dev/null # warm the page cache

# Interleaved, so drift in the machine's load touches both alike.
runs=${RUNS:-10}
millis() { local start end; start=$(date +%s%N); "$@"; end=$(date +%s%N); echo $(((end - start) / 1000000)); }
flushed_copy() { cp src tgt && sync tgt; }
: > interpreter.ms
: > copy.ms
for ((run = 0; run < runs + 2; run++)); do # the first two warm up
    rm -f tgt; sync
    took=$(millis "$interpreter" big.bat)
    [ $run -ge 2 ] && echo "$took" >> interpreter.ms
    rm -f tgt; sync
    took=$(millis flushed_copy)
    [ $run -ge 2 ] && echo "$took" >> copy.ms
done
summary() { sort -n "$1" | awk '{ a[NR] = $1 } END { printf "median %d ms  min %d  max %d  (%d runs)", a[int((NR + 1) / 2)], a[1], a[NR], NR }'; }
echo "da-vev-cmd big.bat (flushed): $(summary interpreter.ms)"
echo "cp src tgt; sync tgt:         $(summary copy.ms)"

peak() {
    rm -f tgt
    /usr/bin/time -f '%M' "$@" 2>&1 > /dev/null | tail -1
}
echo "peak RSS, 1 GiB: da-vev-cmd $(peak "$interpreter" big.bat) KiB, cp $(peak cp src tgt) KiB"
echo "peak RSS, 1 KiB: da-vev-cmd $(peak "$interpreter" small.bat) KiB, cp $(peak cp small tgt) KiB"
rm -f tgt
"$interpreter" small.bat
[ "$(stat -c %s tgt)" -eq 1026 ] || { echo "wrong target size" >&2; exit 1; }
