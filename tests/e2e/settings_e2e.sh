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

# "X Y W H" of the frame's X window on the screen.
frame_geometry() {
  xwininfo -id "$E2E_WINDOW" |
    awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
         /^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print x, y, w, h }'
}

# "W H" of the viewer area: the frame's width (no window manager draws a
# border here) and the canvas' height below the toolbar; the canvas alone
# loses the scroll bar's width when the grid needs the bar.
area_size() {
  local fw ch
  read -r _ _ fw _ < <(frame_geometry)
  read -r _ _ _ ch < <(e2e_canvas_rect)
  echo "$fw" "$ch"
}

quit_with_ctrl_q() {
  local status
  e2e_mark
  xdotool windowfocus --sync "$E2E_WINDOW" key ctrl+q
  e2e_wait '^exit-status '
  wait "$E2E_VIMBRA_PID"
  status=$?
  E2E_VIMBRA_PID=
  e2e_check "$1: Ctrl+Q quits with status 0 (got $status)" test "$status" -eq 0
}

# vimbra-shot in its default profile, with vimbra's scroll bar, into $1.
reference() {
  local out=$1
  shift
  "$E2E_SHOT" --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" "$@" shot "$out" >/dev/null ||
    e2e_die "vimbra-shot failed: $*"
}

within() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

# ---- 1. The first start: two thirds of the screen, vimbra-shot's default ----
e2e_check "no settings before the first start" test ! -e "$SETTINGS"
e2e_start_vimbra --device "$DEVICE"
read -r fx fy fw fh < <(frame_geometry)
e2e_check "first start: the window is about two thirds of 1920 x 1200 (${fw}x$fh)" \
  bash -c "$(declare -f within); within $((fw * 100 / 1920)) 60 75 && within $((fh * 100 / 1200)) 60 75"
e2e_check "first start: the viewer area is 1280 x 800 (got $(area_size))" test "$(area_size)" = "1280 800"
e2e_check "vimbra-shot's default area is the same" bash -c "'$E2E_SHOT' --help | grep -q 'default 1280x800'"
"$E2E_SHOT" --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" shot "$R/ref-first.png" >/dev/null ||
  e2e_die "vimbra-shot failed"
e2e_expect_canvas first-start "$R/ref-first.png"

# ---- 2. Kept across starts: size and place ---------------------------------
e2e_mark
xdotool windowsize --sync "$E2E_WINDOW" 900 640 windowmove --sync "$E2E_WINDOW" 120 90
e2e_wait '^canvas '
e2e_wait_idle
read -r kw kh < <(area_size)
read -r fx fy fw fh < <(frame_geometry)
quit_with_ctrl_q "after resizing"
e2e_check "the settings file keeps the area and the place (got: $(tr '\n' '|' <"$SETTINGS"))" \
  bash -c "grep -qx 'window-size=${kw}x$kh' '$SETTINGS' && grep -qx 'window-place=$fx,$fy' '$SETTINGS'"
e2e_check "the settings file is the user's own (mode 600)" test "$(stat -c %a "$SETTINGS")" = 600
e2e_start_vimbra --device "$DEVICE"
e2e_check "second start: the window as it closed ($fx $fy $fw $fh; got $(frame_geometry))" \
  test "$(frame_geometry)" = "$fx $fy $fw $fh"
reference "$R/ref-kept.png" --size "${kw}x$kh"
e2e_expect_canvas second-start "$R/ref-kept.png"
quit_with_ctrl_q "second start"

# --size wins over the kept size; the size it closes with is kept.
e2e_start_vimbra --device "$DEVICE" --size 500x400
e2e_check "--size 500x400 wins (got $(area_size))" test "$(area_size)" = "500 400"
reference "$R/ref-500.png" --size 500x400
e2e_expect_canvas size-option "$R/ref-500.png"
quit_with_ctrl_q "--size"
e2e_check "the size it closed with is kept" grep -qx 'window-size=500x400' "$SETTINGS"

# A malformed file: one line on stderr, and the first start's size.
printf 'window-size=wide\n' >"$SETTINGS"
e2e_start_vimbra --device "$DEVICE"
e2e_check "malformed settings: one line says so (got: $(tr '\n' '|' <"$E2E_WORK/vimbra.log"))" \
  test "$(cat "$E2E_WORK/vimbra.log")" = "vimbra: $SETTINGS: line 1: window-size cannot be 'wide'; ignored"
e2e_check "malformed settings: two thirds of the screen again (got $(area_size))" test "$(area_size)" = "1280 800"
quit_with_ctrl_q "malformed settings"

# The handheld reads and writes no settings.
rm -f "$SETTINGS"
e2e_start_vimbra --handheld --device "$DEVICE"
e2e_check "--handheld: the handheld's 240 x 268 (got $(area_size))" test "$(area_size)" = "240 268"
quit_with_ctrl_q "--handheld"
e2e_check "--handheld wrote no settings" test ! -e "$SETTINGS"

e2e_finish
