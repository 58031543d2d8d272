#!/bin/bash
# SPDX-License-Identifier: MIT
# Takes the README's pictures of the workstation picture under Xvfb:
# docs/picture-light.png and docs/picture-dark.png (two masters and a stale
# row, in a light theme and in Adwaita's dark one), docs/picture-failed.png (a
# mistyped option) and docs/picture-warnings.png (the warnings' log after a
# warning ended), docs/picture-far.png (the light one at 30 %, as the room
# sees it from afar) and docs/picture-tray.png (the screen, with the tray's
# red icon and the warning's notification). Nothing leaves 127.0.0.1. Takes
# about two minutes: a row goes stale after 60 s.
#   usage: scripts/screenshots-picture.sh
DISPLAY_NUMBER=78 source "$(dirname "$0")/xvfb-common.sh"
pids=()
start() { # port, extra arguments
    local port=$1
    shift
    HX_ROOT=$work HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=xcb \
        "$BUILD"/duzudozuze /respond /host=127.0.0.1 /to=127.0.0.1 /port="$port" "$@" &
    pids+=($!)
}
start 39281
start 39282 -style Adwaita-Dark
start 39283 /prot=9301
sleep 2
send() { # fields, to both pictures
    for port in 39281 39282; do
        "$BUILD"/duzudozuze-send --to 127.0.0.1 --port $port "$@" >/dev/null
    done
}
shoot() { # window number (in order of start), output
    local window
    window=$(xdotool search --all --pid "${pids[$(($1 - 1))]}" --name '^DuzUdozuze$' | head -n 1)
    xdotool windowmove "$window" 0 0
    # On top, or the window manager's others hide part of it.
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowraise "$window"
    sleep 1
    import -window "$window" "$2"
    echo "wrote $2"
}
shoot 3 docs/picture-failed.png
send NC north Fire 9 3 OK # workstation 9: stale in a minute
sleep 62
send NA north Fire 4 3 OK
send NU north Fire 5 3 Fail # a second master, unhealthy
sleep 2
shoot 1 docs/picture-light.png
shoot 2 docs/picture-dark.png
convert docs/picture-light.png -resize 30% docs/picture-far.png
echo "wrote docs/picture-far.png"
import -window root -resize 75% docs/picture-tray.png
echo "wrote docs/picture-tray.png"
sleep 11 # the claims expire: the warning ends
send NA north Fire 4 3 OK
sleep 2
shoot 1 docs/picture-warnings.png
