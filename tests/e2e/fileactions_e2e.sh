#!/usr/bin/env bash
# End-to-end: the desktop's file actions in vimbra under a private Xvfb, with
# a private home and XDG_DATA_HOME (so its Trash is the test's own). Delete
# puts the picture and its .trashinfo in that Trash and Ctrl+Z brings it back
# to the same name and place; Ctrl+R turns it to the same pixels as
# `jpegtran -rotate 90 -perfect` and turns its Exif thumbnail alike; F2
# renames it and Move to... moves it, the grid keeping its order and the
# current picture; --handheld writes nothing and has none of these keys.
#
# Usage: fileactions_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
e2e_start_xvfb
R=$E2E_WORK
export HOME=$R/home XDG_DATA_HOME=$R/data
mkdir -p "$HOME"
command -v jpegtran >/dev/null || e2e_die "jpegtran is missing (tools/install-deps.sh installs it)"

# Camera files of the demo device (1280 x 960, 4:2:0, Exif thumbnail).
D=$R/device
mkdir -p "$D/My Documents" "$D/Other"
for n in 1 2 3; do cp "$DEVICE/My Documents/IMG_000$n.JPG" "$D/My Documents/p$n.jpg"; done
cp "$D/My Documents/p1.jpg" "$R/p1-original.jpg"
TRASH=$XDG_DATA_HOME/Trash

# The Exif thumbnail of a camera file, written to $2.
exif_thumbnail() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
at = data.index(b'Exif\0\0') + 6
tiff = data[at:]
e = '<' if tiff[:2] == b'II' else '>'
def u16(o): return struct.unpack(e + 'H', tiff[o:o + 2])[0]
def u32(o): return struct.unpack(e + 'I', tiff[o:o + 4])[0]
ifd0 = u32(4)
ifd1 = u32(ifd0 + 2 + 12 * u16(ifd0))
values = {}
for i in range(u16(ifd1)):
    entry = ifd1 + 2 + 12 * i
    values[u16(entry)] = u32(entry + 8)
open(sys.argv[2], 'wb').write(tiff[values[0x201]:values[0x201] + values[0x202]])
EOF
}

same_pixels() { [[ $(compare -metric AE "$1" "$2" null: 2>&1) == 0 ]]; }

# A key (xdotool's name) that the frame's accelerators take.
accelerator() {
  local name=$1 vk=$2
  e2e_mark
  xdotool windowfocus --sync "$E2E_WINDOW" key "$name"
  e2e_wait "^accelerator $vk$"
  e2e_wait_idle
}

# The caption begins so (the picture page adds its size and zoom).
title_is() { [[ $(e2e_latest '^title ') == "title $1"* ]]; }

# ---- 1. Delete to the Trash, Ctrl+Z back -----------------------------------
e2e_start_vimbra --device "$D" --size 640x480 --threads 1
REAL=$(realpath "$D/My Documents")
accelerator Delete 46
e2e_check "Delete: the picture left its folder" test ! -e "$D/My Documents/p1.jpg"
e2e_check "Delete: the picture is in the Trash, whole" cmp -s "$TRASH/files/p1.jpg" "$R/p1-original.jpg"
e2e_check "Delete: its .trashinfo names where it was" \
  grep -qx "Path=${REAL// /%20}/p1.jpg" "$TRASH/info/p1.jpg.trashinfo"
accelerator ctrl+z 90
e2e_check "Ctrl+Z: back at the same name and place, whole" cmp -s "$D/My Documents/p1.jpg" "$R/p1-original.jpg"
e2e_check "Ctrl+Z: the Trash holds nothing of it" \
  test ! -e "$TRASH/files/p1.jpg" -a ! -e "$TRASH/info/p1.jpg.trashinfo"

# ---- 2. A lossless turn ------------------------------------------------------
accelerator ctrl+r 82
jpegtran -rotate 90 -perfect "$R/p1-original.jpg" >"$R/p1-jpegtran.jpg"
e2e_check "Ctrl+R: jpegtran's pixels" same_pixels "$D/My Documents/p1.jpg" "$R/p1-jpegtran.jpg"
e2e_check "Ctrl+R: 960 x 1280, Orientation 1" \
  test "$(identify -format '%wx%h %[EXIF:Orientation]' "$D/My Documents/p1.jpg")" = "960x1280 1"
exif_thumbnail "$R/p1-original.jpg" "$R/thumb-original.jpg"
exif_thumbnail "$D/My Documents/p1.jpg" "$R/thumb-turned.jpg"
# A thumbnail that is not a whole number of blocks loses its partial edge.
jpegtran -rotate 90 -perfect "$R/thumb-original.jpg" >"$R/thumb-jpegtran.jpg" 2>/dev/null ||
  jpegtran -rotate 90 -trim "$R/thumb-original.jpg" >"$R/thumb-jpegtran.jpg"
e2e_check "Ctrl+R: the Exif thumbnail turned alike" same_pixels "$R/thumb-turned.jpg" "$R/thumb-jpegtran.jpg"

# ---- 3. Rename and move keep the order and the current picture --------------
# p1 becomes "zz.jpg" (the name is selected up to its extension), sorts last
# and stays current: the picture page opened on it says 3 of 3.
e2e_mark
xdotool windowfocus --sync "$E2E_WINDOW" key F2
e2e_wait '^dialog 143 '
e2e_wait '^edit-selection '
e2e_check "F2: the name is selected up to its extension" test "$E2E_LINE" = "edit-selection 0 2"
e2e_dialog_keys z z Return
e2e_wait '^dialog-end 143$'
e2e_wait_idle
e2e_check "F2: renamed" test -e "$D/My Documents/zz.jpg" -a ! -e "$D/My Documents/p1.jpg"
e2e_key Return 13
e2e_check "F2: the renamed picture is current and last" title_is "zz (3 of 3)"
# Move to... (the ninth item of Tools) into \Other: the next picture shows.
e2e_key Home 36
e2e_menu_item 9
e2e_wait '^dialog 131 '
e2e_wait '^dialog-work-done 131 |^idle$'
e2e_tree_click Other
e2e_wait '^tree select '
e2e_dialog_click 1
e2e_wait_idle
e2e_check "Move to: moved whole" test -e "$D/Other/p2.jpg" -a ! -e "$D/My Documents/p2.jpg"
e2e_check "Move to: the next picture, in order" title_is "p3 (1 of 2)"
e2e_quit

# ---- 4. The handheld writes nothing and has none of these keys --------------
ls -lR --time-style=full-iso "$D" >"$R/before.txt"
e2e_start_vimbra --handheld --device "$D" --threads 1
for key in Delete shift+Delete ctrl+z ctrl+r ctrl+l F2; do
  xdotool windowfocus --sync "$E2E_WINDOW" key "$key"
done
e2e_mark
xdotool windowfocus --sync "$E2E_WINDOW" key Down
e2e_wait '^key up 40$'
e2e_wait_idle
# (Its own table has Ctrl+Z for a command that nothing handles.)
e2e_check "--handheld: no file-action key is an accelerator" test -z "$(e2e_latest '^accelerator (46|82|76|113)$')"
e2e_quit
ls -lR --time-style=full-iso "$D" >"$R/after.txt"
e2e_check "--handheld: the device is as it was" cmp -s "$R/before.txt" "$R/after.txt"
e2e_check "--handheld: nothing went to the Trash" test ! -e "$TRASH/files/p3.jpg"

e2e_finish
