#!/usr/bin/env bash
# End-to-end: vimbra's command line and start-up. --version, --help and a bad
# option (one line and "Try 'vimbra --help'."); vimbra-shot refuses the same
# bad values in the same form; a missing or unreachable display is one clear
# line on stderr and a failure status; without --device (and without a
# pictures folder) the per-user device folder is made, below an existing
# home only; and --size and
# --memory, also as --opt=value, reach the viewer (compared with vimbra-shot
# given the same options).
#
# Usage: options_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
R=$E2E_WORK

run_status() {
  "$@" >"$R/out.txt" 2>"$R/err.txt" </dev/null
  echo $?
}

e2e_check "--version prints the version" \
  test "$(run_status "$E2E_VIMBRA" --version) $(cat "$R/out.txt")" = "0 vimbra 2.0"
e2e_check "--help lists the options" \
  bash -c "[[ \$('$E2E_VIMBRA' --help </dev/null | grep -c -- '--device\|--memory\|--size') -ge 3 ]]"
e2e_check "an unknown option is a usage error (status 2)" test "$(run_status "$E2E_VIMBRA" --bogus)" -eq 2
e2e_check "--size needs WxH" test "$(run_status "$E2E_VIMBRA" --size 12)" -eq 2

# A bad option or value: status 2, the reason in one line, then the hint.
bad_cases=(
  "vimbra|vimbra: unrecognized option '--bogus'|--bogus"
  "vimbra|vimbra: --threads takes a number from 1 to 256, not '0'|--threads=0"
  "vimbra|vimbra: --slideshow is the desktop's: the handheld has no slideshow|--handheld|--slideshow|4"
  "vimbra-shot|vimbra-shot: --memory takes a number of megabytes from 0 to 1099511627776, not 'abc'|--device|$DEVICE|--memory|abc"
  "vimbra-shot|vimbra-shot: --memory takes a number of megabytes from 0 to 1099511627776, not '17592186044416'|--device|$DEVICE|--memory=17592186044416"
  "vimbra-shot|vimbra-shot: --size takes WxH, each side from 1 to 16384, not '240x268junk'|--device|$DEVICE|--size|240x268junk"
  "vimbra-shot|vimbra-shot: --size takes WxH, each side from 1 to 16384, not '0x0'|--device|$DEVICE|--size=0x0|shot|$R/never.png"
  "vimbra-shot|vimbra-shot: --scrollbar-width takes a number of pixels from 0 to 256, not '14px'|--device|$DEVICE|--scrollbar-width|14px"
  "vimbra-shot|vimbra-shot: --device $R/none: not a folder|--device|$R/none"
)
for entry in "${bad_cases[@]}"; do
  IFS='|' read -r -a fields <<<"$entry"
  program=$E2E_VIMBRA
  [[ ${fields[0]} == vimbra-shot ]] && program=$E2E_SHOT
  status=$(run_status "$program" "${fields[@]:2}")
  expected=$(printf '%s\nTry '"'"'%s --help'"'"'.' "${fields[1]}" "${fields[0]}")
  e2e_check "${fields[*]:2}: status 2 (got $status)" test "$status" -eq 2
  e2e_check "${fields[*]:2}: one line and the hint (got: $(tr '\n' '|' <"$R/err.txt"))" \
    test "$(cat "$R/err.txt")" = "$expected"
  e2e_check "${fields[*]:2}: nothing on stdout" test ! -s "$R/out.txt"
done
e2e_check "vimbra-shot wrote no picture for a bad size" test ! -e "$R/never.png"

# Function keys by name in vimbra-shot's events: f1 to f24, nothing else
# (an event it cannot read is status 1, saying why).
for entry in f1:0 f11:0 f24:0 f25:1 f01:1 f:1 f+5:1; do
  status=$(run_status "$E2E_SHOT" --device "$DEVICE" key "${entry%:*}")
  e2e_check "vimbra-shot key ${entry%:*}: status ${entry#*:} (got $status)" test "$status" -eq "${entry#*:}"
  [[ ${entry#*:} == 0 ]] || e2e_check "vimbra-shot key ${entry%:*}: says why" grep -q "needs a key name" "$R/err.txt"
done

status=$(run_status env -u DISPLAY -u WAYLAND_DISPLAY "$E2E_VIMBRA" --device "$DEVICE")
e2e_check "no display: status 1 (got $status)" test "$status" -eq 1
e2e_check "no display: one line saying so, nothing from GTK" \
  bash -c "[[ \$(wc -l <'$R/err.txt') -eq 1 ]] && grep -q 'no display' '$R/err.txt'"

# A display number nobody serves: no socket and no lock file for it.
unused=4242
while [[ -e /tmp/.X11-unix/X$unused || -e /tmp/.X$unused-lock ]]; do unused=$((unused + 1)); done
status=$(run_status env DISPLAY=":$unused" "$E2E_VIMBRA" --device "$DEVICE")
e2e_check "unreachable display: status 1 (got $status)" test "$status" -eq 1
e2e_check "unreachable display: says which" grep -q "cannot open the display \":$unused\"" "$R/err.txt"

e2e_start_xvfb

# Without --device: $XDG_DATA_HOME/vimbra/device, made with "My Documents"
# (under a home without a pictures folder, which would be the device).
export HOME=$R/plain-home XDG_DATA_HOME=$R/xdg
unset XDG_CONFIG_HOME
mkdir -p "$HOME"
e2e_start_vimbra --handheld --size 320x200
e2e_check "default device folder made under XDG_DATA_HOME" test -d "$R/xdg/vimbra/device/My Documents"
read -r _ _ cw ch < <(e2e_canvas_rect)
e2e_check "--size 320x200 gives a 320 x 200 viewer area (got ${cw}x$ch)" test "$cw $ch" = "320 200"
"$E2E_SHOT" --handheld --device "$R/xdg/vimbra/device" --size 320x200 --scrollbar-width "$E2E_BAR_WIDTH" \
  shot "$R/ref-empty.png" || e2e_die "vimbra-shot failed"
e2e_expect_canvas empty-device "$R/ref-empty.png"
e2e_menu_item 2
e2e_wait '^exit-status '
wait "$E2E_VIMBRA_PID"
E2E_VIMBRA_PID=

# Without XDG_DATA_HOME: ~/.local/share/vimbra/device, made only below a
# home folder that exists; a missing home is never made.
unset XDG_DATA_HOME
status=$(HOME=$R/home run_status "$E2E_VIMBRA" --handheld)
e2e_check "missing home: status 1 (got $status) and one line naming the folder and the reason" \
  test "$status $(cat "$R/err.txt")" = "1 vimbra: cannot make the device folder $R/home/.local/share/vimbra/device: $R/home: No such file or directory"
e2e_check "missing home: not made" test ! -e "$R/home"
mkdir "$R/home"
HOME=$R/home e2e_start_vimbra --handheld
e2e_check "default device folder made under ~/.local/share" test -d "$R/home/.local/share/vimbra/device/My Documents"
e2e_menu_item 2
e2e_wait '^exit-status '
wait "$E2E_VIMBRA_PID"
E2E_VIMBRA_PID=

# --opt=value: --device= and --size= reach the viewer too.
e2e_start_vimbra --handheld --device="$DEVICE" --size=300x250
read -r _ _ cw ch < <(e2e_canvas_rect)
e2e_check "--size=300x250 gives a 300-wide area with the bar (got ${cw}x$ch)" \
  test "$((cw + E2E_BAR_WIDTH)) $ch" = "300 250"
"$E2E_SHOT" --handheld --device="$DEVICE" --size=300x250 --scrollbar-width="$E2E_BAR_WIDTH" shot "$R/ref-300.png" ||
  e2e_die "vimbra-shot failed"
e2e_expect_canvas opt-equals-value "$R/ref-300.png"
e2e_menu_item 2
e2e_wait '^exit-status '
wait "$E2E_VIMBRA_PID"
E2E_VIMBRA_PID=

# --memory 1: a camera picture does not fit in 1 MB; the viewer says so in
# its window, as the headless host's does with the same budget.
e2e_start_vimbra --handheld --device "$DEVICE" --memory 1
"$E2E_SHOT" --handheld --device "$DEVICE" --memory 1 --scrollbar-width "$E2E_BAR_WIDTH" \
  shot "$R/ref-small-grid.png" tap 40 40 shot "$R/ref-small-open.png" || e2e_die "vimbra-shot failed"
e2e_expect_canvas memory-grid "$R/ref-small-grid.png"
e2e_tap 40 40
e2e_expect_canvas memory-open "$R/ref-small-open.png"

e2e_finish
