#!/usr/bin/env bash
# Builds the Debian package mirelo_<version>_amd64.deb into this folder
# (Release build in build-package/). Install it with
#   apt install ./mirelo_<version>_amd64.deb
#
#   bash scripts/package.sh [BUILD_FOLDER]
#
# A build folder named (such as build/) is used as it is configured, with
# the package's rules added, and only what the package holds is built in it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
# dpkg-shlibdeps finds the libraries' packages, rsvg-convert draws the icons.
bash scripts/setup.sh dpkg-dev librsvg2-bin desktop-file-utils
desktop-file-validate packaging/mirelo.desktop
if [ "$build" = build-package ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_TESTS=OFF >/dev/null
fi
cmake -S . -B "$build" -DMIRELO_PACKAGE=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j2 --target mirelo mirelo-rtf podrecznik package_icons package_docs
rm -f "$build"/mirelo_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(basename "$build"/mirelo_*_amd64.deb)
bash packaging/drop-system-folders.sh "$build/$deb"
cp "$build/$deb" .
echo "$deb"
