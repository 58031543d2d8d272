#!/bin/bash
# SPDX-License-Identifier: MIT
# Reading and replaying a capture, side by side in one run: console mode
# reading 1,000,000 status datagrams (100 workstations, 1 ms apart, answering
# as /auto=1 would) to /dev/null against tcpdump -n -r on the same file, the
# resident memory after 1,000 and after 1,000,000, and duzudozuze-send
# --replay --fast against the paced sender, 1,000,000 datagrams each to a
# loopback port nobody reads. Best of three. Writes bench/results/capture.md.
#   usage: bench/capture.sh [OTHER_BUILD_DIR]
# OTHER_BUILD_DIR: a Release build of another version (targets duzudozuze and
# duzudozuze-send), measured alongside.
source "$(dirname "$0")/common.sh"
other=${1:-}
port=39219
"$bin/bench/capturemaker" "$work/1m.pcap" 1000000
"$bin/bench/capturemaker" "$work/1k.pcap" 1000
mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' >"$work/hx/north/config/system/velk_system.ini"
export HX_ROOT="$work/hx" HX_SYSTEM=north HX_WORKSTATION=7

# The best of three runs of a command: "seconds max-resident-KiB".
best() {
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
        cat "$work/time"
    done | sort -n | head -1
}
# Datagrams a second a sender keeps, best of three.
rate() {
    for _ in 1 2 3; do
        "$@" | sed -n 's/.* \([0-9]*\) a second.*/\1/p; s/.*(\([0-9]*\) a second).*/\1/p'
    done | sort -n | tail -1
}

{
    echo "# Reading and replaying a capture"
    echo
    echo "$(date -u +%F), $(nproc) cores, Release; best of three."
    echo
    echo "| | seconds | resident MiB |"
    echo "|---|---:|---:|"
    read -r s k < <(best tcpdump -n -r "$work/1m.pcap")
    echo "| tcpdump -n -r, 1,000,000 datagrams | $s | $((k / 1024)) |"
    for build in "$bin" ${other:+"$other"}; do
        name="this tree"
        [ "$build" = "$bin" ] || name="$(basename "$(dirname "$build")") ($build)"
        for file in 1m 1k; do
            label=1,000,000
            [ $file = 1m ] || label=1,000
            read -r s k < <(best "$build/duzudozuze" /console /auto=1 "/read=$work/$file.pcap")
            mib=$(awk "BEGIN { printf \"%.1f\", $k / 1024 }")
            echo "| duzudozuze /console /read=, $label datagrams, $name | $s | $mib |"
        done
    done
    echo
    echo "| sender, 1,000,000 datagrams | a second |"
    echo "|---|---:|"
    echo "| bench/pacedsender, as fast as it can | $(rate "$bin/bench/pacedsender" $port 1000000 0) |"
    for build in "$bin" ${other:+"$other"}; do
        echo "| duzudozuze-send --replay --fast, $build | $(rate "$build/duzudozuze-send" --to 127.0.0.1 --port $port --replay "$work/1m.pcap" --fast) |"
    done
} | tee "$out/capture.md"
