#!/usr/bin/env bash
# End-to-end: what assistive technology reads of vimbra. Under a private
# D-Bus session (the accessibility bus is started on demand), every toolbar
# button of the grid and of the picture page and every item of the Tools
# menu has its name, as AT-SPI reports it (tests/e2e/atspi_names.py), in
# both profiles (the desktop's Tools menu with its file actions).
#
# Usage: names_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
if [[ -z ${VIMBRA_E2E_SESSION_BUS:-} ]]; then
  command -v dbus-run-session >/dev/null || { echo "FATAL: dbus-run-session is missing (tools/install-deps.sh installs it)"; exit 1; }
  VIMBRA_E2E_SESSION_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/e2e_lib.sh" "$@"
NAMES=$(dirname "$0")/atspi_names.py
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
  e2e_die "python3-gi and gir1.2-atspi-2.0 are missing (tools/install-deps.sh installs them)"
unset NO_AT_BRIDGE GTK_A11Y
e2e_start_xvfb

# The names AT-SPI reports for vimbra now, one "ROLE<TAB>NAME" a line.
names() { /usr/bin/python3 "$NAMES" "$E2E_VIMBRA_PID" 2>>"$E2E_WORK/atspi.log"; }

for profile in handheld desktop; do
  flags=()
  [[ $profile == handheld ]] && flags=(--handheld)
  e2e_start_vimbra "${flags[@]}" --device "$DEVICE" --size 320x300
  e2e_check "$profile grid: Tools, Browser and About are named (got: $(names | tr '\t\n' ':|'))" \
    test "$(names)" = $'button\tTools\nbutton\tBrowser\nbutton\tAbout'

  if [[ $profile == desktop ]]; then
    # The desktop's first cell is the Holiday folder's; the first picture follows.
    e2e_key Right 39
    e2e_key Return 13
  else
    e2e_tap 40 40
  fi
  e2e_check "$profile picture page: Tools, Back, Zoom In, Zoom Out and About are named (got: $(names | tr '\t\n' ':|'))" \
    test "$(names)" = $'button\tTools\nbutton\tBack\nbutton\tZoom In\nbutton\tZoom Out\nbutton\tAbout'

  rect=$(e2e_latest '^menubutton ')
  e2e_mark
  # shellcheck disable=SC2086
  e2e_move $(e2e_centre ${rect#menubutton })
  xdotool click 1
  e2e_wait '^menu open$'
  items=$(names | grep '^menuitem' | cut -f2)
  expected=$'About Vimbra...\nQuit\nFull Screen'
  # The desktop's slideshow, file actions and sort orders follow; the
  # handheld has none.
  [[ $profile == desktop ]] && expected+=$'\nSlideshow'
  [[ $profile == desktop ]] && expected+=$'\nRotate Left\nRotate Right\nRename...\nCopy to...\nMove to...'
  [[ $profile == desktop ]] && expected+=$'\nMove to Trash\nUndo Move to Trash\nDelete for Good...'
  [[ $profile == desktop ]] && expected+=$'\nSort by Name\nSort by Date Taken\nSort by Modification Time'
  [[ $profile == desktop ]] && expected+=$'\nSort by File Size\nReverse Order'
  e2e_check "$profile Tools menu: every item is named (got: $(tr '\n' '|' <<<"$items"))" \
    test "$items" = "$expected"
  xdotool key Escape
  e2e_wait '^menu close$'
  e2e_park_pointer
  e2e_quit
done

e2e_finish
