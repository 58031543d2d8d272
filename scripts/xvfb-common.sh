# SPDX-License-Identifier: MIT
# Shared by the screenshot scripts (sourced, with DISPLAY_NUMBER set): the
# programs built with what they need, a host installation of north/Fire
# channel 3 in a scratch folder removed at the end, and Xvfb on that display.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
EXTRA_PACKAGES="xvfb xdotool imagemagick adwaita-qt6" TARGETS="duzudozuze duzudozuze-send" \
    scripts/setup.sh >/dev/null

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/north/config/system"
printf '[Network]\nChannel=3\nAlarmSystem=Fire\n' >"$work/north/config/system/velk_system.ini"

export DISPLAY=:$DISPLAY_NUMBER
Xvfb "$DISPLAY" -screen 0 1600x900x24 -nolisten tcp &
sleep 1
