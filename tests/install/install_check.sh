#!/usr/bin/env bash
# Checks what `cmake --install` and `cpack -G DEB` deliver, from the outside:
#   tree  install into a fresh prefix; run the installed programs there and
#         validate the desktop entry, the metainfo, the manual pages and icons
#   deb   build the Debian package; check its files, control fields and the
#         libraries its Depends line names, and that its programs are stripped
# Every check runs and is reported; the script fails if any failed.
#
# Usage: install_check.sh tree|deb BUILD-DIR SOURCE-DIR VERSION APP-ID WORK-DIR
set -uo pipefail

mode=$1 build=$2 source=$3 version=$4 app_id=$5 work=$6
failures=0

log() { printf '%s\n' "$*" >&2; }
fail() {
  log "FAIL: $*"
  failures=$((failures + 1))
}
die() {
  log "FATAL: $*"
  exit 1
}

# A validator that is missing fails the test: a check that cannot run has
# not passed.
need() {
  local tool=$1 package=$2
  command -v "$tool" >/dev/null ||
    die "$tool not found: install the Debian package $package (tools/install-deps.sh installs it)"
}

# The files an install delivers, relative to its prefix, and nothing else.
expected_files() {
  local size
  printf '%s\n' bin/vimbra bin/vimbra-make-demo bin/vimbra-shot \
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
    share/man/man1/vimbra.1 share/man/man1/vimbra-shot.1 \
    "share/icons/hicolor/scalable/apps/$app_id.svg"
  for size in "${icon_sizes[@]}"; do printf '%s\n' "share/icons/hicolor/${size}x$size/apps/$app_id.png"; done
}
icon_sizes=(16 24 32 48 64 128 256)

check_file_list() {
  local what=$1 actual=$2
  local diff_text
  if ! diff_text=$(diff <(expected_files | sort) <(sort <<<"$actual")); then
    fail "$what holds other files than expected (< missing, > unexpected):"$'\n'"$diff_text"
  fi
}

# ELF programs must find everything without the build tree: no RPATH or
# RUNPATH at all (every library of ours is linked in statically).
check_no_runpath() {
  local program=$1
  if readelf -d "$program" | grep -Eq '\((RPATH|RUNPATH)\)'; then
    fail "$program carries a library search path: $(readelf -d "$program" | grep -E 'RPATH|RUNPATH')"
  fi
}

# Files that name the build or the source tree depend on it.
check_no_tree_paths() {
  local file=$1
  if grep -qF -e "$build" -e "$source" "$file"; then
    fail "$file names the build or source tree"
  fi
}

check_tree() {
  need desktop-file-validate desktop-file-utils
  need appstreamcli appstream
  need groff groff-base
  need identify imagemagick
  need compare imagemagick
  need rsvg-convert librsvg2-bin
  need readelf binutils

  local prefix=$work/prefix
  { rm -rf "$work" && mkdir -p "$work/run"; } || die "cannot make $work"
  cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    die "cmake --install failed (is everything built?):"$'\n'"$(tail -n 20 "$work/install.log")"

  check_file_list "the installed tree" "$(cd "$prefix" && find . -type f -printf '%P\n')"

  # The programs run from the installed tree, from a folder of their own.
  local program kind
  for program in vimbra vimbra-shot vimbra-make-demo; do
    check_no_runpath "$prefix/bin/$program"
  done
  local reported
  reported=$(cd "$work/run" && "$prefix/bin/vimbra" --version)
  [[ $reported == "vimbra $version" ]] || fail "vimbra --version printed '$reported', not 'vimbra $version'"

  (cd "$work/run" && "$prefix/bin/vimbra-make-demo" device >/dev/null) || fail "vimbra-make-demo failed"
  if (cd "$work/run" && "$prefix/bin/vimbra-shot" --device device shot grid.png tap 40 40 shot picture.png); then
    local png
    for png in grid picture; do
      [[ $(identify -format '%m' "$work/run/$png.png" 2>/dev/null) == PNG ]] ||
        fail "vimbra-shot wrote no PNG $png.png"
    done
    # The grid shows many thumbnails; the tap opened a picture instead.
    local colours
    colours=$(identify -format '%k' "$work/run/grid.png" 2>/dev/null)
    ((${colours:-0} > 100)) || fail "the grid screenshot has only ${colours:-0} colours: no thumbnails drawn"
    compare -metric AE "$work/run/grid.png" "$work/run/picture.png" null: 2>/dev/null &&
      fail "the screenshots before and after the tap are the same"
  else
    fail "vimbra-shot failed on the installed demo device"
  fi

  # The desktop entry: valid, and naming the program, the icon and the type.
  local entry=$prefix/share/applications/$app_id.desktop
  local output
  # Hints count too: desktop-file-validate says nothing about a clean entry.
  output=$(desktop-file-validate "$entry" 2>&1)
  [[ $? -eq 0 && -z $output ]] || fail "desktop-file-validate: $output"
  grep -qx 'Exec=vimbra %f' "$entry" || fail "the desktop entry does not start 'vimbra %f'"
  grep -qx "Icon=$app_id" "$entry" || fail "the desktop entry's icon is not $app_id"
  grep -Eqx 'MimeType=(.*;)?image/jpeg;.*' "$entry" || fail "the desktop entry does not open image/jpeg"

  # The metainfo: valid offline, and its launchable is the installed entry.
  local metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
  output=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $output"
  grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"

  # The manual pages: not one warning, in any category.
  local page
  for page in vimbra vimbra-shot; do
    output=$(groff -man -ww -z "$prefix/share/man/man1/$page.1" 2>&1)
    [[ $? -eq 0 && -z $output ]] || fail "groff -man -ww -z $page.1: $output"
  done

  # Each icon is the size its folder says, and the SVG draws what the
  # 256-pixel PNG shows (a few edge pixels may round differently).
  local size icons=$prefix/share/icons/hicolor
  for size in "${icon_sizes[@]}"; do
    reported=$(identify -format '%m %wx%h' "$icons/${size}x$size/apps/$app_id.png" 2>/dev/null)
    [[ $reported == "PNG ${size}x$size" ]] || fail "icon ${size}x$size is '$reported'"
  done
  if rsvg-convert -w 256 -h 256 "$icons/scalable/apps/$app_id.svg" -o "$work/svg256.png"; then
    local differing
    differing=$(compare -metric AE -fuzz 10% "$work/svg256.png" "$icons/256x256/apps/$app_id.png" null: 2>&1)
    ((${differing%% *} <= 256)) || fail "the SVG icon differs from the 256-pixel PNG in $differing pixels"
  else
    fail "rsvg-convert cannot draw the SVG icon"
  fi

  local file
  while IFS= read -r file; do
    case $file in bin/*) ;; *) check_no_tree_paths "$prefix/$file" ;; esac
  done < <(expected_files)
}

check_deb() {
  need cpack cmake
  need dpkg-deb dpkg
  need dpkg-shlibdeps dpkg-dev
  need file file

  { rm -rf "$work" && mkdir -p "$work"; } || die "cannot make $work"
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
    die "cpack failed:"$'\n'"$(tail -n 30 "$work/cpack.log")"
  local debs=("$work"/out/*.deb)
  [[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || die "cpack made no single .deb: ${debs[*]}"
  local deb=${debs[0]}
  log "package: $(basename "$deb")"

  check_file_list "the package" "$(dpkg-deb -c "$deb" | awk '$1 ~ /^-/ { sub(/^\.\/usr\//, "", $6); print $6 }')"

  local field value
  for field in Package:vimbra "Version:$version" Section:graphics "Architecture:$(dpkg --print-architecture)"; do
    value=$(dpkg-deb -f "$deb" "${field%%:*}")
    [[ $value == "${field#*:}" ]] || fail "${field%%:*} is '$value', not '${field#*:}'"
  done
  [[ $(dpkg-deb -f "$deb" Maintainer) =~ ^.+\ \<.+@.+\>$ ]] || fail "the Maintainer is not 'Name <address>'"
  # A synopsis line, then a long text of its own in continuation lines.
  local description
  mapfile -t description < <(dpkg-deb -f "$deb" Description)
  ((${#description[@]} > 3)) || fail "the Description has no long text"
  [[ ${description[1]:-} == " "* && ${description[1]:1} != "${description[0]}" ]] ||
    fail "the Description's long text repeats its synopsis or is not indented: ${description[1]:-}"

  # Depends comes from dpkg-shlibdeps: the packages of every shared
  # library the programs link, each with a version.
  local depends package
  depends=$(dpkg-deb -f "$deb" Depends)
  log "Depends: $depends"
  for package in libc6 'libstdc\+\+6' libjpeg62-turbo 'libwxgtk3\.2-[0-9]+' 'libwxbase3\.2-[0-9]+' libgtk-3-0 \
    libcairo2 'libpango-1\.0-0' 'libpangocairo-1\.0-0'; do
    [[ $depends =~ (^|, )$package\ \(\>=\ [^\)]+\) ]] ||
      fail "Depends does not name ${package//\\/} with a version"
  done

  # The programs in the package are stripped and stand on their own.
  dpkg-deb -x "$deb" "$work/root" || die "dpkg-deb -x failed"
  local program kind
  for program in vimbra vimbra-shot vimbra-make-demo; do
    kind=$(file -b "$work/root/usr/bin/$program")
    [[ $kind == *ELF*executable* && $kind == *", stripped"* ]] ||
      fail "usr/bin/$program is not a stripped executable: $kind"
    check_no_runpath "$work/root/usr/bin/$program"
    check_no_tree_paths "$work/root/usr/bin/$program"
  done
  local reported
  reported=$("$work/root/usr/bin/vimbra" --version)
  [[ $reported == "vimbra $version" ]] || fail "the packaged vimbra --version printed '$reported'"
}

case $mode in
  tree) check_tree ;;
  deb) check_deb ;;
  *) die "unknown mode $mode (tree or deb)" ;;
esac
if ((failures > 0)); then
  log "$failures check(s) failed; work folder kept: $work"
  exit 1
fi
log "all checks passed ($mode)"
rm -rf "$work"
