#!/usr/bin/env bash
# End-to-end: scrolling and resizing the grid of vimbra under a private Xvfb.
# The mouse wheel, a click in the scroll bar's trough, the arrow keys, a drag
# of the thumb and a resize of the window must each leave the canvas equal,
# pixel for pixel, to vimbra-shot's after the scroll codes (and the area) the
# layer is meant to receive for them.
#
# Usage: window_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
e2e_start_xvfb
e2e_start_vimbra --handheld --device "$DEVICE"
R=$E2E_WORK

# vimbra-shot replays everything from the start for each checkpoint.
EVENTS=()
reference() {
  local out=$R/ref-$1.png
  "$E2E_SHOT" --handheld --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" "${EVENTS[@]}" shot "$out" ||
    e2e_die "vimbra-shot failed"
  printf '%s\n' "$out"
}

read -r cx cy cw ch < <(e2e_canvas_rect)
bar_x=$((cx + cw + E2E_BAR_WIDTH / 2))
e2e_check "the grid of the demo folder needs the scroll bar" test "$cw" -eq $((240 - E2E_BAR_WIDTH))

# 1. One notch of the wheel over the canvas is one line down.
e2e_mark
e2e_move $((cx + 100)) $((cy + 100))
xdotool click 5
e2e_wait '^vscroll 1 '
e2e_wait_idle
EVENTS+=(scroll linedown)
e2e_expect_canvas wheel "$(reference wheel)"

# 2. A click in the trough below the thumb pages down; the bar then reports
# the end of the scroll action.
e2e_mark
e2e_move "$bar_x" $((cy + ch - 6))
xdotool click 1
e2e_check "trough click sends SB_PAGEDOWN" e2e_wait '^vscroll 3 '
e2e_wait '^vscroll 8 '
e2e_wait_idle
e2e_park_pointer
EVENTS+=(scroll pagedown scroll endscroll)
e2e_expect_canvas trough "$(reference trough)"

# 3. The arrow keys page the grid (on release).
e2e_key Up 38
EVENTS+=(key up)
e2e_expect_canvas key-up "$(reference key-up)"

# 4. A drag of the thumb: whatever positions GTK reported are what the layer
# got; replayed on the headless host they must give the same grid.
e2e_mark
e2e_move "$bar_x" $((cy + 12))
xdotool mousedown 1
e2e_move "$bar_x" $((cy + 150))
xdotool mouseup 1
e2e_wait '^vscroll 8 '
e2e_wait_idle
e2e_park_pointer
drag=$(awk -v from="$(grep -n ' vscroll 3 ' "$E2E_PROBE" | tail -1 | cut -d: -f1)" \
  'NR > from && $2 == "vscroll" && $3 != 3 && $3 != 8 { print $3, $4 }' "$E2E_PROBE")
e2e_check "thumb drag sends SB_THUMBTRACK, then SB_THUMBPOSITION" \
  bash -c "grep -q '^5 ' <<<'$drag' && grep -q '^4 ' <<<'$drag'"
while read -r code position; do
  EVENTS+=(scroll "$code" "$position")
done <<<"$drag"
EVENTS+=(scroll endscroll)
e2e_expect_canvas thumb "$(reference thumb)"

# 5. The wheel over the bar itself steps the same way (GTK's own wheel step
# would not).
e2e_mark
e2e_move "$bar_x" $((cy + ch / 2))
xdotool click 4
e2e_wait '^vscroll 0 '
e2e_wait_idle
e2e_park_pointer
EVENTS+=(scroll lineup)
e2e_expect_canvas wheel-bar "$(reference wheel-bar)"

# 6. A larger window: the area below the command bar is the viewer's, and the
# grid lays itself out again for it.
read -r _ old_y _ _ < <(e2e_canvas_rect)
e2e_mark
xdotool windowsize --sync "$E2E_WINDOW" 400 300
e2e_wait '^canvas '
e2e_wait_idle
window_y=$(xdotool getwindowgeometry "$E2E_WINDOW" | awk '/Position/ { split($2, p, ","); print p[2] }')
area_height=$((300 - (old_y - window_y)))
EVENTS+=(resize 400 "$area_height")
e2e_expect_canvas resize "$(reference resize)"

e2e_finish
