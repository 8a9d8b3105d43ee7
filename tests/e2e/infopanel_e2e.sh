#!/usr/bin/env bash
# End-to-end: the desktop's information panel in vimbra-shot, for a camera
# JPEG, a grey JPEG without Exif, a HEIC and a PNG of the demo device, on the
# picture page and on the grid's current cell. Its lines (vimbra-shot's
# panel event) are compared with what exiftool -n reads of the same file,
# line by line and value by value; its screenshot must show the panel's band
# with one row of text for each line, and none without it. In the handheld
# profile i changes nothing on the screen and there is no panel.
#
# Usage: infopanel_e2e.sh VIMBRA_SHOT VIMBRA_MAKE_DEMO
set -u
SHOT=$1
MAKE_DEMO=$2
for tool in exiftool convert python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vimbra-panel.XXXXXX")
trap '[[ -n ${E2E_KEEP:-} ]] || rm -rf "$WORK"' EXIT
DEMO=$WORK/demo
"$MAKE_DEMO" "$DEMO" >/dev/null || { echo "FAIL: vimbra-make-demo failed"; exit 1; }
export XDG_CONFIG_HOME=$WORK/config XDG_CACHE_HOME=$WORK/cache
W=1000
H=600
PANEL=240
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

# The band of a screenshot as grey bytes, then the rows of text in it: for
# each 16-pixel line from y = 8, whether it holds a dark pixel.
text_rows() {
  convert "$1" -crop "$((PANEL - 16))x${H}+$((W - PANEL + 8))+0" +repage -colorspace gray -depth 8 gray:- |
    python3 -c '
import sys
w, h = int(sys.argv[1]), int(sys.argv[2])
data = sys.stdin.buffer.read()
rows = ["1" if any(b < 128 for y in range(8 + 16 * i, 8 + 16 * i + 16) for b in data[y * w:(y + 1) * w]) else "0"
        for i in range((h - 8) // 16)]
print("".join(rows))' "$((PANEL - 16))" "$H"
}

# The colour of one pixel, "r,g,b".
pixel() { convert "$1" -format "%[fx:int(255*u.r)],%[fx:int(255*u.g)],%[fx:int(255*u.b)]" -crop "1x1+$2+$3" info:; }

# Compares panel lines ($1) with exiftool -n of the file ($2); prints what differs.
compare_lines() {
  exiftool -n -j -FileSize -FileType -ImageWidth -ImageHeight -DateTimeOriginal -Make -Model -LensModel \
    -ExposureTime -FNumber -ISO -FocalLength -Flash -Orientation -Composite:GPSLatitude -Composite:GPSLongitude \
    -ProfileDescription "$2" | python3 -c '
import json, sys
tags = json.load(sys.stdin)[0]
lines = [l for l in open(sys.argv[1], encoding="utf-8").read().split("\n") if l]
panel = dict(l.split(": ", 1) for l in lines)
name, folder = sys.argv[2], sys.argv[3]
bad = []
def same(label, ok):
    if not ok: bad.append("%s: panel %r, exiftool %r" % (label, panel.get(label), {k: v for k, v in tags.items()}))
def num(label, value, tolerance):
    try: same(label, abs(value - tags[label_tag[label]]) <= tolerance)
    except (KeyError, ValueError, TypeError): same(label, False)
label_tag = {"Aperture": "FNumber", "Focal length": "FocalLength", "Exposure": "ExposureTime"}
expected = ["Name", "Folder", "File size", "Format", "Pixels"]
same("Name", panel.get("Name") == name)
same("Folder", panel.get("Folder") == folder)
same("File size", panel.get("File size", "").split("(")[-1].split(" ")[0] == str(tags["FileSize"]))
same("Format", panel.get("Format") == {"JPEG": "JPEG", "PNG": "PNG", "HEIC": "HEIF"}[tags["FileType"]])
same("Pixels", panel.get("Pixels") == "%d \u00d7 %d" % (tags["ImageWidth"], tags["ImageHeight"]))
if "DateTimeOriginal" in tags:
    expected.append("Taken")
    d = tags["DateTimeOriginal"]
    same("Taken", panel.get("Taken") == d[:4] + "-" + d[5:7] + "-" + d[8:])
if "Make" in tags or "Model" in tags:
    expected.append("Camera")
    make, model = str(tags.get("Make", "")), str(tags.get("Model", ""))
    same("Camera", panel.get("Camera") == (model if model.startswith(make) else (make + " " + model).strip()))
if "LensModel" in tags:
    expected.append("Lens")
    same("Lens", panel.get("Lens") == tags["LensModel"])
if "ExposureTime" in tags:
    expected.append("Exposure")
    v = panel.get("Exposure", "x s")[:-2]
    num("Exposure", 1 / float(v[2:]) if v.startswith("1/") else float(v), tags["ExposureTime"] * 0.01)
if "FNumber" in tags:
    expected.append("Aperture")
    num("Aperture", float(panel.get("Aperture", "f/nan")[2:]), 0.05)
if "ISO" in tags:
    expected.append("ISO")
    same("ISO", panel.get("ISO") == str(tags["ISO"]))
if "FocalLength" in tags:
    expected.append("Focal length")
    num("Focal length", float(panel.get("Focal length", "nan mm")[:-3]), 0.05)
if "Flash" in tags:
    expected.append("Flash")
    same("Flash", panel.get("Flash") == ("fired" if tags["Flash"] & 1 else "did not fire"))
if "Orientation" in tags:
    expected.append("Orientation")
    same("Orientation", panel.get("Orientation", "").split(" ")[0] == str(tags["Orientation"]))
if "GPSLatitude" in tags:
    expected.append("GPS")
    lat, lon = (float(x) for x in panel.get("GPS", "nan, nan").split(", "))
    same("GPS", abs(lat - tags["GPSLatitude"]) < 1e-6 and abs(lon - tags["GPSLongitude"]) < 1e-6)
if "ProfileDescription" in tags:
    expected.append("Colour profile")
    same("Colour profile", panel.get("Colour profile") == tags["ProfileDescription"])
# Every line is one of these, and no fact exiftool has is missing.
if [l.split(": ", 1)[0] for l in lines] != expected:
    bad.append("lines %s, expected %s" % ([l.split(": ", 1)[0] for l in lines], expected))
print("\n".join(bad))' "$1" "$(basename "$2")" '\One'
}

# The four kinds of file, and the number of lines each must give at least.
FILES=("My Documents/IMG_0001.JPG" "Grey/Plain grey (no Exif).jpg" "Formats/HEIC phone photo.heic" "Formats/PNG photo.png")
MIN_LINES=(15 5 16 16)
for i in "${!FILES[@]}"; do
  file=${FILES[$i]}
  dev=$WORK/dev$i
  mkdir -p "$dev/One"
  cp "$DEMO/$file" "$dev/One/"
  out=$WORK/out$i
  mkdir -p "$out"
  "$SHOT" --device "$dev" --no-thumbnail-cache --size "${W}x$H" folder One \
    shot "$out/grid-off.png" panel "$out/grid-off.txt" key 73 shot "$out/grid.png" panel "$out/grid.txt" \
    key return shot "$out/picture.png" panel "$out/picture.txt" \
    key 73 shot "$out/picture-off.png" panel "$out/picture-off.txt" >/dev/null ||
    { echo "FAIL: vimbra-shot failed on $file"; failures=$((failures + 1)); continue; }
  lines=$(grep -c . "$out/picture.txt")
  check "$file: $lines lines (at least ${MIN_LINES[$i]})" test "$lines" -ge "${MIN_LINES[$i]}"
  diffs=$(compare_lines "$out/picture.txt" "$dev/One/$(basename "$file")")
  check "$file: the picture page's panel says what exiftool -n reads${diffs:+ ($diffs)}" test -z "$diffs"
  check "$file: the grid's panel has the same lines" cmp -s "$out/grid.txt" "$out/picture.txt"
  check "$file: no lines while hidden" test ! -s "$out/grid-off.txt" -a ! -s "$out/picture-off.txt"
  want=$(printf '1%.0s' $(seq "$lines"))$(printf '0%.0s' $(seq $(((H - 8) / 16 - lines))))
  for shot in grid picture; do
    check "$file: the $shot screenshot has a row of text for each line" test "$(text_rows "$out/$shot.png")" = "$want"
    check "$file: the $shot screenshot shows the panel's band" test "$(pixel "$out/$shot.png" $((W - 1)) $((H - 1)))" = "243,243,243"
    check "$file: the $shot screenshot without the panel has no band" \
      test "$(pixel "$out/$shot-off.png" $((W - 1)) $((H - 1)))" != "243,243,243"
  done
done

# The handheld: i is no key there, the screens stay as they were.
"$SHOT" --handheld --device "$DEMO" folder "My Documents" shot "$WORK/hh-grid.png" tap 40 40 shot "$WORK/hh-picture.png" \
  >/dev/null || { echo "FAIL: vimbra-shot --handheld failed"; exit 1; }
"$SHOT" --handheld --device "$DEMO" folder "My Documents" key 73 shot "$WORK/hh-grid-i.png" panel "$WORK/hh-grid.txt" \
  tap 40 40 key 73 shot "$WORK/hh-picture-i.png" panel "$WORK/hh-picture.txt" >/dev/null ||
  { echo "FAIL: vimbra-shot --handheld failed"; exit 1; }
check "handheld: the tap opened the picture page" test "$(cmp -s "$WORK/hh-grid.png" "$WORK/hh-picture.png"; echo $?)" = 1
check "handheld: the grid is unchanged by i" cmp -s "$WORK/hh-grid.png" "$WORK/hh-grid-i.png"
check "handheld: the picture page is unchanged by i" cmp -s "$WORK/hh-picture.png" "$WORK/hh-picture-i.png"
check "handheld: no panel" test ! -s "$WORK/hh-grid.txt" -a ! -s "$WORK/hh-picture.txt"

if [[ $failures -ne 0 ]]; then
  echo "FAIL: $failures checks failed"
  exit 1
fi
echo "PASS"
