#!/usr/bin/env bash
# da-vev-cmd.exe under Wine against the system interpreter's `copy /b` of
# the same file, warm cache, interleaved in one run: a 259 MiB text source
# appended to a 1 KiB target. da-vev-cmd flushes the target before it ends,
# so `copy /b` is timed both alone and followed by `sync` of the target; the
# system interpreter running the same batch file is timed too. Every row
# starts one Wine process (two for the flushed copy), so the start-up of
# Wine is in all of them.
# Usage: [RUNS=10] interpreter.sh WINDOWS_BUILD
set -euo pipefail
windows=$(realpath "${1:?usage: interpreter.sh WINDOWS_BUILD}")
top=$(cd "$(dirname "$0")/../.." && pwd)
source "$top/scripts/x-session.sh"
source "$top/scripts/wine-session.sh"
x_session_start davev-wine-interpreter
wine_session_start
cd "$SCRATCH"
echo "wine: $(wine --version); file system: $(df -T . | awk 'NR == 2 { print $2 }')"

# Text, as the program appends text files; Wine's type stops at a NUL byte.
head -c 192M /dev/urandom | base64 -w 76 >src
size=$(stat -c %s src)
head -c 1K /dev/urandom >small
printf 'type "src" >> "tgt"\r\necho. >> "tgt"\r\n' >big.bat
cat src >/dev/null # warm the page cache

runs=${RUNS:-10}
millis() { local start end; start=$(date +%s%N); "$@" >/dev/null 2>&1; end=$(date +%s%N); echo $(((end - start) / 1000000)); }
ours() { wine "$windows/src/da-vev-cmd.exe" big.bat; }
copy_b() { wine cmd /d /c 'copy /b tgt+src tgt'; }
flushed_copy_b() { copy_b && sync tgt; }
system_batch() { wine cmd /d /c big.bat; }
rows=(ours copy_b flushed_copy_b system_batch)
for row in "${rows[@]}"; do : >"$row.ms"; done
for ((run = 0; run < runs + 2; run++)); do # the first two warm up
    for row in "${rows[@]}"; do
        cp small tgt
        sync
        took=$(millis "$row")
        [ $run -ge 2 ] && echo "$took" >>"$row.ms"
        # The source, then CR LF from da-vev-cmd's echo., space CR LF from cmd's.
        case $row in
        ours) expected=$((1024 + size + 2)) ;;
        system_batch) expected=$((1024 + size + 3)) ;;
        *) expected=$((1024 + size)) ;;
        esac
        [ "$(stat -c %s tgt)" -eq "$expected" ] || { echo "$row: target has $(stat -c %s tgt) bytes" >&2; exit 1; }
    done
done
median() { sort -n "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
summary() { sort -n "$1" | awk '{ a[NR] = $1 } END { printf "median %d ms  min %d  max %d  (%d runs)", a[int((NR + 1) / 2)], a[1], a[NR], NR }'; }
echo "da-vev-cmd.exe big.bat (flushed): $(summary ours.ms)"
echo "cmd copy /b tgt+src tgt:          $(summary copy_b.ms)"
echo "cmd copy /b, then sync tgt:       $(summary flushed_copy_b.ms)"
echo "cmd big.bat (type, echo.):        $(summary system_batch.ms)"
awk -v a="$(median ours.ms)" -v b="$(median copy_b.ms)" -v c="$(median flushed_copy_b.ms)" \
    'BEGIN { printf "ratio da-vev-cmd / copy /b: %.2f; / flushed copy /b: %.2f\n", a / b, a / c }'
