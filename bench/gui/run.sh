#!/usr/bin/env bash
# GUI benchmark of vimbra under a private Xvfb, timed through its probe file:
#   1. start-up: from the moment the process is started to the first grid
#      paint on the screen (the probe's first "present" line) on the demo
#      device, median of several runs;
#   2. pan: the time one stylus move takes to repaint a zoomed (1:1) 12 MP
#      picture in a 1280 × 960 viewer area and show it (the probe's "stylus
#      move ... took=" is the whole handler: the page's paint of the window
#      and the copy of the canvas to the screen, synchronously).
#
# Usage: bench/gui/run.sh [BUILD_DIR]   (default: build)
#   RUNS=N    start-up runs (default 5)     MOVES=N   pan moves (default 60)
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build}
RUNS=${RUNS:-5}
MOVES=${MOVES:-60}
E2E_VIMBRA=$BUILD/viewer/vimbra
MAKE_DEMO=$BUILD/tools/demo/vimbra-make-demo
source "$ROOT/tests/e2e/e2e_lib.sh"

[[ -x $E2E_VIMBRA && -x $MAKE_DEMO ]] || e2e_die "build vimbra and vimbra-make-demo in $BUILD first"
e2e_setup
e2e_start_xvfb
W=$E2E_WORK
"$MAKE_DEMO" "$W/demo" >/dev/null || e2e_die "vimbra-make-demo failed"

# Median and 95th percentile of numbers on standard input, one a line.
stats() {
  sort -n | awk '{ v[NR] = $1; s += $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    p = v[int(NR * 0.95 + 0.5) < 1 ? 1 : int(NR * 0.95 + 0.5)]
    printf "median %.1f  mean %.1f  p95 %.1f  min %.1f  max %.1f  (n=%d)", m, s / NR, p, v[1], v[NR], NR }'
}

stop_vimbra() {
  kill "$E2E_VIMBRA_PID" 2>/dev/null
  wait "$E2E_VIMBRA_PID" 2>/dev/null
  E2E_VIMBRA_PID=
}

# 1. Start-up to the first grid on the screen, and the part of it before
# main() (loading the program and its libraries).
startups=()
for ((run = 1; run <= RUNS; run++)); do
  : >"$E2E_PROBE"
  E2E_MARK=0
  started=$(date +%s%6N)
  VIMBRA_PROBE=$E2E_PROBE "$E2E_VIMBRA" --device "$W/demo" </dev/null >"$W/vimbra.log" 2>&1 &
  E2E_VIMBRA_PID=$!
  e2e_wait '^present '
  shown=$(sed 's/.* t=\([0-9]*\) .*/\1/' <<<"$E2E_LINE")
  in_main=$(e2e_latest '^start ' | sed 's/.* t=//')
  startups+=("$(((shown - started) / 1000)) $(((in_main - started) / 1000))")
  e2e_wait_idle
  stop_vimbra
done
echo "start-up to the first grid paint on the screen (ms), demo device, 240 x 268:"
echo "  $(printf '%s\n' "${startups[@]}" | awk '{ print $1 }' | stats)"
echo "  of which before main(): $(printf '%s\n' "${startups[@]}" | awk '{ print $2 }' | stats)"

# 2. Pan at 1:1 in a 1280 x 960 area: a device whose "My Documents" holds
# one 12 MP picture without an Exif thumbnail.
mkdir -p "$W/pan/My Documents"
# A hard link: a symbolic link would lead outside the device and not be shown.
ln "$W/demo/Large/Wide 12MP without thumbnail.jpg" "$W/pan/My Documents/wide.jpg"
e2e_start_vimbra --device "$W/pan" --size 1280x960
e2e_tap 40 40
# Zoom In until a click no longer repaints: the picture is then at 1:1.
for ((zoom = 0; zoom < 16; zoom++)); do
  e2e_tool 32775
  before=$E2E_MARK
  e2e_wait_idle
  # A zoom step repaints at once: the canvas is shown from inside the command.
  painted=$(awk -v from="$before" '$1 > from && $2 == "present"' "$E2E_PROBE")
  [[ -z $painted ]] && break
done
((zoom < 16)) || e2e_die "Zoom In kept repainting: the picture never reached 1:1"
e2e_park_pointer
read -r cx cy _ _ < <(e2e_canvas_rect)
e2e_mark
e2e_move $((cx + 900)) $((cy + 700))
xdotool mousedown 1
e2e_wait '^stylus down '
x=900
y=700
moves=()
for ((i = 0; i < MOVES; i++)); do
  # A zig-zag of 12-pixel steps that stays inside the picture.
  if ((i % 20 < 10)); then x=$((x - 12)); y=$((y - 8)); else x=$((x + 12)); y=$((y + 8)); fi
  e2e_move $((cx + x)) $((cy + y))
  before=$E2E_MARK
  e2e_wait "^stylus move $x $y "
  took=${E2E_LINE##*took=}
  shown=$(awk -v from="$before" '$1 > from && $2 == "present" { sub(/.*took=/, ""); print }' "$E2E_PROBE")
  moves+=("$took ${shown:-0}")
done
xdotool mouseup 1
e2e_wait '^stylus up '
echo "pan repaint at 1:1, 1280 x 960, one stylus move (ms), after $zoom Zoom In steps:"
echo "  $(printf '%s\n' "${moves[@]}" | awk '{ print $1 / 1000 }' | stats)"
echo "  of which the copy of the canvas to the screen: $(printf '%s\n' "${moves[@]}" | awk '{ print $2 / 1000 }' | stats)"
stop_vimbra
