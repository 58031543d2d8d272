#!/bin/bash
# SPDX-License-Identifier: MIT
# The Wireshark dissector with Debian's tshark, on a capture this script builds
# with text2pcap from bytes of its own: nothing is sent anywhere.
#   usage: dissector_test.sh PATH/duzudozuze.lua
set -u
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for tool in tshark text2pcap editcap; do
    command -v "$tool" >/dev/null || { echo "SKIP: needs $tool (Debian's tshark)"; exit 77; }
done

# One datagram a line, as hex, into a capture of UDP datagrams to port $2.
capture() { # file, destination port, datagrams...
    local file=$1 port=$2
    shift 2
    for datagram in "$@"; do
        printf '000000 %s\n' "$(printf '%s' "$datagram" | od -An -v -tx1 | tr -s ' \n' '  ')"
    done >"$work/dump"
    text2pcap -q -u "40000,$port" "$work/dump" "$file"
}
long="NC:a:b:1:2:$(printf 'K%.0s' $(seq 244)):yyyyyyyy:zzzzz:w" # 272 bytes
capture "$work/9208.pcap" 9208 "NA:north:Fire:3:2:OK" "NX:north:Fire:3:2:Bad" \
    "NA:x::1:2:OK" "$long" "NO:south:Gas:x:7:Fail"
capture "$work/9300.pcap" 9300 "NC:north:Fire:4:2:OK"

fields() { # capture, tshark options...
    local file=$1
    shift
    tshark -X "lua_script:$script" "$@" -r "$file" -T fields -E separator='|' \
        -e duzudozuze.code -e duzudozuze.system -e duzudozuze.alarm_system \
        -e duzudozuze.workstation -e duzudozuze.channel -e duzudozuze.health \
        -e _ws.expert.message -e _ws.col.Info 2>/dev/null
}

failed=0
expect() { # what, expected, actual
    if [ "$2" == "$3" ]; then
        echo "PASS: $1"
    else
        echo "FAIL: $1"; echo "expected:"; echo "$2"; echo "got:"; echo "$3"
        failed=1
    fi
}
expect "fields, expert infos and the info column" \
"NA|north|Fire|3|2|OK||NA north/Fire ws 3 ch 2 OK
NX|north|Fire|3|2|Bad|Unknown message code,Unknown health word: only OK counts as healthy|NX north/Fire ws 3 ch 2 Bad
||||||Not current format: not exactly six non-empty fields|Not current format, 12 bytes
||||||Longer than 255 bytes: receivers quote the first 255 and act on nothing,Not current format: not exactly six non-empty fields|Not current format, 272 bytes
NO|south|Gas|0|7|Fail||NO south/Gas ws 0 ch 7 Fail" \
    "$(fields "$work/9208.pcap")"
expect "the codes of a capture" "NA
NX


NO" "$(tshark -X "lua_script:$script" -r "$work/9208.pcap" -T fields -e duzudozuze.code 2>/dev/null)"
expect "another port by preference" "NC|north|Fire|4|2|OK||NC north/Fire ws 4 ch 2 OK" \
    "$(fields "$work/9300.pcap" -o duzudozuze.port:9300)"
expect "on another port by its looks" "NC|north|Fire|4|2|OK||NC north/Fire ws 4 ch 2 OK" \
    "$(fields "$work/9300.pcap")"
# Payloads that are not status datagrams stay plain UDP on other ports.
capture "$work/other.pcap" 47000 "hello world" "NX:north:Fire:4:2:OK" "NA:north:Fire:x:2:OK" \
    "NA:north:Fire:4:2" "a:b:c:d:e:f" "$long"
expect "other payloads are not claimed" "" \
    "$(tshark -X "lua_script:$script" -r "$work/other.pcap" -Y duzudozuze 2>/dev/null)"
# Control bytes from the network reach neither the info column nor the tree
# as they are: an OSC sequence that sets a terminal's title, a forged line.
capture "$work/hostile.pcap" 9208 "$(printf 'NA:\033]0;owned\a:Fire\nforged:3:2:OK')"
expect "control bytes escaped in the info column" \
    'NA \x1B]0;owned\x07/Fire\nforged ws 3 ch 2 OK' \
    "$(tshark -X "lua_script:$script" -r "$work/hostile.pcap" -T fields -e _ws.col.Info 2>/dev/null)"
expect "and in the tree's summary" \
    'DuzUdozuze status datagram: NA \x1B]0;owned\x07/Fire\nforged ws 3 ch 2 OK' \
    "$(tshark -X "lua_script:$script" -r "$work/hostile.pcap" -V -O duzudozuze 2>/dev/null \
       | grep -a 'DuzUdozuze status datagram' | sed 's/^ *//')"
# A capture cut short: the length on the wire counts, and nothing is decoded.
capture "$work/whole.pcap" 9208 "NA:north:Fire:3:2:OK" "$long"
editcap -s 60 "$work/whole.pcap" "$work/cut.pcap" 2>/dev/null
expect "a datagram cut by the capture is flagged, not decoded" \
"||||||Truncated in the capture: its fields past the cut are unknown|Truncated, 18 of 20 bytes captured
||||||Longer than 255 bytes: receivers quote the first 255 and act on nothing,Not current format: not exactly six non-empty fields|Not current format, 272 bytes" \
    "$(fields "$work/cut.pcap")"
[ $failed -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $failed
