# Shared steps of the end-to-end tests: a private Xvfb server, vimbra started
# with its probe file, waiting on probe lines, input through xdotool and
# screenshots of the viewer's canvas compared with vimbra-shot's pictures.
#
# The probe file (VIMBRA_PROBE) has one numbered line per thing vimbra did;
# a step marks the current line, sends its input, waits for the line that
# says the input arrived and then for "idle" (nothing left to paint).

E2E_TIMEOUT=${E2E_TIMEOUT:-20}
E2E_MARK=0
E2E_FAILURES=0
E2E_PASSES=0

e2e_log() { printf '%s\n' "$*" >&2; }

e2e_die() {
  e2e_log "FATAL: $*"
  if [[ -n ${E2E_PROBE:-} && -f $E2E_PROBE ]]; then
    e2e_log "---- last probe lines ----"
    tail -n 25 "$E2E_PROBE" >&2
  fi
  exit 1
}

# Sets the Exif Orientation of a JPEG in place: the IFD0 entry of tag 0x0112,
# wherever it stands among the others, in the block's byte order.
e2e_set_orientation() {
  python3 - "$1" "$2" <<'PY' || e2e_die "no Exif Orientation entry in $1"
import struct, sys
path, value = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, "rb").read())
exif = data.find(b"Exif\0\0")
if exif < 0:
    sys.exit(1)
tiff = exif + 6
order = "<" if data[tiff:tiff + 2] == b"II" else ">"
ifd = tiff + struct.unpack_from(order + "I", data, tiff + 4)[0]
for i in range(struct.unpack_from(order + "H", data, ifd)[0]):
    entry = ifd + 2 + 12 * i
    if struct.unpack_from(order + "H", data, entry)[0] == 0x0112:
        struct.pack_into(order + "H", data, entry + 8, value)
        open(path, "wb").write(data)
        sys.exit(0)
sys.exit(1)
PY
}

e2e_require_tools() {
  local tool
  for tool in Xvfb xdotool import compare; do
    command -v "$tool" >/dev/null || e2e_die "$tool is missing (tools/install-deps.sh installs it)"
  done
}

# Makes the work folder and arranges for everything to be stopped at exit.
# The desktop profile's settings and the shared thumbnail cache go to the
# work folder, never to the user's own.
e2e_setup() {
  e2e_require_tools
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/vimbra-e2e.XXXXXX")
  E2E_PROBE=$E2E_WORK/probe.txt
  export XDG_CONFIG_HOME=$E2E_WORK/config XDG_CACHE_HOME=$E2E_WORK/cache
  trap e2e_teardown EXIT
}

e2e_teardown() {
  local status=$?
  if [[ -n ${E2E_VIMBRA_PID:-} ]] && kill -0 "$E2E_VIMBRA_PID" 2>/dev/null; then
    kill "$E2E_VIMBRA_PID" 2>/dev/null
    wait "$E2E_VIMBRA_PID" 2>/dev/null
  fi
  if [[ -n ${E2E_XVFB_PID:-} ]]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  if [[ $status -eq 0 && -z ${E2E_KEEP:-} ]]; then
    rm -rf "$E2E_WORK"
  else
    e2e_log "work folder kept: $E2E_WORK"
  fi
  exit $status
}

# Starts Xvfb on a display number it picks itself (-displayfd), so that
# parallel runs and other servers on the machine never collide. The screen
# is 1280 x 1024 unless a size WxH is given.
e2e_start_xvfb() {
  local fifo=$E2E_WORK/displayfd size=${1:-1280x1024}
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >"$E2E_WORK/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  local number
  if ! read -r -t "$E2E_TIMEOUT" number <"$fifo"; then
    e2e_die "Xvfb did not start (see $E2E_WORK/xvfb.log)"
  fi
  export DISPLAY=":$number"
  unset WAYLAND_DISPLAY
}

# The serial number of the last probe line.
e2e_last_serial() {
  [[ -f $E2E_PROBE ]] || { echo 0; return; }
  awk 'END { print ($1 == "" ? 0 : $1) }' "$E2E_PROBE"
}

e2e_mark() { E2E_MARK=$(e2e_last_serial); }

# Waits for a probe line after the mark whose words after the serial match
# the extended regular expression; leaves it (without the serial) in
# E2E_LINE and moves the mark to it. Call it in the shell itself, not in
# $(...), or the mark stays behind.
e2e_wait() {
  local pattern=$1 timeout=${2:-$E2E_TIMEOUT}
  local deadline=$((SECONDS + timeout)) line started=$EPOCHREALTIME
  while :; do
    line=$(awk -v from="$E2E_MARK" -v re="$pattern" \
      '$1 > from { rest = $0; sub(/^[0-9]+ /, "", rest); if (rest ~ re) { print; exit } }' "$E2E_PROBE" 2>/dev/null)
    if [[ -n $line ]]; then
      E2E_MARK=${line%% *}
      [[ -n ${E2E_TRACE:-} ]] && e2e_log "  waited $(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }') s for /$pattern/"
      E2E_LINE=${line#* }
      return 0
    fi
    if [[ -n ${E2E_VIMBRA_PID:-} ]] && ! kill -0 "$E2E_VIMBRA_PID" 2>/dev/null && [[ $pattern != ^exit* ]]; then
      e2e_die "vimbra ended while waiting for /$pattern/"
    fi
    ((SECONDS >= deadline)) && e2e_die "timed out waiting for /$pattern/"
    sleep 0.02
  done
}

e2e_wait_idle() { e2e_wait '^idle$'; }

# The latest probe line (anywhere in the file) matching the pattern.
e2e_latest() {
  awk -v re="$1" '{ rest = $0; sub(/^[0-9]+ /, "", rest); if (rest ~ re) last = rest } END { print last }' "$E2E_PROBE"
}

# Starts vimbra with the given options and waits for its first quiet moment.
e2e_start_vimbra() {
  : >"$E2E_PROBE"
  E2E_MARK=0
  VIMBRA_PROBE=$E2E_PROBE "$E2E_VIMBRA" "$@" </dev/null >"$E2E_WORK/vimbra.log" 2>&1 &
  E2E_VIMBRA_PID=$!
  e2e_wait '^window '
  E2E_WINDOW=${E2E_LINE#window }
  e2e_wait '^tool '
  e2e_wait_idle
  E2E_BAR_WIDTH=$(e2e_latest '^scrollbar-width ' | awk '{ print $2 }')
}

# The canvas rectangle on the screen: "X Y W H".
e2e_canvas_rect() { e2e_latest '^canvas ' | awk '{ print $2, $3, $4, $5 }'; }

# Centre of a probe rectangle "WORD... X Y W H" given as its four numbers.
e2e_centre() { echo $(($1 + $3 / 2)) $(($2 + $4 / 2)); }

# Moves the pointer and waits until it is there. xdotool's --sync waits for
# the motion, which never comes when the pointer is there already.
e2e_move() {
  local here
  here=$(xdotool getmouselocation | awk '{ sub("x:", "", $1); sub("y:", "", $2); print $1, $2 }')
  [[ $here == "$1 $2" ]] || xdotool mousemove --sync "$1" "$2"
}

# Moves the pointer away from the bar (its tooltips would cover the canvas)
# to a corner of the screen outside every window.
e2e_park_pointer() { e2e_move 1270 1010; }

# Clicks at a point of the canvas, given in the canvas' own pixels.
e2e_tap() {
  local cx cy cw ch
  read -r cx cy cw ch < <(e2e_canvas_rect)
  e2e_mark
  e2e_move $((cx + $1)) $((cy + $2))
  xdotool click 1
  e2e_wait "^stylus up $1 $2 "
  e2e_wait_idle
}

# A drag on the canvas: press at (x1, y1), one move to (x2, y2), release.
e2e_drag() {
  local cx cy cw ch
  read -r cx cy cw ch < <(e2e_canvas_rect)
  e2e_mark
  e2e_move $((cx + $1)) $((cy + $2))
  xdotool mousedown 1
  e2e_wait "^stylus down $1 $2 "
  e2e_move $((cx + $3)) $((cy + $4))
  e2e_wait "^stylus move $3 $4 "
  xdotool mouseup 1
  e2e_wait "^stylus up $3 $4 "
  e2e_wait_idle
}

# Presses and releases a key (xdotool's name) with the frame focused;
# `vk` is the virtual-key code vimbra must report for its release.
e2e_key() {
  local name=$1 vk=$2
  e2e_mark
  xdotool windowfocus --sync "$E2E_WINDOW" key "$name"
  e2e_wait "^key up $vk$"
  e2e_wait_idle
}

# Clicks the toolbar button of a command and waits until it has run.
e2e_tool() {
  local command=$1 rect
  rect=$(e2e_latest "^tool $command ")
  [[ -n $rect ]] || e2e_die "no toolbar button for command $command"
  e2e_mark
  # shellcheck disable=SC2086
  e2e_move $(e2e_centre ${rect#tool $command })
  xdotool click 1
  e2e_park_pointer
  e2e_wait "^command $command$"
}

# Opens the Tools menu and picks its n-th item (1-based) with the keyboard.
e2e_menu_item() {
  local n=$1 rect keys=()
  rect=$(e2e_latest '^menubutton ')
  e2e_mark
  # shellcheck disable=SC2086
  e2e_move $(e2e_centre ${rect#menubutton })
  xdotool click 1
  e2e_wait '^menu open$'
  for ((i = 0; i < n; i++)); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
  e2e_park_pointer
}

# Clicks a dialog control by its template id.
e2e_dialog_click() {
  local id=$1 rect
  rect=$(e2e_latest "^control $id ")
  [[ -n $rect ]] || e2e_die "no dialog control $id"
  e2e_mark
  # shellcheck disable=SC2086
  e2e_move $(e2e_centre ${rect#control $id })
  xdotool click 1
  e2e_wait "^dialog-command $id$"
}

# Presses keys (xdotool's names) in the open dialog.
e2e_dialog_keys() {
  local window
  window=$(e2e_latest '^dialog-window ' | awk '{ print $2 }')
  [[ -n $window ]] || e2e_die "no dialog window"
  xdotool windowfocus --sync "$window" key "$@"
}

# Clicks the text of a tree item of the open dialog, by its exact text.
e2e_tree_click() {
  local text=$1 line x y w h
  line=$(e2e_latest "^treeitem [0-9]+ [0-9]+ [0-9]+ [0-9]+ $text\$")
  [[ -n $line ]] || e2e_die "no tree item \"$text\""
  read -r _ x y w h _ <<<"$line"
  e2e_mark
  e2e_move $((x + w / 2)) $((y + h / 2))
  xdotool click 1
}

# Screenshot of the canvas region of the screen.
e2e_shot() {
  local cx cy cw ch
  read -r cx cy cw ch < <(e2e_canvas_rect)
  import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$1"
}

# Compares the canvas on the screen with vimbra-shot's picture, pixel for
# pixel. The probe's idle line comes after the paint reached the server, so
# the first look normally agrees; a few more looks allow for an X server that
# is slow to show it before the difference counts.
e2e_expect_canvas() {
  local name=$1 reference=$2 shot=$E2E_WORK/$1.png diff
  for attempt in 1 2 3 4 5; do
    e2e_shot "$shot"
    diff=$(compare -metric AE "$shot" "$reference" null: 2>&1)
    [[ $diff == 0 ]] && break
    sleep 0.2
  done
  if [[ $diff == 0 ]]; then
    E2E_PASSES=$((E2E_PASSES + 1))
    e2e_log "ok   $name"
  else
    E2E_FAILURES=$((E2E_FAILURES + 1))
    compare "$shot" "$reference" "$E2E_WORK/$name.diff.png" 2>/dev/null
    e2e_log "FAIL $name: $diff pixels differ from vimbra-shot (see $E2E_WORK/$name*.png)"
  fi
}

# Checks a condition and counts it like a picture.
e2e_check() {
  local name=$1
  shift
  if "$@"; then
    E2E_PASSES=$((E2E_PASSES + 1))
    e2e_log "ok   $name"
  else
    E2E_FAILURES=$((E2E_FAILURES + 1))
    e2e_log "FAIL $name"
  fi
}

# "X Y W H" of the frame's X window on the screen.
e2e_frame_geometry() {
  xwininfo -id "$E2E_WINDOW" |
    awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
         /^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print x, y, w, h }'
}

# "W H" of the viewer area: the frame's width (no window manager draws a
# border here) and the canvas' height below the toolbar; the canvas alone
# loses the scroll bar's width when the grid needs the bar.
e2e_area_size() {
  local fw ch
  read -r _ _ fw _ < <(e2e_frame_geometry)
  read -r _ _ _ ch < <(e2e_canvas_rect)
  echo "$fw" "$ch"
}

# Quits vimbra with Ctrl+Q and waits for the process; given a name, checks
# that it ended with status 0.
e2e_quit() {
  local status
  e2e_mark
  xdotool windowfocus --sync "$E2E_WINDOW" key ctrl+q
  e2e_wait '^exit-status '
  wait "$E2E_VIMBRA_PID"
  status=$?
  E2E_VIMBRA_PID=
  [[ $# -eq 0 ]] || e2e_check "$1: Ctrl+Q quits with status 0 (got $status)" test "$status" -eq 0
}

# vimbra-shot on the demo device with vimbra's scroll bar, into $1; the
# other arguments go before the shot.
e2e_reference() {
  local out=$1
  shift
  "$E2E_SHOT" --device "$DEVICE" --scrollbar-width "$E2E_BAR_WIDTH" "$@" shot "$out" >/dev/null ||
    e2e_die "vimbra-shot failed: $*"
}

# Whether the number $1 lies between $2 and $3.
e2e_within() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

# Closing line in the plain form CI reads; the status follows the failures.
e2e_finish() {
  echo "$E2E_PASSES passed, $E2E_FAILURES failed"
  [[ $E2E_FAILURES -eq 0 ]]
}

# The preamble of every test script, run as SCRIPT VIMBRA VIMBRA_SHOT DEVICE,
# which sources this file with those arguments: the programs, the demo device
# and a work folder that is cleaned up at exit. Other users (the screenshot
# tool) source it without them and set up themselves.
set -u
if [[ $# -ge 3 ]]; then
  E2E_VIMBRA=$1
  E2E_SHOT=$2
  DEVICE=$3
  e2e_setup
fi
