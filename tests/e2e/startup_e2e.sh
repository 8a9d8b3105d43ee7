#!/usr/bin/env bash
# End-to-end: where vimbra starts and what its window says. A PATH (a folder
# or a picture, alone or inside --device) decides the first page, which must
# equal vimbra-shot's after the same steps, and nothing is made in the
# user's folders; without PATH and --device the user's pictures folder is the
# device when there is one. The window's name (WM_NAME and _NET_WM_NAME, read
# with xprop) names the folder or the picture and its place, and follows
# taps, arrow keys, Back and Select Folder as vimbra-shot's does. Ctrl+Q
# quits; a window destroyed from outside (the frame or the client leader),
# or a lost X connection, ends the process with status 1 and one line on
# stderr, and a signal that ends it is named there. A pipe as user-dirs.dirs
# does not hold up the start, and an empty PATH is refused.
#
# Usage: startup_e2e.sh VIMBRA VIMBRA_SHOT DEVICE
source "$(dirname "$0")/e2e_lib.sh" "$@"
R=$E2E_WORK
DASH=$'\u2014'

# The window's name; both properties must agree, or it prints both.
x_title() {
  local wm net
  wm=$(LC_ALL=C.UTF-8 xprop -id "$E2E_WINDOW" -notype WM_NAME | sed -n 's/^WM_NAME = "\(.*\)"$/\1/p')
  net=$(LC_ALL=C.UTF-8 xprop -id "$E2E_WINDOW" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')
  if [[ $wm == "$net" ]]; then printf '%s\n' "$wm"; else printf 'WM_NAME=%s _NET_WM_NAME=%s\n' "$wm" "$net"; fi
}

# vimbra-shot's title after EVENTS... (its --trace ends with the title).
shot_title() {
  "$E2E_SHOT" --handheld --scrollbar-width "$E2E_BAR_WIDTH" --trace --out "$R/unused.png" "$@" |
    sed -n 's/^title "\(.*\)"$/\1/p'
}

# A reference picture of vimbra-shot after EVENTS...
reference() {
  local out=$1
  shift
  "$E2E_SHOT" --handheld --scrollbar-width "$E2E_BAR_WIDTH" "$@" shot "$out" >/dev/null || e2e_die "vimbra-shot failed: $*"
}

matches() { [[ $1 =~ $2 ]]; }

# The index N of the picture page's "(N of M)" in a title.
place_of() { sed -n 's/.*(\([0-9]*\) of [0-9]*).*/\1/p' <<<"$1"; }

# EVENTS that open picture N of a folder's grid: the first, then N - 1 steps.
steps_to() {
  local n=$1 i
  printf '%s\n' tap 40 40
  for ((i = 1; i < n; i++)); do printf '%s\n' key right; done
}

e2e_start_xvfb

# 1. The PATH forms. Each starts vimbra, reads its window's name, compares
# the canvas with vimbra-shot's, and quits with Ctrl+Q. "alone" forms start
# on a copy of a demo folder, which must stay as it was.
mkdir -p "$R/alone" "$R/ref"
cp -r "$DEVICE/My Documents/Holiday" "$R/alone/Holiday"
cp -r "$DEVICE/My Documents/Holiday" "$R/ref/Holiday"
picture=$(cd "$R/alone/Holiday" && ls -- *.jpg | head -n 1)
before=$(cd "$R/alone" && find . | sort)
# name | vimbra's arguments | vimbra-shot's --device | its events to the same page | the title, * for a picture
cases=(
  "folder alone|$R/alone/Holiday|$R/ref/Holiday|folder|Holiday $DASH Vimbra"
  "picture alone|$R/alone/Holiday/$picture|$R/ref/Holiday|folder|${picture%.jpg} *"
  "folder inside --device|--device|$DEVICE|folder Grey|Grey $DASH Vimbra"
  "picture inside --device=|--device=|$DEVICE||IMG_0005 *"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r name arg device events expected <<<"$entry"
  case $name in
    "folder inside --device") args=(--device "$DEVICE" "$DEVICE/Grey") ;;
    "picture inside --device=") args=("--device=$DEVICE" "$DEVICE/My Documents/IMG_0005.JPG") ;;
    *) args=("$arg") ;;
  esac
  e2e_start_vimbra --handheld "${args[@]}"
  title=$(x_title)
  # shellcheck disable=SC2206
  shot_events=($events)
  if [[ $expected == *'*' ]]; then
    n=$(place_of "$title")
    mapfile -t more < <(steps_to "${n:-0}")
    shot_events+=("${more[@]}")
    e2e_check "$name: the title names the picture and its place (got '$title')" \
      matches "$title" "^${expected%\*}\([0-9]+ of [0-9]+\) $DASH Vimbra\$"
  else
    e2e_check "$name: the title is '$expected' (got '$title')" test "$title" = "$expected"
  fi
  reference "$R/ref-${name// /-}.png" --device "$device" "${shot_events[@]}"
  e2e_expect_canvas "${name// /-}" "$R/ref-${name// /-}.png"
  shot=$(shot_title --device "$device" "${shot_events[@]}")
  e2e_check "$name: vimbra-shot's title is the same (got '$shot')" test "$shot" = "$title"
  e2e_quit "$name"
done
e2e_check "nothing was made in the folders opened alone" test "$(cd "$R/alone" && find . | sort)" = "$before"

# 2. PATHs that cannot be shown: status 2 and one line that says why.
refusals=(
  "outside --device|not inside the device folder|--device|$DEVICE/Grey|$DEVICE/CMYK"
  "missing|no such file or folder|$R/nothing"
  "not a folder or a picture|not a folder or a JPEG picture|$DEVICE/Notes/readme.txt"
  "two PATHs|one PATH at most|$DEVICE/Grey|$DEVICE/CMYK"
)
for entry in "${refusals[@]}" "empty|no such file or folder"; do
  IFS='|' read -r -a fields <<<"$entry"
  # `vimbra ""`: an empty PATH names nothing (a fault would start a window).
  [[ ${fields[0]} == empty ]] && fields+=("")
  timeout "$E2E_TIMEOUT" "$E2E_VIMBRA" --handheld "${fields[@]:2}" </dev/null >"$R/out.txt" 2>"$R/err.txt"
  status=$?
  e2e_check "${fields[0]}: status 2 (got $status)" test "$status" -eq 2
  e2e_check "${fields[0]}: says '${fields[1]}'" grep -q -- "${fields[1]}" "$R/err.txt"
  e2e_check "${fields[0]}: no window, one or two lines" \
    bash -c "[[ \$(wc -l <'$R/err.txt') -le 2 && ! -s '$R/out.txt' ]]"
done

# 3. Neither PATH nor --device: the user's pictures folder is the device,
# shown from its top and left as it was; without one, the per-user device
# folder is made with "My Documents".
make_home() {
  local home=$1 pictures=$2
  mkdir -p "$home/$pictures" "$R/refhome/$pictures"
  cp "$DEVICE/Grey/"*.jpg "$home/$pictures/"
  cp "$DEVICE/Grey/"*.jpg "$R/refhome/$pictures/"
}
make_home "$R/home1" Pictures
make_home "$R/home2" Fotos
mkdir -p "$R/home2/.config" "$R/home2/Pictures" "$R/home3"
printf '# made by the test\nXDG_PICTURES_DIR="$HOME/Fotos"\n' >"$R/home2/.config/user-dirs.dirs"
for entry in "home1|Pictures" "home2|Fotos"; do
  IFS='|' read -r home folder <<<"$entry"
  before=$(cd "$R/$home" && find . | sort)
  HOME=$R/$home XDG_CONFIG_HOME= XDG_DATA_HOME=$R/$home-data e2e_start_vimbra --handheld
  e2e_check "$home: the title is '$folder $DASH Vimbra' (got '$(x_title)')" test "$(x_title)" = "$folder $DASH Vimbra"
  reference "$R/ref-$home.png" --device "$R/refhome/$folder" folder
  e2e_expect_canvas "$home-pictures" "$R/ref-$home.png"
  e2e_quit "$home"
  e2e_check "$home: nothing was made in the home" test "$(cd "$R/$home" && find . | sort)" = "$before"
  e2e_check "$home: no per-user device folder" test ! -e "$R/$home-data/vimbra"
done
HOME=$R/home3 XDG_CONFIG_HOME= XDG_DATA_HOME=$R/home3-data e2e_start_vimbra --handheld
e2e_check "no pictures folder: the per-user device folder is made with My Documents" \
  test -d "$R/home3-data/vimbra/device/My Documents"
e2e_check "no pictures folder: the title is 'My Documents $DASH Vimbra'" \
  test "$(x_title)" = "My Documents $DASH Vimbra"
e2e_quit "no pictures folder"

# A pipe as user-dirs.dirs holds up nothing: the window comes, and one line
# says the file was left aside.
mkdir -p "$R/home4/.config" "$R/home4/Pictures"
mkfifo "$R/home4/.config/user-dirs.dirs"
HOME=$R/home4 XDG_CONFIG_HOME= XDG_DATA_HOME=$R/home4-data e2e_start_vimbra --handheld
e2e_check "user-dirs.dirs a pipe: ~/Pictures is the device" test "$(x_title)" = "Pictures $DASH Vimbra"
e2e_check "user-dirs.dirs a pipe: one line says it was ignored (got: $(tr '\n' '|' <"$E2E_WORK/vimbra.log"))" \
  test "$(cat "$E2E_WORK/vimbra.log")" = "vimbra: $R/home4/.config/user-dirs.dirs: not a regular file; ignored"
e2e_quit "user-dirs.dirs a pipe"

# 4. The title follows the user: a tap, an arrow key, Back, Select Folder.
e2e_start_vimbra --handheld --device "$DEVICE"
e2e_check "start: 'My Documents $DASH Vimbra'" test "$(x_title)" = "My Documents $DASH Vimbra"
steps=()
# Called once the step's "idle" came: the title changes inside the event's
# handling, and the X server has it by then.
check_title() {
  local name=$1 shot
  shot=$(shot_title --device "$DEVICE" "${steps[@]}")
  e2e_check "$name: the window's title is vimbra-shot's '$shot' (got '$(x_title)')" \
    test "$(x_title)" = "$shot"
}
e2e_tap 40 40
steps+=(tap 40 40)
check_title "tap"
e2e_check "tap: the title is the first picture's (1 of N)" bash -c "[[ '$(x_title)' == *'(1 of '* ]]"
e2e_key Right 39
steps+=(key right)
check_title "Right"
e2e_check "Right: the second picture (2 of N)" bash -c "[[ '$(x_title)' == *'(2 of '* ]]"
e2e_tool 32777
e2e_wait_idle
steps+=(command back)
check_title "Back"
e2e_tool 32773
e2e_wait '^dialog 131 '
e2e_wait_idle
e2e_tree_click Grey
e2e_wait '^tree select Grey$'
e2e_wait_idle
e2e_dialog_click 1
e2e_wait '^dialog-end 131$'
e2e_wait_idle
steps+=(folder Grey)
check_title "Select Folder"
e2e_check "Select Folder: 'Grey $DASH Vimbra'" test "$(x_title)" = "Grey $DASH Vimbra"
e2e_quit "after the steps"

# 5. The window destroyed by another program, or the X connection killed:
# the process ends with status 1 and says so in one line. So does the
# destruction of the client leader, the unmapped window that carries the
# program's name (a search by name finds it first). A signal is named too.
for how in windowclose windowkill leader sigterm; do
  e2e_start_vimbra --handheld --device "$DEVICE"
  case $how in
    leader) xdotool windowclose "$(xprop -id "$E2E_WINDOW" WM_CLIENT_LEADER | awk '{ print $NF }')" ;;
    sigterm) kill -TERM "$E2E_VIMBRA_PID" ;;
    *) xdotool "$how" "$E2E_WINDOW" ;;
  esac
  deadline=$((SECONDS + E2E_TIMEOUT))
  while kill -0 "$E2E_VIMBRA_PID" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.05; done
  if kill -0 "$E2E_VIMBRA_PID" 2>/dev/null; then
    e2e_check "$how: the process ended" false
    continue
  fi
  wait "$E2E_VIMBRA_PID"
  status=$?
  E2E_VIMBRA_PID=
  expected=1
  [[ $how == sigterm ]] && expected=143
  e2e_check "$how: status $expected (got $status)" test "$status" -eq "$expected"
  e2e_check "$how: one line on stderr (got: $(tr '\n' '|' <"$E2E_WORK/vimbra.log"))" \
    bash -c "[[ \$(wc -l <'$E2E_WORK/vimbra.log') -eq 1 ]] && grep -q '^vimbra: ' '$E2E_WORK/vimbra.log'"
done
e2e_check "sigterm: the line names the signal" grep -qx 'vimbra: ended by signal 15 (Terminated)' "$E2E_WORK/vimbra.log"

e2e_finish
