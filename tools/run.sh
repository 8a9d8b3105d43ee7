#!/usr/bin/env bash
# Installs what is missing, builds the viewer, makes the demo device and runs
# the viewer on it: in a window when there is a display, otherwise on the
# headless host, writing screenshots to out/.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vimbra-make-demo vimbra-shot
# The demo device is made afresh every time (about two seconds).
rm -rf demo-device
./build/tools/demo/vimbra-make-demo demo-device

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  cmake --build build -j"$(nproc)" --target vimbra
  exec ./build/viewer/vimbra --device demo-device "$@"
fi

echo "run: no display; running the viewer headless and writing screenshots to out/"
mkdir -p out
./build/viewer/vimbra-shot --device demo-device \
  shot out/grid.png \
  tap 40 40 shot out/picture.png \
  command zoomin command zoomin shot out/zoomed.png \
  command back key down shot out/grid-scrolled.png
ls -1 out/*.png
