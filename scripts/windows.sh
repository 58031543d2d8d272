#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds duzudozuze.exe and duzudozuze-send.exe for 64-bit Windows into
# ${BUILD_DIR:-build-windows}, with the tests that run under Wine, against the
# Qt that scripts/windows-qt.sh builds (or QT_MINGW_PREFIX names), and gathers
# the programs with everything they need to run (the Qt DLLs, the platform
# plugins, the MinGW runtime) into duzudozuze-windows/ there and its zip.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/windows-qt.sh
cache=${DUZUDOZUZE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/duzudozuze}
prefix=${QT_MINGW_PREFIX:-$cache/qt-mingw}
export QT_MINGW_PREFIX=$prefix
if ! command -v zip >/dev/null; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends zip
fi

build=${BUILD_DIR:-build-windows}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/windows-toolchain.cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR=wine "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# The folder an operator copies to a workstation: the programs, each DLL
# they load from outside Windows itself, and Qt's plugins for the screen
# (windows; offscreen, for a window nobody sees) and the native style.
bundle=$build/duzudozuze-windows
rm -rf "$bundle" "$bundle.zip"
mkdir -p "$bundle/platforms" "$bundle/styles"
cp "$build/duzudozuze.exe" "$build/duzudozuze-send.exe" LICENSE "$bundle/"
cp "$prefix/plugins/platforms/qwindows.dll" "$prefix/plugins/platforms/qoffscreen.dll" \
    "$bundle/platforms/"
cp "$prefix"/plugins/styles/*.dll "$bundle/styles/" 2>/dev/null || true
runtime=("$prefix/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
# Each DLL named in an import table, found where Qt and MinGW keep theirs, and
# its own in turn; the ones found nowhere are Windows' own.
pending=("$bundle"/*.exe "$bundle"/platforms/*.dll "$bundle"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    for name in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$bundle/$name" ] && continue
        for folder in "${runtime[@]}"; do
            if [ -f "$folder/$name" ]; then
                cp "$folder/$name" "$bundle/"
                pending+=("$bundle/$name")
                break
            fi
        done
    done
done
(cd "$build" && zip -qr duzudozuze-windows.zip duzudozuze-windows)
echo "Windows programs: $bundle ($(du -sh "$bundle.zip" | cut -f1) zipped)"
