#!/usr/bin/env bash
# End-to-end: vimbra-shot over the demo device with host hazards added
# (links to "/", to a picture and a folder outside, to /dev/zero, a FIFO, a
# cycle), traced with strace while it paints the grid, opens every picture,
# scrolls the grid and fills Select Folder, in the handheld profile and the
# desktop's. Every open of the whole process
# is checked against the device root:
# - an open made on a device path (a path argument below the root, or a
#   descriptor below it) must land below the resolved root;
# - nothing the hazards lead to outside may be opened or listed at all;
# - the FIFO is never opened for reading (a path-only open is no open);
# and the trace must show the device's own pictures and folders read.
# Exits 77 (skipped) where strace is missing or may not trace.
#
# Usage: device_strace_e2e.sh VIMBRA_SHOT VIMBRA_MAKE_DEMO
set -u
SHOT=$1
MAKE_DEMO=$2

if ! command -v strace >/dev/null; then
  echo "SKIP: strace is not installed (tools/install-deps.sh installs it)"
  exit 77
fi
if ! strace -f -o /dev/null true 2>/dev/null; then
  echo "SKIP: strace cannot trace here (ptrace is not permitted)"
  exit 77
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vimbra-strace.XXXXXX")
trap '[[ -n ${E2E_KEEP:-} ]] || rm -rf "$WORK"' EXIT
ROOT=$WORK/device
OUT=$WORK/outside
"$MAKE_DEMO" "$ROOT" >/dev/null || { echo "FAIL: vimbra-make-demo failed"; exit 1; }
mkdir -p "$OUT/Dir/Sub"
cp "$ROOT/My Documents/IMG_0001.JPG" "$OUT/outside.jpg"
ln -s / "$ROOT/escape"
ln -s "$OUT/Dir" "$ROOT/Away"
ln -s /dev/zero "$ROOT/My Documents/IMG_0000.JPG"
ln -s "$OUT/outside.jpg" "$ROOT/My Documents/IMG_0013.JPG"
ln -s ../outside.jpg "$ROOT/Grey/Up one.jpg"
mkfifo "$ROOT/My Documents/IMG_0014.JPG"
ln -s .. "$ROOT/My Documents/Holiday/Back"
ln -s "IMG_0001.JPG" "$ROOT/My Documents/IMG_0015.JPG"
ln -s ../../DCIM "$ROOT/Archive/2019/Camera"
REAL_ROOT=$(realpath "$ROOT")
REAL_OUT=$(realpath "$OUT")

# The grid, every picture of My Documents (the arrow keys wrap around), the
# bottom of the grid, then Select Folder confirming a folder deep down; in
# the handheld profile and in the desktop's, whose shared thumbnail cache
# lies outside the device (in the work folder).
export XDG_CACHE_HOME=$WORK/cache XDG_CONFIG_HOME=$WORK/config
# LeakSanitizer cannot run under ptrace: a sanitizer build checks leaks in
# its unit tests, not here.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
for profile in handheld desktop; do
  events=(tap 40 40)
  # The desktop's first cell is the Holiday folder's: the current cell moves
  # on to the first picture, which Return opens.
  [[ $profile == desktop ]] && events=(key right key return)
  for _ in $(seq 20); do events+=(key right); done
  events+=(command back scroll bottom folder Archive 2019 Summer shot "$WORK/end-$profile.png")
  TRACE=$WORK/trace-$profile
  flags=()
  [[ $profile == handheld ]] && flags=(--handheld)
  rm -f "$WORK/calls"
  if ! timeout 300 strace -ff -y -qq -s 4096 -o "$TRACE" \
    -e trace=open,openat,openat2,creat,mkdir,mkdirat,getdents64 \
    "$SHOT" "${flags[@]}" --device "$ROOT" "${events[@]}" >"$WORK/shot.log" 2>&1; then
    cat "$WORK/shot.log"
    echo "FAIL: vimbra-shot ($profile) did not finish under strace"
    exit 1
  fi
  [[ -s $WORK/end-$profile.png ]] || { echo "FAIL: no screenshot written ($profile)"; exit 1; }

  # One line per call of every thread; calls that succeeded end in
  # "= FD<path>", the kernel's name for what was opened.
  cat "$TRACE".* >"$WORK/calls"
  violations=$(awk -v root="$REAL_ROOT" -v given="$ROOT" -v out="$REAL_OUT" '
    function below(p, r) { return p == r || index(p, r "/") == 1 }
    {
      call = $0; sub(/\(.*/, "", call)
      # Where the call landed: the descriptor a listing reads, or the one an
      # open returned; calls that failed landed nowhere.
      landed = $0
      if (call == "getdents64") {
        if (!sub(/^getdents64\([0-9]+</, "", landed)) next
        sub(/>,.*/, "", landed)
      } else {
        if (landed !~ / = [0-9]+<.*>$/) next
        sub(/.* = [0-9]+</, "", landed); sub(/>$/, "", landed)
      }
      # The path the call was given, made absolute: a relative one is taken
      # from the descriptor of an *at call (strace -y shows its path).
      given_path = ""
      if (match($0, /"[^"]*"/)) given_path = substr($0, RSTART + 1, RLENGTH - 2)
      if (call ~ /at2?$/ && given_path !~ /^\// && match($0, /^[a-z0-9]+\([A-Z_0-9]+<[^>]*>/)) {
        dir = substr($0, RSTART, RLENGTH); sub(/^[^<]*</, "", dir); sub(/>$/, "", dir)
        given_path = dir "/" given_path
      }
      if (call == "getdents64") given_path = landed
      onDevice = below(given_path, given) || below(given_path, root)
      if (onDevice && !below(landed, root)) print "left the device: " $0
      if (below(landed, out) || landed == "/dev/zero" || landed == "/")
        print "reached a hazard: " $0
      if (landed ~ /IMG_0014\.JPG$/ && $0 !~ /O_PATH/) print "opened the FIFO: " $0
    }' "$WORK/calls")
  if [[ -n $violations ]]; then
    echo "$violations" | head -20
    echo "FAIL: the process ($profile) reached the host outside the device root"
    exit 1
  fi

  # The trace is not empty: pictures and folders of the device were opened,
  # through in-root links too.
  checks=0
  expect_opened() {
    if grep -qF -- "<$REAL_ROOT/$1>" "$WORK/calls"; then
      checks=$((checks + 1))
    else
      echo "FAIL: $profile: nothing opened $REAL_ROOT/$1"
      exit 1
    fi
  }
  expect_opened "My Documents/IMG_0012.JPG"
  expect_opened "My Documents/Harbour at dusk.jpg"
  expect_opened "Archive/2019/Summer/Lake.jpg"
  expect_opened "DCIM/100VIMBR"
  expect_opened "My Documents/Holiday/Day 2"
  echo "PASS: $profile: $(grep -c ' = [0-9]*<' "$WORK/calls") opens traced, none outside the device; $checks expected opens seen"
done
