#!/bin/bash
# SPDX-License-Identifier: MIT
# Takes the README's picture of the window showing a capture under Xvfb:
# docs/capture.png, a minute of north/Fire channel 3 in which a second
# workstation claims mastership for a while (tests/incident.py long).
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
xdotool windowraise "$window"
sleep 2
import -window "$window" docs/capture.png
echo "wrote docs/capture.png"
