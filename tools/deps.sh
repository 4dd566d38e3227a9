#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing Vorlin need,
# only those that are missing, without questions.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  liballegro4-dev libmpg123-dev libfreetype-dev libpng-dev fonts-dejavu-core
  libgtest-dev googletest
  xvfb xauth xdotool x11-utils imagemagick valgrind openbox wmctrl bash-builtins
  lame sox twolame
  pulseaudio libasound2-plugins
  clang libclang-rt-14-dev clang-format
  dpkg-dev lintian appstream desktop-file-utils groff-base man-db
)
if [ "${1:-}" = "--play" ]; then
  packages=(build-essential cmake pkg-config liballegro4-dev libmpg123-dev libfreetype-dev libpng-dev
            fonts-dejavu-core)
fi

missing=()
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -y
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
