#!/usr/bin/env bash
# End-to-end: the window of the desktop profile, vimbra's default, on a
# 1920 x 1200 screen. The first start opens at two thirds of the screen and
# equals vimbra-shot's default (1280 x 800); the window's size and place are
# kept across starts in $XDG_CONFIG_HOME/vimbra/settings, written whole and
# the user's own; a malformed file is one line on stderr and ignored;
# --size wins; the handheld reads and writes no settings.
#
# Usage: settings_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
R=$E2E_WORK
SETTINGS=$XDG_CONFIG_HOME/vimbra/settings
e2e_start_xvfb 1920x1200

# ---- 1. The first start: two thirds of the screen, vimbra-shot's default ----
e2e_check "no settings before the first start" test ! -e "$SETTINGS"
e2e_start_vimbra --device "$DEVICE"
read -r fx fy fw fh < <(e2e_frame_geometry)
e2e_check "first start: the window is about two thirds of 1920 x 1200 (${fw}x$fh)" \
  bash -c "$(declare -f e2e_within); e2e_within $((fw * 100 / 1920)) 60 75 && e2e_within $((fh * 100 / 1200)) 60 75"
e2e_check "first start: the viewer area is 1280 x 800 (got $(e2e_area_size))" test "$(e2e_area_size)" = "1280 800"
e2e_check "vimbra-shot's default area is the same" bash -c "'$E2E_SHOT' --help | grep -q 'default 1280x800'"
e2e_reference "$R/ref-first.png"
e2e_expect_canvas first-start "$R/ref-first.png"

# ---- 2. Kept across starts: size and place ---------------------------------
e2e_mark
xdotool windowsize --sync "$E2E_WINDOW" 900 640 windowmove --sync "$E2E_WINDOW" 120 90
e2e_wait '^canvas '
e2e_wait_idle
read -r kw kh < <(e2e_area_size)
read -r fx fy fw fh < <(e2e_frame_geometry)
e2e_quit "after resizing"
e2e_check "the settings file keeps the area and the place (got: $(tr '\n' '|' <"$SETTINGS"))" \
  bash -c "grep -qx 'window-size=${kw}x$kh' '$SETTINGS' && grep -qx 'window-place=$fx,$fy' '$SETTINGS'"
e2e_check "the settings file is the user's own (mode 600)" test "$(stat -c %a "$SETTINGS")" = 600
e2e_start_vimbra --device "$DEVICE"
e2e_check "second start: the window as it closed ($fx $fy $fw $fh; got $(e2e_frame_geometry))" \
  test "$(e2e_frame_geometry)" = "$fx $fy $fw $fh"
e2e_reference "$R/ref-kept.png" --size "${kw}x$kh"
e2e_expect_canvas second-start "$R/ref-kept.png"
e2e_quit "second start"

# --size wins over the kept size; the size it closes with is kept.
e2e_start_vimbra --device "$DEVICE" --size 500x400
e2e_check "--size 500x400 wins (got $(e2e_area_size))" test "$(e2e_area_size)" = "500 400"
e2e_reference "$R/ref-500.png" --size 500x400
e2e_expect_canvas size-option "$R/ref-500.png"
e2e_quit "--size"
e2e_check "the size it closed with is kept" grep -qx 'window-size=500x400' "$SETTINGS"

# A malformed file: one line on stderr, and the first start's size.
printf 'window-size=wide\n' >"$SETTINGS"
e2e_start_vimbra --device "$DEVICE"
e2e_check "malformed settings: one line says so (got: $(tr '\n' '|' <"$E2E_WORK/vimbra.log"))" \
  test "$(cat "$E2E_WORK/vimbra.log")" = "vimbra: $SETTINGS: line 1: window-size cannot be 'wide'; ignored"
e2e_check "malformed settings: two thirds of the screen again (got $(e2e_area_size))" test "$(e2e_area_size)" = "1280 800"
e2e_quit "malformed settings"

# The handheld reads and writes no settings.
rm -f "$SETTINGS"
e2e_start_vimbra --handheld --device "$DEVICE"
e2e_check "--handheld: the handheld's 240 x 268 (got $(e2e_area_size))" test "$(e2e_area_size)" = "240 268"
e2e_quit "--handheld"
e2e_check "--handheld wrote no settings" test ! -e "$SETTINGS"

e2e_finish
