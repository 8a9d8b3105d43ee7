#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Skips what is already present; uses sudo when not run as root.
set -euo pipefail

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

PACKAGES=(
  build-essential cmake pkg-config git
  libjpeg62-turbo-dev
  libcairo2-dev libpango1.0-dev fontconfig fonts-dejavu-core
  libwxgtk3.2-dev libgtk-3-dev
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xdotool imagemagick x11-utils
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  gcab
  desktop-file-utils appstream groff-base dpkg-dev file librsvg2-bin strace evilwm
  g++-mingw-w64-x86-64 wine64 libpng-dev
  libglib2.0-dev libturbojpeg0-dev libjpeg-turbo-progs
  libgif-dev libwebp-dev libtiff-dev libheif-dev zlib1g-dev libvips-tools
  dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
  libexif-dev libimage-exiftool-perl
)
I386_PACKAGES=(wine wine32)

missing=()
for p in "${PACKAGES[@]}" "${I386_PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
