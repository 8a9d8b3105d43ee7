#!/usr/bin/env bash
# Checks the viewer's includes against its floors. A file may include its own
# floor and the floors below it, never one above; inside the platform the same
# holds for its rooms (base < device < draw < window < controls). The hosts
# (platform/headless, platform/wx) include only the platform. Above the
# platform no file includes a wx, GTK, GLib (GIO), cairo, pango or POSIX
# header, and GLib appears in no header at all (the device room's Trash
# includes it in its source); the decoding libraries' headers (libjpeg,
# TurboJPEG, libpng, giflib, libwebp, libtiff, libheif) appear only in the
# decoding glue's source files (imaging/*.cpp;
# the platform's drawing may write PNG files in its own sources), and no
# header of the system shows one. Prints every offending
# line and fails; the build's floorcheck_<floor> programs catch the same
# mistakes at link time.
#
# Usage: tools/check-layers.sh [VIEWER_DIR]   (default: viewer/ of this repo)
set -uo pipefail
viewer=${1:-"$(dirname "$0")/../viewer"}
cd "$viewer" || exit 2

floors=(platform res shell imaging filelist folderdlg pages app startup)
rooms=(base device draw window controls)
index_in() {
  local name=$1 i
  shift
  local list=("$@")
  for i in "${!list[@]}"; do
    [[ ${list[$i]} == "$name" ]] && { echo "$i"; return; }
  done
  echo -1
}
rank_of() { index_in "$1" "${floors[@]}"; }
room_of() { index_in "$1" "${rooms[@]}"; }

host_headers='^(wx/|gtk/|gdk/|glib|gio/|cairo|pango|fontconfig|X11/)'
codec_headers='^(jpeglib\.h|jerror\.h|turbojpeg\.h|png\.h|pngconf\.h|gif_lib\.h|webp/|tiff\.h|tiffio\.h|libheif/)'
glib_headers='^(glib|gio/|gobject/)'
posix_headers='^(unistd\.h|dirent\.h|fcntl\.h|pthread\.h|sys/|poll\.h|signal\.h|dlfcn\.h|spawn\.h)'

include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'

status=0
report() {
  echo "$1: $2" >&2
  status=1
}

while IFS= read -r file; do
  dir=${file%%/*}
  room=-1
  case $file in
    platform/headless/* | platform/wx/*) rank=0 host=1 ;;
    platform/*/*)
      rank=0 host=0
      room_name=${file#platform/}
      room_name=${room_name%%/*}
      room=$(room_of "$room_name")
      [[ $room -ge 0 ]] || report "$file" "a file in no room of the platform"
      ;;
    platform/*) rank=0 host=0
      report "$file" "a file of the platform outside its rooms" ;;
    *) rank=$(rank_of "$dir") host=0 ;;
  esac
  [[ $rank -ge 0 ]] || continue
  lineno=0
  while IFS= read -r line; do
    lineno=$((lineno + 1))
    [[ $line =~ $include_line ]] || continue
    kind=${BASH_REMATCH[1]}
    target=${BASH_REMATCH[2]}
    where="$file:$lineno: $line"
    if [[ $kind == '<' ]]; then
      if [[ $target =~ $codec_headers && $file == *.h ]]; then
        report "$where" "a decoding library's header in a header of the system"
        continue
      fi
      if [[ $target =~ $glib_headers && $file == *.h ]]; then
        report "$where" "GLib in a header: it stays in the platform's sources (the device's Trash)"
        continue
      fi
      [[ $rank -eq 0 ]] && continue
      if [[ $target =~ $host_headers || $target =~ $posix_headers ]]; then
        report "$where" "host header above the platform"
      elif [[ $target =~ $codec_headers && ! ($file == imaging/*.cpp) ]]; then
        report "$where" "$target outside the decoding glue's sources"
      fi
      continue
    fi
    # Quoted includes without a folder resolve beside the including file.
    [[ $target == */* ]] || continue
    top=${target%%/*}
    target_rank=$(rank_of "$top")
    if [[ $target_rank -lt 0 ]]; then
      report "$where" "includes a file outside the floors"
    elif [[ $host -eq 1 && $target_rank -gt 0 ]]; then
      report "$where" "a host includes the floor '$top' above the platform"
    elif [[ $target_rank -gt $rank ]]; then
      report "$where" "floor '$dir' reaches up to floor '$top'"
    elif [[ $rank -gt 0 && $dir != startup && ($target == platform/headless/* || $target == platform/wx/*) ]]; then
      report "$where" "only the programs' start-up includes a host"
    elif [[ $room -ge 0 && $target == platform/* ]]; then
      target_room=${target#platform/}
      target_room=${target_room%%/*}
      if [[ $target_room == headless || $target_room == wx ]]; then
        report "$where" "a room of the platform includes a host"
      elif [[ $(room_of "$target_room") -gt $room ]]; then
        report "$where" "room '${rooms[$room]}' reaches up to room '$target_room'"
      fi
    fi
  done <"$file"
done < <(find . -name '*.h' -o -name '*.cpp' -o -name '*.inc' | sed 's|^\./||' | sort)

if [[ $status -eq 0 ]]; then
  echo "check-layers: every include points down (${floors[*]}; platform rooms ${rooms[*]})"
fi
exit $status
