#!/usr/bin/env bash
# End-to-end: the Select Folder dialog of vimbra under a private Xvfb. The
# Browser button opens it over the folder tree of the demo device; the user
# expands a folder with the keyboard, picks a folder with pictures, tries to
# rename it (refused), and confirms; the grid must then equal vimbra-shot's
# for the same folder. Cancel must leave the list alone, and confirming
# "My Device" shows the device root. On a device of 60,000 folders the
# dialog shows while its tree fills, and Cancel or Escape ends it mid-fill.
#
# Usage: folder_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
e2e_start_xvfb
e2e_start_vimbra --handheld --device "$DEVICE"
R=$E2E_WORK

"$E2E_SHOT" --handheld --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" \
  folder DCIM 100VIMBR shot "$R/ref-camera.png" \
  folder-cancel shot "$R/ref-cancel.png" \
  folder shot "$R/ref-root.png" \
  || e2e_die "vimbra-shot failed"

# The top level of the tree: the device's folders, siblings sorted by name
# without regard to letter case, under "My Device".
expected=$(printf 'My Device\n'; find "$DEVICE" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | LC_ALL=C sort -f)

open_dialog() {
  e2e_tool 32773
  e2e_wait '^dialog 131 '
  e2e_wait_idle
}

open_dialog
shown=$(awk -v from="$(grep -n ' dialog 131 ' "$E2E_PROBE" | tail -1 | cut -d: -f1)" \
  'NR > from && $2 == "treeitem" { sub(/^[0-9]+ treeitem [0-9]+ [0-9]+ [0-9]+ [0-9]+ /, ""); print }' "$E2E_PROBE")
e2e_check "tree shows My Device and the top-level folders in sorted order" test "$shown" = "$expected"
dialog_window=$(e2e_latest '^dialog-window ' | awk '{ print $2 }')
e2e_check "dialog is titled Select Folder" test "$(xdotool getwindowname "$dialog_window")" = "Select Folder"
e2e_check "dialog has the tree, OK and Cancel" \
  bash -c "grep -q ' control 1000 ' '$E2E_PROBE' && grep -q ' control 1 .* OK$' '$E2E_PROBE' \
           && grep -q ' control 2 .* Cancel$' '$E2E_PROBE'"

# Expand DCIM with the keyboard: its sub-folder appears.
e2e_tree_click DCIM
e2e_wait '^tree select DCIM$'
e2e_wait_idle
e2e_mark
e2e_dialog_keys Right
e2e_wait '^tree expand DCIM$'
e2e_wait '^treeitem .* 100VIMBR$'
e2e_wait_idle

e2e_tree_click 100VIMBR
e2e_wait '^tree select 100VIMBR$'
e2e_wait_idle

# An in-place rename is refused and the old label stays. A second click on
# the selected item starts the edit (after the double-click time, or it
# would be a double click).
sleep 0.6
e2e_tree_click 100VIMBR
e2e_wait '^tree edit-begin 100VIMBR$'
# Keys rather than "xdotool type", which remaps the keyboard for every letter.
xdotool key --delay 20 shift+r e n a m e d Return
e2e_check "rename is refused" e2e_wait '^tree edit-rejected Renamed$'
e2e_wait_idle
e2e_check "the label stays 100VIMBR" test -n "$(e2e_latest '^treeitem .* 100VIMBR$')"

e2e_dialog_click 1
e2e_wait '^dialog-end 131$'
e2e_wait_idle
e2e_expect_canvas camera-folder "$R/ref-camera.png"

# Cancel changes nothing.
open_dialog
e2e_tree_click Grey
e2e_wait '^tree select Grey$'
e2e_wait_idle
e2e_dialog_click 2
e2e_wait '^dialog-end 131$'
e2e_wait_idle
e2e_expect_canvas cancel "$R/ref-cancel.png"

# "My Device" is the device root, which holds no pictures.
open_dialog
e2e_tree_click 'My Device'
e2e_wait '^tree select My Device$'
e2e_wait_idle
e2e_dialog_click 1
e2e_wait '^dialog-end 131$'
e2e_wait_idle
e2e_expect_canvas root "$R/ref-root.png"

e2e_menu_item 2
e2e_wait '^exit-status '
status=0
wait "$E2E_VIMBRA_PID" || status=$?
E2E_VIMBRA_PID=
e2e_check "Quit ends vimbra with status 0 (got $status)" test "$status" -eq 0

# A device of 60,000 folders (in memory where the machine has it: made and
# removed in a second): the dialog shows at once and fills its tree in
# slices; Cancel, then Escape, end it before the fill does.
big_parent=/dev/shm
[[ -d $big_parent && -w $big_parent ]] || big_parent=$E2E_WORK
BIG=$(mktemp -d "$big_parent/vimbra-e2e-tree.XXXXXX")
trap 'status=$?; rm -rf "$BIG"; (exit $status); e2e_teardown' EXIT
(cd "$BIG" && mkdir -p d{0..199}/e{0..299}) || e2e_die "cannot make the large device"
e2e_start_vimbra --handheld --device "$BIG"
for how in Cancel Escape; do
  e2e_tool 32773
  opened=$E2E_MARK
  e2e_wait '^dialog 131 '
  e2e_check "$how: the dialog shows while its tree fills" \
    awk -v from="$opened" -v to="$E2E_MARK" '$1 > from && $1 < to && $2 == "dialog-working" { found = 1 }
      END { exit !found }' "$E2E_PROBE"
  started=$EPOCHREALTIME
  if [[ $how == Cancel ]]; then
    e2e_dialog_click 2
  else
    e2e_dialog_keys Escape
  fi
  e2e_wait '^dialog-end 131$'
  took=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }')
  # The time includes xdotool finding and pressing the button, which takes
  # most of a second on a loaded machine; the fill's end is checked below.
  e2e_check "$how ends the dialog mid-fill within 2 s (took $took s)" \
    awk -v t="$took" 'BEGIN { exit !(t < 2) }'
  e2e_check "$how came before the fill ended" bash -c "! grep -q ' dialog-work-done ' '$E2E_PROBE'"
  e2e_wait_idle
done
e2e_menu_item 2
e2e_wait '^exit-status '
status=0
wait "$E2E_VIMBRA_PID" || status=$?
E2E_VIMBRA_PID=
e2e_check "Quit after the cut fills ends vimbra with status 0 (got $status)" test "$status" -eq 0

e2e_finish
