#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the game needs.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  # build
  cmake g++ pkg-config make
  # game
  libgtk-3-dev libgl-dev libglu1-mesa-dev libx11-dev libmimalloc-dev
  libsdl2-dev libsdl2-mixer-dev fonts-dejavu-core
  # the draw history (a SQLite database) and the tests' reader of it
  libsqlite3-dev sqlite3
  # the Debian package (dpkg-shlibdeps, dpkg-buildflags)
  dpkg-dev file
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils libgl1-mesa-dri python3 xsettingsd
  clang libclang-rt-dev
  lintian desktop-file-utils appstream
  # the screen-reader test: the AT-SPI bus, its Python client and the ATK headers
  at-spi2-core python3-pyatspi dbus dbus-x11 libatk1.0-dev
)

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

# Skip the network entirely when everything is present already.
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
