#!/usr/bin/env bash
# Checks the viewer's includes against its floors. A file may include its own
# floor and the floors below it, never one above; the hosts (platform/headless,
# platform/wx) include only the platform. Above the platform no file includes
# a wx, GTK, cairo, pango or POSIX header, and jpeglib.h only in the decoding
# glue's source files. Prints every offending line and fails; the build's
# floorcheck_<floor> programs catch the same mistakes at link time.
#
# Usage: tools/check-layers.sh [VIEWER_DIR]   (default: viewer/ of this repo)
set -uo pipefail
viewer=${1:-"$(dirname "$0")/../viewer"}
cd "$viewer" || exit 2

floors=(platform res shell imaging filelist folderdlg pages app)
rank_of() {
  local i
  for i in "${!floors[@]}"; do
    [[ ${floors[$i]} == "$1" ]] && { echo "$i"; return; }
  done
  echo -1
}

host_headers='^(wx/|gtk/|gdk/|glib|cairo|pango|fontconfig|X11/)'
posix_headers='^(unistd\.h|dirent\.h|fcntl\.h|pthread\.h|sys/|poll\.h|signal\.h|dlfcn\.h|spawn\.h)'

include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'

status=0
report() {
  echo "$1: $2" >&2
  status=1
}

while IFS= read -r file; do
  dir=${file%%/*}
  case $file in
    platform/headless/* | platform/wx/*) rank=0 host=1 ;;
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
      [[ $rank -eq 0 ]] && continue
      if [[ $target =~ $host_headers || $target =~ $posix_headers ]]; then
        report "$where" "host header above the platform"
      elif [[ $target == jpeglib.h && ! ($file == imaging/*.cpp) ]]; then
        report "$where" "jpeglib.h outside the decoding glue's sources"
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
    fi
  done <"$file"
done < <(find . -name '*.h' -o -name '*.cpp' -o -name '*.inc' | sed 's|^\./||' | sort)

if [[ $status -eq 0 ]]; then
  echo "check-layers: every include points down (${floors[*]})"
fi
exit $status
