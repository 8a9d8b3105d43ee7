#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build (unit tests, the viewer end to end under Xvfb, the installer under
# Wine), the sanitizer build (ASan + UBSan) of the system's code, and a short
# bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

./tools/install-deps.sh

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBRA_SANITIZE=ON \
  -DVIMBRA_GUI=OFF -DVIMBRA_BENCH=OFF -DVIMBRA_WINDOWS_INSTALLER=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzzing (bounded)"
./tools/run-fuzzers.sh

echo "== all tests passed"
