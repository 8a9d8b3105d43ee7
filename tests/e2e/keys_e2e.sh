#!/usr/bin/env bash
# End-to-end: the desktop's keys and Ctrl + wheel in vimbra under a private
# Xvfb, and --auto-rotate. After each step the canvas must equal, pixel for
# pixel, what vimbra-shot draws for the matching event: Home, End, Page Up
# and Page Down on the grid; +, =, keypad +, -, keypad -, Ctrl + wheel up and
# down, the wheel alone, End, Home, Escape and BackSpace on the picture page;
# and pictures whose Exif orientation is 6, 3 and 8 with and without
# --auto-rotate.
#
# Usage: keys_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
e2e_start_xvfb
R=$E2E_WORK

# One notch of the wheel over the middle of the canvas, with Ctrl held or
# not; `expect` is the probe line that says it arrived.
wheel() {
  local button=$1 ctrl=$2 expect=$3 cx cy cw ch
  read -r cx cy cw ch < <(e2e_canvas_rect)
  e2e_mark
  e2e_move $((cx + cw / 2)) $((cy + ch / 2))
  if [[ $ctrl == ctrl ]]; then
    xdotool windowfocus --sync "$E2E_WINDOW" keydown ctrl click "$button" keyup ctrl
  else
    xdotool click "$button"
  fi
  e2e_wait "$expect"
  e2e_wait_idle
  e2e_park_pointer
}

quit_vimbra() {
  e2e_menu_item 2
  e2e_wait '^exit-status '
  wait "$E2E_VIMBRA_PID"
  E2E_VIMBRA_PID=
}

# ---- 1. Keys and wheel on the demo device ---------------------------------
e2e_start_vimbra --handheld --device "$DEVICE"
# The steps below, with a screenshot of vimbra-shot at each checkpoint.
"$E2E_SHOT" --handheld --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" \
  shot "$R/ref-grid.png" \
  key end shot "$R/ref-grid-end.png" \
  key home shot "$R/ref-grid-home.png" \
  key pagedown shot "$R/ref-grid-pagedown.png" \
  key pageup shot "$R/ref-grid-pageup.png" \
  wheel down ctrl shot "$R/ref-grid-ctrl-wheel.png" \
  tap 40 40 shot "$R/ref-open.png" \
  key plus shot "$R/ref-plus.png" \
  key equals shot "$R/ref-equals.png" \
  key kpplus shot "$R/ref-kpplus.png" \
  key minus shot "$R/ref-minus.png" \
  key kpminus shot "$R/ref-kpminus.png" \
  wheel up ctrl shot "$R/ref-wheel-up.png" \
  wheel up ctrl shot "$R/ref-wheel-up2.png" \
  wheel down ctrl shot "$R/ref-wheel-down.png" \
  wheel down shot "$R/ref-wheel-plain.png" \
  key end shot "$R/ref-end.png" \
  key home shot "$R/ref-home.png" \
  key escape shot "$R/ref-escape.png" \
  tap 40 40 key backspace shot "$R/ref-backspace.png" ||
  e2e_die "vimbra-shot failed"

# Every step changes the picture, so no comparison below passes by standing still.
steps=(grid grid-end grid-home grid-pagedown grid-pageup grid-ctrl-wheel open plus equals kpplus minus kpminus
  wheel-up wheel-up2 wheel-down end home escape)
for ((i = 1; i < ${#steps[@]}; i++)); do
  e2e_check "${steps[i]} changes what ${steps[i - 1]} showed" \
    bash -c "! compare -metric AE '$R/ref-${steps[i - 1]}.png' '$R/ref-${steps[i]}.png' null: 2>/dev/null"
done

e2e_key End 35
e2e_expect_canvas grid-end "$R/ref-grid-end.png"
e2e_key Home 36
e2e_expect_canvas grid-home "$R/ref-grid-home.png"
e2e_key Next 34
e2e_expect_canvas grid-pagedown "$R/ref-grid-pagedown.png"
e2e_key Prior 33
e2e_expect_canvas grid-pageup "$R/ref-grid-pageup.png"
wheel 5 ctrl '^wheel -120 8$'
e2e_expect_canvas grid-ctrl-wheel "$R/ref-grid-ctrl-wheel.png"

e2e_tap 40 40
e2e_expect_canvas open "$R/ref-open.png"
# "+" is Shift and "=" on this keyboard; both are the plus key (VK 187).
e2e_key plus 187
e2e_expect_canvas plus "$R/ref-plus.png"
e2e_key equal 187
e2e_expect_canvas equals "$R/ref-equals.png"
e2e_key KP_Add 107
e2e_expect_canvas kpplus "$R/ref-kpplus.png"
e2e_key minus 189
e2e_expect_canvas minus "$R/ref-minus.png"
e2e_key KP_Subtract 109
e2e_expect_canvas kpminus "$R/ref-kpminus.png"
wheel 4 ctrl '^wheel 120 8$'
e2e_expect_canvas ctrl-wheel-up "$R/ref-wheel-up.png"
wheel 4 ctrl '^wheel 120 8$'
e2e_expect_canvas ctrl-wheel-up-again "$R/ref-wheel-up2.png"
wheel 5 ctrl '^wheel -120 8$'
e2e_expect_canvas ctrl-wheel-down "$R/ref-wheel-down.png"
# The wheel alone on the picture page is a line step nobody there takes.
wheel 5 plain '^vscroll 1 '
e2e_expect_canvas wheel-alone "$R/ref-wheel-plain.png"
e2e_check "the wheel alone left the picture as it was" \
  bash -c "compare -metric AE '$R/ref-wheel-down.png' '$R/ref-wheel-plain.png' null: 2>/dev/null"
e2e_key End 35
e2e_expect_canvas end "$R/ref-end.png"
e2e_key Home 36
e2e_expect_canvas home "$R/ref-home.png"
e2e_key Escape 27
e2e_expect_canvas escape "$R/ref-escape.png"
e2e_tap 40 40
e2e_key BackSpace 8
e2e_expect_canvas backspace "$R/ref-backspace.png"
quit_vimbra

# ---- 2. --auto-rotate ------------------------------------------------------
# Three demo pictures whose Exif Orientation becomes 6, 3 and 8.
ROT=$R/rot-device
mkdir -p "$ROT/My Documents"
orientation=(6 3 8)
for i in 0 1 2; do
  file="$ROT/My Documents/IMG_000$((i + 1)).JPG"
  cp "$DEVICE/My Documents/IMG_000$((i + 1)).JPG" "$file"
  e2e_set_orientation "$file" "${orientation[i]}"
done

for mode in upright as-stored; do
  flag=()
  [[ $mode == upright ]] && flag=(--auto-rotate)
  e2e_start_vimbra --handheld --device "$ROT" "${flag[@]}"
  "$E2E_SHOT" --handheld --device "$ROT" --scrollbar-width "$E2E_BAR_WIDTH" "${flag[@]}" \
    shot "$R/ref-$mode-grid.png" \
    tap 40 40 shot "$R/ref-$mode-6.png" \
    key right shot "$R/ref-$mode-3.png" \
    key right shot "$R/ref-$mode-8.png" ||
    e2e_die "vimbra-shot failed"
  e2e_expect_canvas "$mode-grid" "$R/ref-$mode-grid.png"
  e2e_tap 40 40
  e2e_expect_canvas "$mode-6" "$R/ref-$mode-6.png"
  e2e_key Right 39
  e2e_expect_canvas "$mode-3" "$R/ref-$mode-3.png"
  e2e_key Right 39
  e2e_expect_canvas "$mode-8" "$R/ref-$mode-8.png"
  quit_vimbra
done
for shot in grid 6 3 8; do
  e2e_check "--auto-rotate changes the $shot picture" \
    bash -c "! compare -metric AE '$R/ref-upright-$shot.png' '$R/ref-as-stored-$shot.png' null: 2>/dev/null"
done

e2e_finish
