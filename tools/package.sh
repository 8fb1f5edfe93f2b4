#!/usr/bin/env bash
# Builds the suite and its Debian package: pemblo_<version>_amd64.deb in the top folder.
#   bash tools/package.sh        then, as root: apt install ./pemblo_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
rm -f build/package/pemblo_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/package/pemblo_*.deb)
cp "$deb" .
echo "$(basename "$deb") ($(du -h "$deb" | cut -f1))"
