#!/usr/bin/env bash
# Takes out of a built package's archive the folders that are not the
# package's own: dpkg removes a folder along with the last package that
# lists it, and on a minimal system no other package lists /opt. What stays
# are the package's folders (below); the others exist on every Debian system
# (base-files makes /opt, /usr, /usr/bin, /usr/share/doc, /usr/share/man...)
# or come with a dependency (hicolor-icon-theme's icon folders).
#
#   bash packaging/drop-system-folders.sh mirelo_<version>_amd64.deb
set -euo pipefail

own='^\./(opt/Vorlane/|usr/share/mirelo/|usr/share/doc/mirelo/|usr/share/applications/$)'

deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
ar x "$deb"
[ -f data.tar.xz ] || { echo "drop-system-folders: $deb has no data.tar.xz" >&2; exit 1; }
# The archive made again from its own files, in its own order, without the
# folders that are not the package's; owners root as before.
mkdir data
tar -C data -xf data.tar.xz
tar -tf data.tar.xz | grep -E "[^/]\$|$own" >kept
tar -C data --no-recursion --owner=0 --group=0 --numeric-owner -cJf data.tar.xz -T kept
rm -f "$deb"
ar rcD "$deb" debian-binary control.tar.* data.tar.xz
