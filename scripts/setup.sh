#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what the build needs (Debian 12 packages) when it is missing, and
# the packages named in EXTRA_PACKAGES, then configures and builds into
# ${BUILD_DIR:-build}: everything, or only the targets named in TARGETS.
# Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config qt6-base-dev qt6-svg-dev libgl-dev libinih-dev libpcap-dev libqt6svg6
          libcanberra-dev qt6-httpserver-dev qt6-websockets-dev libsystemd-dev
          iproute2 util-linux procps ${EXTRA_PACKAGES:-})
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
targets=()
for target in ${TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
