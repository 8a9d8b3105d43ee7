#!/usr/bin/env bash
# End-to-end: a person's session with vimbra on the demo device, driven with
# xdotool under a private Xvfb. After each step the viewer's canvas on the
# screen must equal, pixel for pixel, what vimbra-shot draws for the same
# steps on the headless host: start-up grid, open a picture, zoom in twice,
# pan, next picture, an accelerator that does nothing, Back, a double tap,
# About (OK and Escape), and Quit ending the process with status 0.
#
# Usage: viewer_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
e2e_start_xvfb
e2e_start_vimbra --handheld --device "$DEVICE"
R=$E2E_WORK

# The headless host's default bar width must be the one GTK gives vimbra.
shot_default=$("$E2E_SHOT" --help | sed -n 's/.*--scrollbar-width N.*(default \([0-9]*\).*/\1/p')
e2e_check "scroll bar width $E2E_BAR_WIDTH is vimbra-shot's default ($shot_default)" \
  test "$E2E_BAR_WIDTH" = "$shot_default"
e2e_check "frame is titled by its folder" \
  test "$(xdotool getwindowname "$E2E_WINDOW")" = "My Documents "$'\u2014'" Vimbra"
e2e_check "frame carries the 32 x 32 program icon" \
  bash -c "xprop -id '$E2E_WINDOW' _NET_WM_ICON | grep -q 'Icon (32 x 32)'"
read -r _ _ cw ch < <(e2e_canvas_rect)
e2e_check "viewer area 240 x 268 with the bar: canvas ${cw}x${ch}" \
  test "$cw" -eq $((240 - E2E_BAR_WIDTH)) -a "$ch" -eq 268

# The same steps on the headless host, one picture per checkpoint.
"$E2E_SHOT" --handheld --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" \
  shot "$R/ref-grid.png" \
  tap 40 40 shot "$R/ref-open.png" \
  command zoomin command zoomin shot "$R/ref-zoom.png" \
  down 120 130 move 60 80 up 60 80 shot "$R/ref-pan.png" \
  key right shot "$R/ref-next.png" \
  command back shot "$R/ref-back.png" \
  dbltap 110 130 shot "$R/ref-dbltap.png" \
  command back command about shot "$R/ref-about.png" \
  || e2e_die "vimbra-shot failed"

e2e_expect_canvas grid "$R/ref-grid.png"
e2e_check "start-up bar shows Browser and About only" \
  test "$(grep -o ' tool [0-9]*' "$E2E_PROBE" | sort -u | tr -d '\n')" = " tool 32773 tool 57664"

e2e_tap 40 40
e2e_expect_canvas open "$R/ref-open.png"

e2e_tool 32775
e2e_wait_idle
e2e_tool 32775
e2e_wait_idle
e2e_expect_canvas zoom "$R/ref-zoom.png"

e2e_drag 120 130 60 80
e2e_expect_canvas pan "$R/ref-pan.png"

e2e_key Right 39
e2e_expect_canvas next "$R/ref-next.png"

# Ctrl+O is in the accelerator table; its command has no handler.
e2e_mark
xdotool windowfocus --sync "$E2E_WINDOW" key ctrl+o
e2e_wait '^accelerator 79$'
e2e_wait '^key up 17$'
e2e_wait_idle
e2e_expect_canvas accelerator "$R/ref-next.png"

e2e_tool 32777
e2e_wait_idle
e2e_expect_canvas back "$R/ref-back.png"

# A GTK double click reaches the viewer as two stylus-downs; the layer makes
# the second one a double tap, which no page handles.
read -r cx cy _ _ < <(e2e_canvas_rect)
e2e_mark
e2e_move $((cx + 110)) $((cy + 130))
xdotool click --repeat 2 --delay 80 1
e2e_wait '^stylus up 110 130 '
e2e_wait '^stylus up 110 130 '
e2e_wait_idle
e2e_expect_canvas dbltap "$R/ref-dbltap.png"
e2e_tool 32777
e2e_wait_idle

# About from the Tools menu: the template's texts, the icon and one OK.
e2e_menu_item 1
e2e_wait '^command 57664$'
e2e_wait '^dialog 100 '
e2e_wait_idle
dialog_window=$(e2e_latest '^dialog-window ' | awk '{ print $2 }')
e2e_check "About is titled About Vimbra" test "$(xdotool getwindowname "$dialog_window")" = "About Vimbra"
e2e_check "About shows the version line" grep -q ' control 1002 .* Vimbra Version 2.0$' "$E2E_PROBE"
e2e_check "About shows the icon and two further lines" \
  bash -c "grep -q ' control 1001 ' '$E2E_PROBE' && grep -q ' control 1003 .* developers$' '$E2E_PROBE' \
           && grep -q ' control 1004 .*@' '$E2E_PROBE'"
e2e_check "About has one OK button" \
  bash -c "[[ \$(grep -c ' control 1 .* OK$' '$E2E_PROBE') -eq 1 && -z \$(grep ' control 2 ' '$E2E_PROBE') ]]"
import -window root "$R/about-screen.png"
e2e_dialog_click 1
e2e_wait '^dialog-end 100$'
e2e_wait_idle
e2e_expect_canvas about "$R/ref-about.png"

# Escape closes About as Cancel.
e2e_menu_item 1
e2e_wait '^dialog 100 '
e2e_wait_idle
dialog_window=$(e2e_latest '^dialog-window ' | awk '{ print $2 }')
e2e_mark
xdotool windowfocus --sync "$dialog_window" key Escape
e2e_check "Escape sends Cancel to About" e2e_wait '^dialog-command 2$'
e2e_wait '^dialog-end 100$'
e2e_wait_idle
e2e_expect_canvas about-escape "$R/ref-about.png"

# Quit from the Tools menu ends the process with status 0.
e2e_menu_item 2
e2e_wait '^command 32771$'
e2e_wait '^exit-status '
status=0
wait "$E2E_VIMBRA_PID" || status=$?
E2E_VIMBRA_PID=
e2e_check "Quit ends vimbra with status 0 (got $status)" test "$status" -eq 0

e2e_finish
