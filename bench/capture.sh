#!/bin/bash
# SPDX-License-Identifier: MIT
# Reading and replaying a capture, side by side in one run: console mode
# reading 1,000,000 status datagrams (100 workstations, 1 ms apart, answering
# as /auto=1 would) to /dev/null against tcpdump -n -r on the same file, the
# resident memory after 1,000 and after 1,000,000, and duzudozuze-send
# --replay --fast against the paced sender, 1,000,000 datagrams each to a
# loopback port nobody reads. The runs take turns, three rounds, and each
# figure is the best of its three: this machine's speed varies by half from
# minute to minute. Writes bench/results/capture.md.
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

# The readers and the senders, each a label and a command line.
readers=("tcpdump -n -r, 1,000,000 datagrams|tcpdump -n -r $work/1m.pcap")
senders=("bench/pacedsender, as fast as it can|$bin/bench/pacedsender $port 1000000 0")
for build in "$bin" ${other:+"$other"}; do
    for file in 1m 1k; do
        label=1,000,000
        [ $file = 1m ] || label=1,000
        readers+=("duzudozuze /console /read=, $label datagrams, $build|$build/duzudozuze /console /auto=1 /read=$work/$file.pcap")
    done
    senders+=("duzudozuze-send --replay --fast, $build|$build/duzudozuze-send --to 127.0.0.1 --port $port --replay $work/1m.pcap --fast")
done
for _ in 1 2 3; do
    for entry in "${readers[@]}"; do
        /usr/bin/time -f "%e %M" -o "$work/time" ${entry#*|} >/dev/null 2>&1
        echo "${entry%%|*}|$(cat "$work/time")" >>"$work/read"
    done
    for entry in "${senders[@]}"; do
        rate=$(${entry#*|} | sed -n 's/.* \([0-9]*\) a second.*/\1/p; s/.*(\([0-9]*\) a second).*/\1/p')
        echo "${entry%%|*}|$rate" >>"$work/send"
    done
done
# The best of an entry's rounds: the least time, or the highest rate.
best() { grep -F "$1|" "$work/read" | cut -d'|' -f2 | sort -n | head -1; }
fastest() { grep -F "$1|" "$work/send" | cut -d'|' -f2 | sort -n | tail -1; }

{
    echo "# Reading and replaying a capture"
    echo
    echo "$(date -u +%F), $(nproc) cores, Release; best of three."
    echo
    echo "| | seconds | resident MiB |"
    echo "|---|---:|---:|"
    for entry in "${readers[@]}"; do
        read -r s k < <(best "${entry%%|*}")
        echo "| ${entry%%|*} | $s | $(awk "BEGIN { printf \"%.1f\", $k / 1024 }") |"
    done
    echo
    echo "| sender, 1,000,000 datagrams | a second |"
    echo "|---|---:|"
    for entry in "${senders[@]}"; do
        echo "| ${entry%%|*} | $(fastest "${entry%%|*}") |"
    done
} | tee "$out/capture.md"
