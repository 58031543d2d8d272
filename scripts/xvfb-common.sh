# SPDX-License-Identifier: MIT
# Shared by the screenshot scripts (sourced, with DISPLAY_NUMBER set): the
# programs built with what they need (into $BUILD_DIR, build by default), a
# host installation of north/Fire channel 3 in a scratch folder removed at the
# end, Xvfb on that display and a light window manager with a tray (fluxbox).
# The window's kept layout goes to the scratch folder: every picture starts
# from the same one.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
BUILD=${BUILD_DIR:-build}
EXTRA_PACKAGES="xvfb xdotool imagemagick adwaita-qt6 fluxbox" TARGETS="duzudozuze duzudozuze-send" \
    scripts/setup.sh >/dev/null

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/north/config/system"
printf '[Network]\nChannel=3\nAlarmSystem=Fire\n' >"$work/north/config/system/velk_system.ini"

export DISPLAY=:$DISPLAY_NUMBER
export XDG_CONFIG_HOME=$work/config
Xvfb "$DISPLAY" -screen 0 1600x900x24 -nolisten tcp &
sleep 1
HOME=$work fluxbox >/dev/null 2>&1 &
sleep 1
