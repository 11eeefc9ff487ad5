#!/usr/bin/env bash
# Screenshots of the window's four pages, taken on a virtual X display.
#
#   scripts/screenshots.sh [BUILD/ui/talmire] OUTDIR
#
# Builds the small talmire-screenshots program beside the tool (in the tool's build folder,
# "build" when only OUTDIR is given), runs it under xvfb-run and writes
# OUTDIR/page1-system.png, page2-transparent.png, page3-modbus.png and page4-wiring.png,
# and the same pages with the Fusion style and a dark palette as page1-system-dark.png ...,
# then monitor.png: the monitor dock plotting talmire-sim's values (ten seconds), and
# compare-table.png: the "Compare with module" table for the simulator's module and a
# profile with three settings changed, and docks-scale1.png, docks-scale1.5.png: a 1600 x 900
# screen with the window, its traffic log and its monitor open, at the scales of 1 and 1.5.
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
cmake --build "$build" --target talmire-screenshots talmire-monitor-screenshot \
    talmire-compare-shot talmire-docks-screenshot talmire-sim talmire-cli -j "$(nproc)" >/dev/null
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

# The window with its docks on a laptop's screen, at the ordinary scale and at 1.5.
for scale in 1 1.5; do
    xvfb-run -a -s "-screen 0 1600x900x24" env QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
        "$build/scripts/screenshots/talmire-docks-screenshot" "$out" "docks-scale$scale"
done

# The compare table: the simulated module's profile, and a copy with three values changed.
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/sim/talmire-sim" --link "$work/tty" --fixed-values >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do grep -q ready "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
"$build/cli/talmire-cli" --port "$work/tty" profile read "$work/module.json" >/dev/null
python3 - "$work/module.json" "$work/profile.json" <<'PY'
import json, sys
profile = json.load(open(sys.argv[1]))
changes = {"slave-address": ("007", "7"), "rs485.baud": ("4", "19200"),
           "operating-mode": ("1", "MODBUS single instrument operating mode")}
for key, (value, label) in changes.items():
    profile["settings"][key] = {"value": value, "label": label}
json.dump(profile, open(sys.argv[2], "w"), indent=4)
PY
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
    "$build/scripts/screenshots/talmire-compare-shot" "$work/module.json" "$work/profile.json" \
    "$out/compare-table.png"

if command -v convert >/dev/null; then
    for png in "$out"/page[1-4]-*.png "$out"/monitor.png "$out"/compare-table.png "$out"/docks-scale*.png; do
        # A 256-colour palette keeps the text sharp and the files small.
        convert "$png" -strip -colors 256 "PNG8:$png.tmp" && mv "$png.tmp" "$png"
    done
fi
ls -l "$out"/page[1-4]-*.png "$out"/monitor.png "$out"/compare-table.png "$out"/docks-scale*.png
