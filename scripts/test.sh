#!/usr/bin/env bash
# Builds DA-VEV and runs every check and test: formatting, the rule that
# platform headers stay in their own folders, the full suite with warnings as
# errors, the suite again under AddressSanitizer and UBSan, a Release build
# with warnings as errors (the optimiser warns about things a Debug build
# never looks at; its tests are the same, so they are not run again), and a
# short, fixed run of the interpreter's fuzzers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${BUILD_DIR:-$top/build}
cd "$top"

bash scripts/deps.sh test

echo "== formatting"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

echo "== platform headers"
bash scripts/check-headers.sh

for config in werror sanitize; do
    echo "== build and test: $config"
    options=(-DCMAKE_BUILD_TYPE=Debug -DDAVEV_WERROR=ON)
    [ $config = sanitize ] && options+=(-DDAVEV_SANITIZE=ON)
    cmake -S . -B "$out/$config" -G Ninja "${options[@]}" >/dev/null
    cmake --build "$out/$config" -j2
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$out/$config" -j2 --output-on-failure --timeout 300
done

echo "== build: release with warnings as errors"
cmake -S . -B "$out/release-werror" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDAVEV_WERROR=ON >/dev/null
cmake --build "$out/release-werror" -j2

echo "== fuzz: batch line parser and runner"
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

echo "== Windows program under Wine"
bash scripts/test-windows.sh
