#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the source
# checks (floors, formatting), the normal build (unit tests, the viewer end to
# end under Xvfb, the installer under Wine), warnings in Release and Debug, the
# sanitizer build (ASan + UBSan) of the system's code, a ThreadSanitizer build
# of the tests that drive worker threads, and a short bounded fuzzing run.
# Warnings are errors in every build here.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

./tools/install-deps.sh

echo "== source checks"
./tools/check-layers.sh
./tools/check-format.sh

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBRA_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Release and Debug builds compile without warnings"
for type in Release Debug; do
  cmake -S . -B "build-$type" -DCMAKE_BUILD_TYPE="$type" -DVIMBRA_WERROR=ON \
    -DVIMBRA_BENCH=OFF -DVIMBRA_WINDOWS_INSTALLER=OFF >/dev/null
  cmake --build "build-$type" -j"$jobs"
done

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBRA_SANITIZE=ON -DVIMBRA_WERROR=ON \
  -DVIMBRA_GUI=OFF -DVIMBRA_BENCH=OFF -DVIMBRA_WINDOWS_INSTALLER=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer build of the code that runs on worker threads"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIMBRA_TSAN=ON -DVIMBRA_WERROR=ON \
  -DVIMBRA_GUI=OFF -DVIMBRA_BENCH=OFF -DVIMBRA_WINDOWS_INSTALLER=OFF
cmake --build build-tsan -j"$jobs" --target thumbmaker_test readahead_test pictureload_test heap_test \
  decodecancel_test thumbcache_test sortorder_test
TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1" \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs" -R '^(ThumbnailMaker|ReadAhead|AutoRotateViewer|Heap|DecodeCancel|ThumbCache|SortOrderTest)'

echo "== fuzzing (bounded)"
./tools/run-fuzzers.sh

echo "== all tests passed"
