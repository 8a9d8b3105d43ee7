#!/usr/bin/env bash
# End-to-end: full screen. --fullscreen starts so, F11 turns it off and on,
# and so does the Tools menu's Full Screen.
#
# What can be seen depends on the window manager. Without one (a bare Xvfb)
# GDK does the work itself: it moves the window to the screen's corner and
# sizes it to the screen, but nobody sets _NET_WM_STATE; so the first part
# checks the window's size and the canvas, which must equal vimbra-shot's at
# that size. With a window manager that supports full screen (evilwm, a tiny
# one from Debian's packages) the window's _NET_WM_STATE carries
# _NET_WM_STATE_FULLSCREEN exactly while the viewer is full screen.
#
# Usage: fullscreen_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
command -v evilwm >/dev/null || e2e_die "evilwm is missing (tools/install-deps.sh installs it)"
R=$E2E_WORK
SCREEN_W=1280
SCREEN_H=1024

# "W H" of the frame's X window.
window_size() {
  xwininfo -id "$E2E_WINDOW" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w, h }'
}

# Whether the frame's _NET_WM_STATE holds _NET_WM_STATE_FULLSCREEN: "yes" or "no".
fullscreen_state() {
  if xprop -id "$E2E_WINDOW" _NET_WM_STATE | grep -q '_NET_WM_STATE_FULLSCREEN'; then echo yes; else echo no; fi
}

# Polls `probe` until it prints `want` (the window manager answers in its own time).
wait_for() {
  local want=$1 probe=$2 deadline=$((SECONDS + E2E_TIMEOUT))
  while [[ $($probe) != "$want" ]] && ((SECONDS < deadline)); do sleep 0.05; done
  [[ $($probe) == "$want" ]]
}

covers_screen() {
  local w h
  read -r w h < <(window_size)
  ((w >= SCREEN_W && h >= SCREEN_H))
}
normal_size() {
  local w h
  read -r w h < <(window_size)
  ((w < SCREEN_W / 2 && h < SCREEN_H / 2))
}
is_covering() { covers_screen && echo yes || echo no; }
is_normal() { normal_size && echo yes || echo no; }

e2e_start_xvfb "${SCREEN_W}x$SCREEN_H"

# 1. No window manager: GDK's own full screen.
e2e_start_vimbra --handheld --device "$DEVICE" --fullscreen
e2e_check "bare X: --fullscreen sizes the window to the screen ($(window_size))" covers_screen
e2e_check "bare X: the canvas starts at the screen's left edge" test "$(e2e_canvas_rect | awk '{ print $1 }')" -eq 0
read -r _ _ cw ch < <(e2e_canvas_rect)
"$E2E_SHOT" --handheld --device "$DEVICE" --size "${cw}x$ch" --scrollbar-width "$E2E_BAR_WIDTH" shot "$R/ref-full.png" ||
  e2e_die "vimbra-shot failed"
e2e_expect_canvas bare-fullscreen "$R/ref-full.png"
e2e_key F11 122
e2e_check "bare X: F11 gives the window its size back" wait_for yes is_normal
e2e_check "bare X: the probe saw full screen go off" grep -q ' fullscreen 0$' "$E2E_PROBE"
e2e_key F11 122
e2e_check "bare X: F11 again covers the screen" wait_for yes is_covering
e2e_quit "bare X"

# 2. Under evilwm, which answers _NET_WM_STATE requests. It needs a core
# font; Xvfb serves "fixed".
evilwm -fn fixed >"$R/evilwm.log" 2>&1 &
wm_pid=$!
deadline=$((SECONDS + E2E_TIMEOUT))
until xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_WM_STATE_FULLSCREEN; do
  ((SECONDS < deadline)) || e2e_die "evilwm did not start (see $R/evilwm.log)"
  sleep 0.05
done
e2e_start_vimbra --handheld --device "$DEVICE" --fullscreen
e2e_check "evilwm: --fullscreen sets _NET_WM_STATE_FULLSCREEN" wait_for yes fullscreen_state
e2e_check "evilwm: the window covers the screen" wait_for yes is_covering
e2e_key F11 122
e2e_check "evilwm: F11 clears _NET_WM_STATE_FULLSCREEN" wait_for no fullscreen_state
e2e_check "evilwm: the window has its size back" wait_for yes is_normal
e2e_key F11 122
e2e_check "evilwm: F11 sets _NET_WM_STATE_FULLSCREEN again" wait_for yes fullscreen_state
e2e_menu_item 3
e2e_wait "^command 32778$"
e2e_check "evilwm: Tools > Full Screen turns it off" wait_for no fullscreen_state
e2e_quit "evilwm"
kill "$wm_pid" 2>/dev/null
wait "$wm_pid" 2>/dev/null

e2e_finish
