#!/usr/bin/env bash
# Time of one Save (settings through to disk and the batch file), headless.
# Usage: run.sh BUILD_DIR [SAVES] [TEMP_PARENT]
set -euo pipefail
build=$(realpath "${1:?usage: run.sh BUILD_DIR [SAVES] [TEMP_PARENT]}")
parent=${3:-${TMPDIR:-/tmp}}
echo "file system: $(df -T "$parent" | awk 'NR == 2 { print $2 }')"
exec "$build/bench/save/save_bench" "${2:-200}" "$parent"
