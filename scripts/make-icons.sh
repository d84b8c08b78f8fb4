#!/bin/sh
# Turns the hand-drawn icon sources into palette PNGs.
#   make-icons.sh [SOURCE_DIR [OUTPUT_DIR]]
# SOURCE_DIR holds da-vev-<size>.xpm (default: icons/ beside this script's
# folder); OUTPUT_DIR receives da-vev-<size>.png (default: SOURCE_DIR).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
source_dir=${1:-"$here/../icons"}
output_dir=${2:-"$source_dir"}

if command -v magick >/dev/null 2>&1; then
    convert_tool="magick"
elif command -v convert >/dev/null 2>&1; then
    convert_tool="convert"
else
    echo "make-icons.sh: ImageMagick (convert) is needed" >&2
    exit 1
fi

mkdir -p "$output_dir"
for size in 16 24; do
    src="$source_dir/da-vev-$size.xpm"
    dst="$output_dir/da-vev-$size.png"
    # Each source is drawn at its own size: refuse one that is not, rather
    # than let a scaled picture slip into the installed icons.
    actual=$(identify -format '%wx%h' "$src")
    if [ "$actual" != "${size}x${size}" ]; then
        echo "make-icons.sh: $src is $actual, expected ${size}x${size}" >&2
        exit 1
    fi
    # PNG8: an 8-bit palette of at most 256 colours, transparency in tRNS.
    # No time chunks, so the same source always gives the same bytes.
    "$convert_tool" "$src" -strip \
        -define png:exclude-chunks=date,time \
        "PNG8:$dst.tmp"
    mv "$dst.tmp" "$dst"
done
