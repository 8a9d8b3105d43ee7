#!/usr/bin/env bash
# End-to-end: the desktop's slideshow in the real window, on the wx host's
# timer. F5 on the grid opens the current picture and steps on at the
# --slideshow pace; the picture it stops on is the one vimbra-shot shows
# after as many Right keys; Space pauses and resumes it, Escape ends it on
# its picture, and a second Escape returns to the grid.
#
# Usage: slideshow_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
R=$E2E_WORK
PACE=2
e2e_start_xvfb

# The picture's number in the title ("IMG_0002 (2 of 12) · …"); empty on the grid.
shown() { xdotool getwindowname "$E2E_WINDOW" | sed -n 's/.*(\([0-9]*\) of [0-9]*).*/\1/p'; }

# Waits up to $2 seconds for the title to name picture $1.
wait_shown() {
  local deadline=$((SECONDS + $2))
  while [[ $(shown) != "$1" ]] && ((SECONDS < deadline)); do sleep 0.05; done
  [[ $(shown) == "$1" ]]
}

e2e_start_vimbra --device "$DEVICE" --size 640x480 --no-thumbnail-cache --slideshow "$PACE"
e2e_key F5 116
e2e_check "F5 on the grid opens its current picture (title: $(shown))" test "$(shown)" = 1
e2e_check "a pace later the second picture" wait_shown 2 $((PACE + 3))
e2e_key space 32
paused=$(shown)
sleep $((PACE + 1))
e2e_check "Space pauses: still picture $paused after more than a pace (got $(shown))" test "$(shown)" = "$paused"
# The grid's first cell is the Holiday folder's: Right goes to the first picture.
rights=()
for ((i = 1; i < paused; i++)); do rights+=(key right); done
"$E2E_SHOT" --device "$DEVICE" --size 640x480 --no-thumbnail-cache --scrollbar-width "$E2E_BAR_WIDTH" \
  key right key return "${rights[@]}" shot "$R/ref-paused.png" >/dev/null || e2e_die "vimbra-shot failed"
e2e_expect_canvas paused "$R/ref-paused.png"
e2e_key space 32
e2e_check "Space resumes: picture $((paused + 1)) a pace later" wait_shown $((paused + 1)) $((PACE + 3))
e2e_key Escape 27
ended=$(shown)
sleep $((PACE + 1))
e2e_check "Escape ends the show on picture $ended (got $(shown))" test "$(shown)" = "$ended"
e2e_key Escape 27
e2e_check "a second Escape returns to the grid" test -z "$(shown)"

e2e_quit
e2e_finish
