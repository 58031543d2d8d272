#!/bin/bash
# SPDX-License-Identifier: MIT
# Takes the README's pictures of the timeline under Xvfb: docs/timeline-report.png
# (/timeline= of twenty minutes of a night, tests/incident.py night),
# docs/timeline-capture.png (that capture in the window, the Timeline dock's
# cursor on the two-master moment) and docs/timeline-live.png (the dock live,
# the last 5 minutes of two groups with a second master for a while). The
# clicks go to places in a window of 1400×860 with the first-run layout.
# Nothing leaves 127.0.0.1. Takes about two minutes.
#   usage: scripts/screenshot-timeline.sh
DISPLAY_NUMBER=77 source "$(dirname "$0")/xvfb-common.sh"
/usr/bin/python3 tests/incident.py night "$work/incident.pcap"
(cd "$work" && TZ=UTC HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 \
    "$OLDPWD/$BUILD/duzudozuze" /console /read=incident.pcap /timeline=timeline.png >/dev/null 2>&1)
cp "$work/timeline.png" docs/timeline-report.png
echo "wrote docs/timeline-report.png"

window() { # pid, title: the window, moved and sized
    local found
    for _ in $(seq 100); do
        found=$(xdotool search --all --pid "$1" --name "$2" | tail -n 1) && break
        sleep 0.1
    done
    xdotool windowmove "$found" 0 0
    xdotool windowsize "$found" 1400 860
    xdotool windowactivate --sync "$found" 2>/dev/null || xdotool windowraise "$found"
    sleep 1
    echo "$found"
}

(cd "$work" && TZ=UTC HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=xcb \
    exec "$OLDPWD/$BUILD/duzudozuze" /read=incident.pcap) &
capture=$!
shown=$(window $capture '^DuzUdozuze: capture')
xdotool mousemove --window "$shown" 790 668 click 1 # the Timeline tab
sleep 1
xdotool mousemove --window "$shown" 1214 530 click 1 # the cursor to 03:14:08
xdotool mousemove --window "$shown" 300 300
sleep 2
import -window "$shown" docs/timeline-capture.png
echo "wrote docs/timeline-capture.png"
kill $capture

HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=xcb \
    "$BUILD"/duzudozuze /respond /host=127.0.0.1 /to=127.0.0.1 /port=39311 &
live=$!
sleep 2
send() { "$BUILD"/duzudozuze-send --to 127.0.0.1 --port 39311 "$@" >/dev/null; }
for second in $(seq 90); do
    send NA north Fire 4 3 OK
    send NC north Fire 6 3 OK
    send NA north Gas 2 1 OK
    if [ "$second" -gt 20 ] && [ "$second" -lt 40 ]; then send NA north Fire 5 3 OK; fi
    if [ "$second" -gt 25 ] && [ "$second" -lt 30 ]; then send NU north Fire 6 3 Fail; fi
    sleep 1
done &
sleep 85
shown=$(window $live '^DuzUdozuze$')
xdotool mousemove --window "$shown" 790 692 click 1 # the Timeline tab
sleep 1
xdotool mousemove --window "$shown" 665 467 click 1 # the span shown
xdotool key Up Return # "Last 5 min"
xdotool mousemove --window "$shown" 300 300
sleep 2
import -window "$shown" docs/timeline-live.png
echo "wrote docs/timeline-live.png"
# Gone before the scratch folder is removed: it writes its layout there at the end.
kill $live
wait $live 2>/dev/null || true
