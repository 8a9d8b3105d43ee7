#!/usr/bin/env bash
# Makes the README's screenshots from the real program: vimbra on a fresh
# demo device under a private Xvfb, its whole window (command bar included)
# captured on the grid and on a picture zoomed in twice.
#
# Usage: tools/make-screenshots.sh [BUILD_DIR]   (default: build)
# Writes docs/grid.png and docs/zoomed.png.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
E2E_VIMBRA=$BUILD/viewer/vimbra
MAKE_DEMO=$BUILD/tools/demo/vimbra-make-demo
source "$ROOT/tests/e2e/e2e_lib.sh"

[[ -x $E2E_VIMBRA && -x $MAKE_DEMO ]] || e2e_die "build vimbra and vimbra-make-demo in $BUILD first"
e2e_setup
e2e_start_xvfb
"$MAKE_DEMO" "$E2E_WORK/demo" >/dev/null || e2e_die "vimbra-make-demo failed"
e2e_start_vimbra --device "$E2E_WORK/demo"
mkdir -p "$ROOT/docs"

# The frame's rectangle on the screen (no window manager: no decorations).
window_shot() {
  local geometry x y w h
  geometry=$(xdotool getwindowgeometry "$E2E_WINDOW")
  read -r x y < <(awk '/Position/ { split($2, p, ","); print p[1], p[2] }' <<<"$geometry")
  read -r w h < <(awk '/Geometry/ { split($2, s, "x"); print s[1], s[2] }' <<<"$geometry")
  e2e_park_pointer
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"
  echo "wrote $1 (${w} x ${h})"
}

window_shot "$ROOT/docs/grid.png"
e2e_tap 110 130
e2e_tool 32775
e2e_wait_idle
e2e_tool 32775
e2e_wait_idle
window_shot "$ROOT/docs/zoomed.png"
