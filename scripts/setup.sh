#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vid Mill needs.
# Idempotent and quiet: when everything is present it prints nothing and touches nothing.
set -euo pipefail

PACKAGES=(
  g++ cmake make pkg-config libgtest-dev
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6
  qml6-module-qtmultimedia gstreamer1.0-plugins-good gstreamer1.0-plugins-base
  libavcodec-dev libavformat-dev libavfilter-dev libavutil-dev libswscale-dev libswresample-dev
  libespeak-ng-dev espeak-ng-data
  flite1-dev
  festival festival-dev libestools-dev festlex-cmu festlex-poslex festvox-us-slt-hts
  ffmpeg
  libass-dev libfontconfig-dev fonts-wqy-microhei
  # emoji in captions: libass draws outline fonts only; Symbola has the common
  # ones, Unifont Upper the newer (U+1F9B7)
  fonts-symbola fonts-unifont
  xvfb x11-apps imagemagick fonts-dejavu-core
  # screenshots under a window manager (scripts/screenshots.sh)
  openbox xdotool
  # tests only: an offline recogniser hears whether faster speech is still understood
  pocketsphinx pocketsphinx-en-us
  # the package: icons drawn at build time; cpack finds the programs with file and
  # their libraries with dpkg-shlibdeps
  librsvg2-bin file dpkg-dev
  # tests only: the menu entry, AppStream data and manual pages are validated
  desktop-file-utils appstream groff-base
  # tests and benchmarks: MP4s read as MediaInfo and mkvmerge read them; the MP4
  # benchmark's photographs (/usr/share/backgrounds) and MLT's melt
  mediainfo mkvtoolnix lomiri-wallpapers-16.04 melt
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
