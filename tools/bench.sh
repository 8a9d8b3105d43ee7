#!/usr/bin/env bash
# Builds the benchmarks and runs them one after another; each prints Google
# Benchmark's table and then a summary with the ratios it is judged by.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
for bench in build/bench/bench_*; do
  [[ -x "$bench" ]] || continue
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
if [[ -x bench/gui/run.sh ]]; then
  echo "== GUI (under Xvfb)"
  bench/gui/run.sh
fi
