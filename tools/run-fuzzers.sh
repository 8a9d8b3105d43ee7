#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz and runs
# each for a bounded time over seed corpora written by vimbra-fuzz-seeds:
# the Exif walk, the decoding glue, and the whole path of a grid cell (Exif
# walk, decode towards 160 x 160, 64 x 64 thumbnail, fitted drawing) under a
# 16 MB budget and the scan limit; then the glue of each other format (PNG,
# GIF, WebP, TIFF, HEIF and AVIF) through the picture interface under 64 MB;
# and the information panel's facts (the walks to Exif blocks and ICC
# profiles, libexif's load of the blocks) under 64 MB.
#
# Usage: tools/run-fuzzers.sh [SECONDS-PER-TARGET]   (default 5)
#   The test command runs the short default. The long run is
#   tools/run-fuzzers.sh 600 (ten minutes per target); its corpora stay in
#   build-fuzz/fuzz-corpus and every later run starts from them.
# Environment: VIMBRA_FUZZ_BUILD overrides the build folder.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${VIMBRA_FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=${1:-5}
TARGETS=(exifthumb jpegdecode gridcell picturefacts png gif webp tiff heif)

if ! command -v clang++ >/dev/null; then
  echo "run-fuzzers: clang++ not found (tools/install-deps.sh installs it)" >&2
  exit 1
fi

# Coverage instrumentation for all of our code, the fuzzer's main only in the
# targets. Warnings stop this build as they stop the others.
cmake -S "$ROOT" -B "$BUILD" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DVIMBRA_FUZZ=ON -DVIMBRA_SANITIZE=ON -DVIMBRA_WERROR=ON \
  -DVIMBRA_GUI=OFF -DVIMBRA_BENCH=OFF -DVIMBRA_WINDOWS_INSTALLER=OFF >/dev/null
cmake --build "$BUILD" -j2 --target vimbra-fuzz-seeds "${TARGETS[@]/#/fuzz_}"

export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp"
SEEDS=$BUILD/fuzz-seeds
rm -rf "$SEEDS"
"$BUILD/fuzz/vimbra-fuzz-seeds" "$SEEDS"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for target in "${TARGETS[@]}"; do
  corpus=$BUILD/fuzz-corpus/$target
  artifacts=$BUILD/fuzz-artifacts/$target/
  mkdir -p "$corpus" "$artifacts"
  echo "run-fuzzers: fuzz_$target for ${SECONDS_EACH}s"
  if ! "$BUILD/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$SEEDS/$target" 2>"$BUILD/fuzz-$target.log"; then
    echo "run-fuzzers: fuzz_$target FAILED; see $BUILD/fuzz-$target.log and $artifacts" >&2
    tail -40 "$BUILD/fuzz-$target.log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$BUILD/fuzz-$target.log" | sed "s/^/  /"
  fi
done
exit $status
