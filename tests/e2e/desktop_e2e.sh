#!/usr/bin/env bash
# End-to-end: the desktop profile's defaults, vimbra's, on a 1920 x 1200
# screen, each step equal pixel for pixel to vimbra-shot's in its default
# profile: 128-pixel thumbnails at the first start; the grid driven by keys
# alone to the twelfth picture and back, past the Holiday folder's cell,
# into that folder and out again with BackSpace and Alt+Up; Ctrl + wheel up to 256-pixel
# thumbnails, kept for the next start; and a phone-style portrait (stored
# sideways, Exif Orientation 6) shown upright.
#
# Usage: desktop_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
R=$E2E_WORK
SETTINGS=$XDG_CONFIG_HOME/vimbra/settings
e2e_start_xvfb 1920x1200

# ---- 1. The first start: 128-pixel thumbnails -----------------------------
e2e_start_vimbra --device "$DEVICE"
e2e_reference "$R/ref-first.png"
e2e_expect_canvas first-start-128 "$R/ref-first.png"

# ---- 2. The grid from the keyboard: the twelfth picture and back ----------
# Each key is compared with vimbra-shot after the same keys from the start.
steps=()
key_step() {
  local name=$1 xkey=$2 vk=$3 word=$4
  e2e_key "$xkey" "$vk"
  steps+=(key "$word")
  e2e_reference "$R/ref-$name.png" "${steps[@]}"
  e2e_expect_canvas "$name" "$R/ref-$name.png"
}
key_step keys-down Down 40 down
key_step keys-up Up 38 up
# The first cell is the Holiday folder's; the pictures follow it.
for ((i = 1; i < 12; i++)); do
  e2e_key Right 39
  steps+=(key right)
done
key_step keys-right-12 Right 39 right
title=$(xdotool getwindowname "$E2E_WINDOW")
key_step keys-return Return 13 return
title=$(xdotool getwindowname "$E2E_WINDOW")
e2e_check "Return opens the twelfth picture (title '$title')" bash -c "[[ '$title' == *'(12 of '* ]]"
key_step keys-back Escape 27 escape
e2e_check "Escape returns to the grid" bash -c "[[ '$(xdotool getwindowname "$E2E_WINDOW")' != *'(12 of '* ]]"

# ---- 2b. Folders in the grid: into Holiday and out again -------------------
root_name=$(basename "$DEVICE")
DASH=$'\u2014'
key_step folder-home Home 36 home
key_step folder-enter Return 13 return
title=$(xdotool getwindowname "$E2E_WINDOW")
e2e_check "Return enters Holiday (title '$title')" test "$title" = "$root_name/My Documents/Holiday $DASH Vimbra"
key_step folder-backspace BackSpace 8 backspace
e2e_check "BackSpace goes up (title '$(xdotool getwindowname "$E2E_WINDOW")')" \
  test "$(xdotool getwindowname "$E2E_WINDOW")" = "$root_name/My Documents $DASH Vimbra"
key_step folder-enter-again Return 13 return
key_step folder-alt-up alt+Up 38 alt+up
e2e_check "Alt+Up goes up" test "$(xdotool getwindowname "$E2E_WINDOW")" = "$root_name/My Documents $DASH Vimbra"

# ---- 3. Thumbnail sizes: Ctrl + wheel up from 128 to 256 -------------------
read -r cx cy cw ch < <(e2e_canvas_rect)
for ((i = 0; i < 3; i++)); do
  e2e_mark
  e2e_move $((cx + cw / 2)) $((cy + ch / 2))
  xdotool windowfocus --sync "$E2E_WINDOW" keydown ctrl click 4 keyup ctrl
  e2e_wait '^wheel 120 8$'
  e2e_wait_idle
  steps+=(wheel up ctrl)
done
e2e_park_pointer
e2e_reference "$R/ref-256.png" "${steps[@]}"
e2e_expect_canvas grid-256 "$R/ref-256.png"

# ---- 4. The thumbnail size is kept for the next start ---------------------
e2e_quit "after the size steps"
e2e_check "the settings file keeps the thumbnail size (got: $(tr '\n' '|' <"$SETTINGS"))" \
  grep -qx 'thumbnail-size=256' "$SETTINGS"
e2e_start_vimbra --device "$DEVICE"
read -r kw kh < <(e2e_area_size)
e2e_reference "$R/ref-kept-256.png" --size "${kw}x$kh" --thumbnail-size 256
e2e_expect_canvas second-start-256 "$R/ref-kept-256.png"
e2e_quit "second start"

# ---- 5. A phone-style portrait shows upright -------------------------------
# A demo camera picture, landscape pixels with an Exif thumbnail, marked
# Orientation 6 as a phone stores a portrait.
PHONE=$R/phone
mkdir -p "$PHONE/My Documents"
file="$PHONE/My Documents/PXL_0001.jpg"
cp "$DEVICE/My Documents/IMG_0001.JPG" "$file"
e2e_set_orientation "$file" 6
e2e_start_vimbra --device "$PHONE" --size 640x480 --thumbnail-size 128 --no-thumbnail-cache
"$E2E_SHOT" --device "$PHONE" --size 640x480 --thumbnail-size 128 --no-thumbnail-cache --scrollbar-width "$E2E_BAR_WIDTH" \
  shot "$R/ref-phone-grid.png" key return shot "$R/ref-phone.png" >/dev/null || e2e_die "vimbra-shot failed"
e2e_expect_canvas phone-grid "$R/ref-phone-grid.png"
e2e_key Return 13
e2e_expect_canvas phone-picture "$R/ref-phone.png"
# The picture on the page, without the page's background around it.
read -r pw ph < <(convert "$R/phone-picture.png" -trim -format '%w %h' info:)
e2e_check "the portrait stands upright: ${pw} x $ph, taller than wide" test "$ph" -gt "$pw"
read -r sw sh < <(identify -format '%w %h' "$DEVICE/My Documents/IMG_0001.JPG")
e2e_check "stored sideways: $sw x $sh, wider than tall" test "$sw" -gt "$sh"
e2e_quit "phone portrait"

e2e_finish
