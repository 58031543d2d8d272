#!/bin/bash
# SPDX-License-Identifier: MIT
# Takes docs/screenshot.png: the real window under Xvfb with a log of over a
# million lines, three workstations on loopback (one claiming master), a note,
# the filter on and a Find match. Nothing leaves 127.0.0.1: the program binds
# and answers there.
#   usage: scripts/screenshot.sh [OUTPUT]
out=${1:-docs/screenshot.png}
DISPLAY_NUMBER=77 source "$(dirname "$0")/xvfb-common.sh"
port=39277
HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=xcb \
    "$BUILD"/duzudozuze /respond /auto=1 /host=127.0.0.1 /to=127.0.0.1 /port=$port &
pid=$!
sleep 2
send() { "$BUILD"/duzudozuze-send --to 127.0.0.1 --port $port "$@" >/dev/null; }
send --count 1000000 --rate 100000 NC north Fire 2 3 OK # a million lines
send NC north Fire 5 3 Fail    # workstation 5 calls for a master: this one takes it
send NA north Fire 4 3 OK      # workstation 4 claims too, and is told "NO"
send NO north Fire 4 3 OK      # ... and tells this one "NO" back: it goes slave
send NA north Fire 4 3 OK      # workstation 4, master
sleep 1.5
window=$(xdotool search --all --pid $pid --name '^DuzUdozuze$' | head -n 1)
xdotool windowmove "$window" 0 0
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
# Keys through the X test extension, to whatever has the focus.
keys() { xdotool key --delay 80 "$@"; sleep 0.5; }
typed() { xdotool type --delay 80 "$1"; sleep 0.3; }
keys ctrl+shift+n
typed 'mastership went to workstation 4 at the shift change'
keys Return
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
keys ctrl+shift+f
typed 'mastership'
keys ctrl+f
typed 'workstation 4'
keys Return
sleep 1
import -window "$window" "$out"
echo "wrote $out"
