#!/usr/bin/env bash
# Builds DA-VEV and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build/release}

bash "$top/scripts/deps.sh" build
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDAVEV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target DA-VEV
exec "$build/src/DA-VEV"
