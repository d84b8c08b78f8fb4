#!/usr/bin/env bash
# Builds DA-VEV and runs every check and test: formatting, the rule that
# platform headers stay in their own folders, the full suite with warnings as
# errors, and the suite again under AddressSanitizer and UBSan.
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

echo "== Windows program under Wine"
bash scripts/test-windows.sh
