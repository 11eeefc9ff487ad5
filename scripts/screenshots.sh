#!/usr/bin/env bash
# Screenshots of the window's four pages, taken on a virtual X display.
#
#   scripts/screenshots.sh [BUILD/ui/talmire] OUTDIR
#
# Builds the small talmire-screenshots program beside the tool (in the tool's build folder,
# "build" when only OUTDIR is given), runs it under xvfb-run and writes
# OUTDIR/page1-system.png, page2-transparent.png, page3-modbus.png and page4-wiring.png,
# and the same pages with the Fusion style and a dark palette as page1-system-dark.png ...,
# then monitor.png: the monitor dock plotting talmire-sim's values (ten seconds).
# Needs xvfb (xvfb-run) and, to shrink the files, ImageMagick's convert (optional).
set -euo pipefail

usage() {
    echo "usage: $0 [BUILD/ui/talmire] OUTDIR" >&2
    exit 2
}

case $# in
1) build=build; out=$1 ;;
2) build=$(dirname "$(dirname "$1")"); out=$2 ;;
*) usage ;;
esac

if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "no CMake build folder at '$build' (run 'make build' first)" >&2
    exit 1
fi
cmake --build "$build" --target talmire-screenshots talmire-monitor-screenshot -j "$(nproc)" >/dev/null
tool="$build/scripts/screenshots/talmire-screenshots"
monitor="$build/scripts/screenshots/talmire-monitor-screenshot"

mkdir -p "$out"
# The screen is larger than the window so that nothing of it is cut off.
for theme in "" --dark; do
    xvfb-run -a -s "-screen 0 1280x800x24" \
        env QT_QPA_PLATFORM=xcb "$tool" $theme "$out"
done
xvfb-run -a -s "-screen 0 1280x1100x24" \
    env QT_QPA_PLATFORM=xcb "$monitor" "$out"

if command -v convert >/dev/null; then
    for png in "$out"/page[1-4]-*.png "$out"/monitor.png; do
        # A 256-colour palette keeps the text sharp and the files small.
        convert "$png" -strip -colors 256 "PNG8:$png.tmp" && mv "$png.tmp" "$png"
    done
fi
ls -l "$out"/page[1-4]-*.png "$out"/monitor.png
