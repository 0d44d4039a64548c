#!/usr/bin/env bash
# Builds the Debian package mirelo_<version>_amd64.deb into this folder
# (Release build in build-package/). Install it with
#   apt install ./mirelo_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps finds the libraries' packages, rsvg-convert draws the icons.
bash scripts/setup.sh dpkg-dev librsvg2-bin desktop-file-utils
desktop-file-validate packaging/mirelo.desktop
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_TESTS=OFF -DMIRELO_PACKAGE=ON >/dev/null
cmake --build build-package -j2
rm -f build-package/mirelo_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(basename build-package/mirelo_*_amd64.deb)
cp "build-package/$deb" .
echo "$deb"
