#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds Qt for 64-bit Windows from Debian's own qt6-base source (the version
# of the host's moc, rcc and uic, which the cross build uses) with Debian's
# MinGW-w64, and installs it into ${QT_MINGW_PREFIX:-<cache>/qt-mingw}. Only
# what the program and its tests use is built: Core, Gui, Widgets, Network,
# Test, OpenGL (the Windows platform plugin needs it) and the platform
# plugins. Does nothing when that prefix already holds a finished build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${DUZUDOZUZE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/duzudozuze}
prefix=${QT_MINGW_PREFIX:-$cache/qt-mingw}
if [ -f "$prefix/.finished" ]; then
    echo "Qt for Windows: $prefix"
    exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools cmake ninja-build dpkg-dev perl
          python3 qt6-base-dev qt6-base-dev-tools)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
# The source comes from Debian's deb-src entries: add one beside the binary
# entries where none is there yet.
sources=/etc/apt/sources.list.d/duzudozuze-src.sources
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' \
        'Suites: bookworm bookworm-updates' 'Components: main' \
        'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' \
        | "${sudo[@]}" tee "$sources" >/dev/null
    updated=
else
    updated=yes
fi
if [ ${#missing[@]} -gt 0 ] || [ -z "$updated" ]; then
    "${sudo[@]}" apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
work=$cache/qt6-base-source
mkdir -p "$work"
source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$source" ]; then
    (cd "$work" && apt-get source "qt6-base=$version")
    source=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
fi
[ -n "$source" ] || { echo "windows-qt: no qt6-base source" >&2; exit 1; }

build=$cache/qt6-base-build
rm -rf "$build"
mkdir -p "$build"
cd "$build"
"$source/configure" -prefix "$prefix" -release -opensource -confirm-license \
    -xplatform win32-g++ -qt-host-path /usr -nomake examples -nomake tests \
    -no-dbus -no-icu -no-zstd -no-feature-sql -no-feature-printsupport -no-feature-concurrent \
    -no-feature-xml -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz \
    -opengl desktop -- \
    -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/windows-toolchain.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DFEATURE_tabletevent=OFF
cmake --build . --parallel "$(nproc)"
cmake --install .
touch "$prefix/.finished"
echo "Qt for Windows: $prefix"
