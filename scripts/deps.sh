#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# when any of them is missing. Usage: deps.sh build|run|test|bench|windows
set -euo pipefail

build=(g++ cmake ninja-build pkg-config qt6-base-dev libgl-dev libx11-dev libgtest-dev imagemagick fonts-liberation)
run=(fonts-liberation)
test=(clang-format xvfb openbox wmctrl xdotool x11-utils desktop-file-utils appstream dpkg-dev file libglib2.0-bin)
bench=(hyperfine time xvfb openbox x11-utils)
# The interpreter's fuzzers, ACL checks and the package check.
checks=(clang libclang-rt-14-dev acl lintian)
# The Windows program, cross-built, packed and tested under Wine.
windows=(g++-mingw-w64-x86-64-posix wine wine64 icoutils imagemagick xvfb openbox x11-utils xdotool wmctrl zip unzip)

wanted=("${build[@]}" "${run[@]}")
case "${1:-build}" in
test) wanted+=("${test[@]}" "${checks[@]}" "${windows[@]}") ;;
bench) wanted+=("${test[@]}" "${bench[@]}" "${windows[@]}") ;;
windows) wanted+=("${windows[@]}") ;;
esac

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root (or install these packages) first." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
