#!/usr/bin/env bash
# Installs what is missing, builds the program and makes the Debian package
# build/packages/nimbral2_<version>_amd64.deb (installed under /usr).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh nimbral2
(cd build && cpack -G DEB -B "$PWD/packages" > packages.log 2>&1) || { echo "cpack failed; see build/packages.log"; exit 1; }
ls build/packages/*.deb
