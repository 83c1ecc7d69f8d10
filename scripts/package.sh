#!/usr/bin/env bash
# Builds the game for installation (Release, with Debian's hardening flags) in its own folder and
# writes exactly one Debian package, dist/keno_<version>_<arch>.deb, with CPack. Install it with
# `sudo apt install ./dist/keno_*.deb`. KENO_WERROR=ON makes warnings errors (the suite does).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
dir=${KENO_PACKAGE_BUILD_DIR:-$root/build-package}

bash scripts/install-deps.sh
# Every hardening feature Debian offers, bind-now included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all

cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DKENO_INSTALLED=ON -DKENO_WERROR="${KENO_WERROR:-OFF}" -DKENO_TESTS=OFF -DKENO_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" -j2

rm -rf "$dir/cpack"
(cd "$dir" && cpack -G DEB -B "$dir/cpack" >/dev/null)
mkdir -p dist
rm -f dist/keno_*.deb
cp "$dir"/cpack/keno_*_*.deb dist/
packages=(dist/keno_*.deb)
if [ "${#packages[@]}" -ne 1 ]; then
  echo "expected one package in dist/, found: ${packages[*]}" >&2
  exit 1
fi
echo "${packages[0]}"
