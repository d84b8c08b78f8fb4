#!/usr/bin/env bash
# Builds DA-VEV and runs every check and test: formatting, the rule that
# platform headers stay in their own folders, the full suite in one Debug
# build with warnings as errors under AddressSanitizer and UBSan, a Release
# build of the programs with warnings as errors (the optimiser warns about
# things a Debug build never looks at; the tests are the same, so they are
# neither built nor run again), a short, fixed run of the interpreter's
# fuzzers, and the Windows build and its tests under Wine. Each step says when
# it began, counted from the first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${BUILD_DIR:-$top/build}
cd "$top"

bash scripts/deps.sh test

began=$SECONDS
step() {
    echo "== $* (at $((SECONDS - began)) s)"
}

step formatting
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

step platform headers
bash scripts/check-headers.sh

step build and test: Debug, warnings as errors, AddressSanitizer and UBSan
cmake -S . -B "$out/debug" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDAVEV_WERROR=ON -DDAVEV_SANITIZE=ON >/dev/null
cmake --build "$out/debug" -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$out/debug" -j2 --output-on-failure --timeout 300

step build: Release with warnings as errors
cmake -S . -B "$out/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDAVEV_WERROR=ON -DDAVEV_BUILD_TESTS=OFF >/dev/null
cmake --build "$out/release" -j2

step fuzz: batch line parser and runner
cmake -S . -B "$out/fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DDAVEV_WERROR=ON \
    -DDAVEV_FUZZ=ON >/dev/null
cmake --build "$out/fuzz" -j2
for fuzzer in batch_line runner; do
    # New inputs go to a scratch folder; the seeds in the repository stay as they are.
    scratch=$(mktemp -d)
    log="$scratch/log"
    if ! "$out/fuzz/tests/interpreter/fuzz/${fuzzer}_fuzz" -runs=20000 -seed=1 -artifact_prefix="$out/fuzz/" \
        "$scratch" "tests/interpreter/fuzz/corpus/$fuzzer" >"$log" 2>&1; then
        tail -n 60 "$log"
        exit 1
    fi
    echo "${fuzzer}_fuzz: $(grep -m1 -o 'Done [0-9]* runs in [0-9]* second(s)' "$log")"
    rm -rf "$scratch"
done

step Windows program under Wine
bash scripts/test-windows.sh
step done
