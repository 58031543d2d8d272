#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Debian package duzudozuze_VERSION_ARCH.deb into build-package/:
# a Release build installed under /usr, its dependencies found by
# dpkg-shlibdeps. Install it with: apt-get install ./build-package/duzudozuze_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
EXTRA_PACKAGES="help2man dpkg-dev file" BUILD_DIR=build-package BUILD_TYPE=Release TARGETS="duzudozuze duzudozuze-send manpages" \
    scripts/setup.sh -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/duzudozuze_*.deb
