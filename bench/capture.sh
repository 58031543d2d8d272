#!/bin/bash
# SPDX-License-Identifier: MIT
# Reading and replaying a capture, side by side in one run: console mode
# reading 1,000,000 status datagrams (100 workstations, 1 ms apart, answering
# as /auto=1 would, and without it, one line a datagram) to /dev/null against
# tcpdump -n -r on the same file, the resident memory after 1,000 and after
# 1,000,000, the same with 10,000 workstations and with ten jumps of the
# capture's clock by a decade, and duzudozuze-send --replay --fast against
# the paced sender, 1,000,000 datagrams each to a loopback port nobody reads.
# The runs take turns, three rounds, and each figure is the median of its
# three. TZ is set for every reader: without it glibc looks the time zone file
# up for every packet tcpdump prints. Writes bench/results/capture.md.
#   usage: bench/capture.sh [OTHER_BUILD_DIR]
# OTHER_BUILD_DIR: a Release build of another version (targets duzudozuze and
# duzudozuze-send), measured alongside.
source "$(dirname "$0")/common.sh"
other=${1:-}
port=39219
"$bin/bench/capturemaker" "$work/1m.pcap" 1000000
"$bin/bench/capturemaker" "$work/1k.pcap" 1000
"$bin/bench/capturemaker" "$work/10k.pcap" 1000000 10000
"$bin/bench/capturemaker" "$work/10k-jumps.pcap" 1000000 10000 10
export TZ=UTC
# A reading that would not end is cut off, and said to be; one deaf to
# SIGTERM is killed 5 s later.
limit=60
mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' >"$work/hx/north/config/system/velk_system.ini"
export HX_ROOT="$work/hx" HX_SYSTEM=north HX_WORKSTATION=7

# The readers and the senders, each a label and a command line.
readers=("tcpdump -n -r, 1,000,000 datagrams|tcpdump -n -r $work/1m.pcap")
senders=("bench/pacedsender, as fast as it can|$bin/bench/pacedsender $port 1000000 0")
for build in "$bin" ${other:+"$other"}; do
    for file in 1m 1k 10k 10k-jumps; do
        case $file in
        1m) label="1,000,000 datagrams" ;;
        1k) label="1,000 datagrams" ;;
        10k) label="1,000,000 datagrams, 10,000 workstations" ;;
        10k-jumps) label="1,000,000 datagrams, 10,000 workstations, 10 decade jumps" ;;
        esac
        readers+=("duzudozuze /console /read=, $label, $build|$build/duzudozuze /console /auto=1 /read=$work/$file.pcap")
    done
    # One line a datagram, as tcpdump prints one a packet.
    readers+=("duzudozuze /console /read= without /auto, 1,000,000 datagrams, $build|$build/duzudozuze /console /read=$work/1m.pcap")
    senders+=("duzudozuze-send --replay --fast, $build|$build/duzudozuze-send --to 127.0.0.1 --port $port --replay $work/1m.pcap --fast")
done
for _ in 1 2 3; do
    for entry in "${readers[@]}"; do
        # A reader still going at the limit once is not run again.
        grep -qF "${entry%%|*}|cut" "$work/read" 2>/dev/null && continue
        status=0
        /usr/bin/time -f "%e %M" -o "$work/time" timeout -k 5 $limit ${entry#*|} \
            >/dev/null 2>&1 || status=$?
        if [ $status -eq 124 ] || [ $status -eq 137 ]; then
            echo "${entry%%|*}|cut" >>"$work/read"
        else
            echo "${entry%%|*}|$(tail -1 "$work/time")" >>"$work/read"
        fi
    done
    for entry in "${senders[@]}"; do
        rate=$(${entry#*|} | sed -n 's/.* \([0-9]*\) a second.*/\1/p; s/.*(\([0-9]*\) a second).*/\1/p')
        echo "${entry%%|*}|$rate" >>"$work/send"
    done
done
# The median of an entry's rounds, time and memory each.
median() {
    local values
    mapfile -t values < <(grep -F "$1|" "$2" | cut -d'|' -f2 | cut -d' ' -f"$3" | sort -n)
    echo "${values[$(( ${#values[@]} / 2 ))]}"
}

{
    echo "# Reading and replaying a capture"
    echo
    echo "$(date -u +%F), $(nproc) cores, Release, TZ=UTC; median of three, runs in turns."
    echo
    echo "| | seconds | resident MiB |"
    echo "|---|---:|---:|"
    for entry in "${readers[@]}"; do
        name=${entry%%|*}
        if grep -qF "$name|cut" "$work/read"; then
            echo "| $name | not done in $limit | |"
            continue
        fi
        k=$(median "$name" "$work/read" 2)
        echo "| $name | $(median "$name" "$work/read" 1) | $(awk "BEGIN { printf \"%.1f\", $k / 1024 }") |"
    done
    echo
    echo "| sender, 1,000,000 datagrams | a second |"
    echo "|---|---:|"
    for entry in "${senders[@]}"; do
        echo "| ${entry%%|*} | $(median "${entry%%|*}" "$work/send" 1) |"
    done
} | tee "$out/capture.md"
