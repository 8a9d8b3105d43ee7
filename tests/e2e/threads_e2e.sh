#!/usr/bin/env bash
# End-to-end: vimbra with thumbnail workers. The finished grid is the same,
# pixel for pixel, with 1, 2, 4 and 8 workers as vimbra-shot's with one; and
# on a folder of 260 pictures of 12 MP without embedded thumbnails (210 cells
# on the first screen of 1500 x 900) the window shows every cell's frame and
# title at once and answers a key, a scroll and Quit while the thumbnails are
# still being made. The limits here are wide,
# for a loaded CI machine; bench/ holds the tight figures.
#
# Usage: threads_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
e2e_start_xvfb 1920x1200
R=$E2E_WORK

# Seconds between two EPOCHREALTIME-style stamps (or "t=" microseconds).
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
micros_to_s() { awk -v us="$1" 'BEGIN { printf "%.6f", us / 1e6 }'; }
# The canvas on the screen must equal vimbra-shot's at every thread count.
"$E2E_SHOT" --handheld --device "$DEVICE" --size 640x480 --threads 1 shot "$R/grid.png" >/dev/null ||
  e2e_die "vimbra-shot failed"
for threads in 1 2 4 8; do
  e2e_start_vimbra --handheld --device "$DEVICE" --size 640x480 --threads "$threads"
  e2e_park_pointer
  e2e_expect_canvas "grid with $threads thread(s)" "$R/grid.png"
  e2e_menu_item 2
  e2e_wait '^exit-status 0$'
  wait "$E2E_VIMBRA_PID"
done

# 260 names for one 12 MP picture without an Exif thumbnail: every cell is a
# full reduced decode, and the disk holds one file.
big=$R/big
mkdir -p "$big/My Documents"
source_picture="$DEVICE/Large/Wide 12MP without thumbnail.jpg"
[[ -f $source_picture ]] || e2e_die "the demo device has no $source_picture"
for i in $(seq -w 0 259); do ln "$source_picture" "$big/My Documents/IMG_$i.jpg"; done

# Frames and titles alone: the same names, each file empty.
frames=$R/frames
mkdir -p "$frames/My Documents"
for i in $(seq -w 0 259); do : >"$frames/My Documents/IMG_$i.jpg"; done
"$E2E_SHOT" --handheld --device "$frames" --size 1500x900 --threads 1 shot "$R/frames.png" >/dev/null ||
  e2e_die "vimbra-shot failed"
# White where the frames-only grid draws something, black elsewhere.
convert "$R/frames.png" -fill black -opaque white -fill white +opaque black "$R/mask.png"

launched=$EPOCHREALTIME
: >"$E2E_PROBE"
E2E_MARK=0
VIMBRA_PROBE=$E2E_PROBE "$E2E_VIMBRA" --handheld --device "$big" --size 1500x900 </dev/null >"$R/vimbra.log" 2>&1 &
E2E_VIMBRA_PID=$!
e2e_wait '^window '
E2E_WINDOW=${E2E_LINE#window }
e2e_wait '^present '
shown=$(micros_to_s "$(sed 's/.* t=\([0-9]*\).*/\1/' <<<"$E2E_LINE")")
first=$(elapsed "$launched" "$shown")
e2e_log "     first grid on the screen $first s after the start"
e2e_check "first grid within 3 s of the start (took $first s)" awk -v t="$first" 'BEGIN { exit !(t < 3) }'
E2E_MARK=0
e2e_wait '^canvas '
e2e_park_pointer
e2e_shot "$R/early.png"
# Every frame line and title pixel is there, whatever thumbnails came already.
convert "$R/early.png" "$R/mask.png" -compose multiply -composite "$R/early-masked.png"
convert "$R/frames.png" "$R/mask.png" -compose multiply -composite "$R/frames-masked.png"
differ=$(compare -metric AE "$R/early-masked.png" "$R/frames-masked.png" null: 2>&1)
e2e_check "every visible cell's frame and title on the first screen ($differ pixels differ)" test "$differ" = 0

# Answers while the workers are busy: 260 reduced 12 MP decodes take seconds.
e2e_mark
sent=$EPOCHREALTIME
xdotool windowfocus --sync "$E2E_WINDOW" key Down
e2e_wait '^key up 40$'
e2e_wait '^present '
answered=$(elapsed "$sent" "$EPOCHREALTIME")
e2e_check "a key is answered within 1 s while thumbnails are made (took $answered s)" \
  awk -v t="$answered" 'BEGIN { exit !(t < 1) }'
busy=$(grep -c '^[0-9]* idle$' "$E2E_PROBE")
e2e_check "the workers were still busy then" test "$busy" -eq 0

read -r cx cy cw ch < <(e2e_canvas_rect)
e2e_move $((cx + cw / 2)) $((cy + ch / 2))
e2e_mark
sent=$EPOCHREALTIME
xdotool click 5
e2e_wait '^vscroll '
e2e_wait '^present '
answered=$(elapsed "$sent" "$EPOCHREALTIME")
e2e_check "a scroll is answered within 1 s while thumbnails are made (took $answered s)" \
  awk -v t="$answered" 'BEGIN { exit !(t < 1) }'

sent=$EPOCHREALTIME
e2e_menu_item 2
e2e_wait '^exit-status 0$'
wait "$E2E_VIMBRA_PID"
status=$?
ended=$(elapsed "$sent" "$EPOCHREALTIME")
e2e_check "Quit ends the process within 2 s while thumbnails are made (took $ended s, status $status)" \
  awk -v t="$ended" -v s="$status" 'BEGIN { exit !(t < 2 && s == 0) }'
e2e_finish
