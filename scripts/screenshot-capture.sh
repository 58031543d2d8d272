#!/bin/bash
# SPDX-License-Identifier: MIT
# Takes the README's picture of the window showing a capture under Xvfb:
# docs/capture.png, a minute of north/Fire channel 3 in which a second
# workstation claims mastership for a while (tests/incident.py long), and
# docs/capture-beside-live.png, that window beside a live one.
#   usage: scripts/screenshot-capture.sh
DISPLAY_NUMBER=79 source "$(dirname "$0")/xvfb-common.sh"
/usr/bin/python3 tests/incident.py long "$work/incident.pcap"
# From its own folder, so that the status bar names the file alone.
(cd "$work" && TZ=UTC HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=xcb \
    exec "$OLDPWD/$BUILD/duzudozuze" /read=incident.pcap) &
pid=$!
for _ in $(seq 100); do
    window=$(xdotool search --all --pid $pid --name '^DuzUdozuze: capture' | head -n 1) && break
    sleep 0.1
done
xdotool windowmove "$window" 0 0
# On top, or the window manager's others hide part of it.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowraise "$window"
sleep 2
import -window "$window" docs/capture.png
echo "wrote docs/capture.png"
# Beside the live window, as File ▸ Open Capture… opens it: live, two masters
# now; the capture, offset, in the past tense under its banner.
HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=xcb \
    "$BUILD"/duzudozuze /host=127.0.0.1 /port=39291 &
live=$!
sleep 2
for workstation in 4 5; do
    "$BUILD"/duzudozuze-send --to 127.0.0.1 --port 39291 NA north Fire $workstation 3 OK >/dev/null
done
livewindow=$(xdotool search --all --pid $live --name '^DuzUdozuze$' | head -n 1)
xdotool windowmove "$livewindow" 0 0
xdotool windowmove "$window" 240 200
sleep 1
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowraise "$window"
sleep 2
import -window root -resize 75% docs/capture-beside-live.png
echo "wrote docs/capture-beside-live.png"
