#!/bin/bash
# SPDX-License-Identifier: MIT
# What the recording (/record=) costs, with and without it in the same run:
# console mode's loss-free rate (2 s worth sent at each rate on loopback, as
# bench/run.sh does), a flood into the smallest files, and the time console
# mode takes to read a capture of 1,000,000 datagrams (five rounds in turns,
# the median); then what it takes on disk: bytes a datagram, and the hours a
# 1 GiB ring holds for 50 workstations sending once a second. Writes
# bench/results/record.md.
#   usage: bench/record.sh        (BENCH_BUILD=DIR: a build made already;
#                                  BENCH_BASE=DIR: another build's readings beside)
source "$(dirname "$0")/common.sh"
port=39226
rates=(100000 200000 300000)
mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' >"$work/hx/north/config/system/velk_system.ini"
export HX_ROOT="$work/hx" HX_SYSTEM=north HX_WORKSTATION=7 TZ=UTC

# Received out of 2 s worth at rate; with "record", into a recording.
live() { # rate, record or plain
    local rate=$1 options=()
    rm -rf "$work/live"
    [ "$2" = record ] && options=("/record=$work/live")
    "$bin/duzudozuze" /console /host=127.0.0.1 /port=$port "${options[@]}" \
        /metrics="$work/live.prom" >"$work/log" 2>"$work/err" &
    local pid=$!
    waitfor "$work/log" "List of addresses"
    "$bin/bench/pacedsender" $port $((rate * 2)) "$rate" >/dev/null
    local last=-1 now
    while now=$(grep -c "Received '" "$work/log"); [ "$now" != "$last" ]; do
        last=$now; sleep 0.5
    done
    kill -TERM $pid; wait $pid
    # The metrics are written before the last flush: the files are counted.
    local recorded=0
    [ -d "$work/live" ] && recorded=$(cat "$work/live"/*.pcap | tcpdump -qnr - 2>/dev/null | wc -l)
    echo "$(sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err") $recorded \
        $(sed -n 's/^duzudozuze_record_dropped_total //p' "$work/live.prom")"
}

echo "| datagrams/s | sent | received | received, recording | recorded | dropped by the recorder |" >"$work/live.md"
echo "|---:|---:|---:|---:|---:|---:|" >>"$work/live.md"
for rate in "${rates[@]}"; do
    read -r plain _ _ < <(live "$rate" plain)
    read -r recording recorded dropped < <(live "$rate" record)
    echo "| $rate | $((rate * 2)) | $plain | $recording | $recorded | $dropped |" | tee -a "$work/live.md"
done

# A flood into the smallest files: 150,000 datagrams at 50,000 a second with
# /recordfile=1k (raised to the least where there is one); what the metrics
# say at the end, the files left, and the seconds the end takes from the stop
# signal, the writer catching up. With BENCH_BASE=DIR, that build's too.
small() { # build
    rm -rf "$work/small"
    "$1/duzudozuze" /console /host=127.0.0.1 /port=$port "/record=$work/small" /recordfile=1k \
        /metrics="$work/small.prom" >"$work/log" 2>"$work/err" &
    local pid=$!
    waitfor "$work/log" "List of addresses"
    "$bin/bench/pacedsender" $port 150000 50000 >/dev/null
    local last=-1 now
    while now=$(grep -c "Received '" "$work/log"); [ "$now" != "$last" ]; do
        last=$now; sleep 0.5
    done
    local stop
    stop=$(date +%s.%N)
    kill -TERM $pid; wait $pid
    echo "| $1 | $now | $(sed -n 's/^duzudozuze_recorded_total //p' "$work/small.prom") \
| $(sed -n 's/^duzudozuze_record_dropped_total //p' "$work/small.prom") \
| $(ls "$work/small" | grep -c '\.pcap$') \
| $(awk -v a="$stop" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f s", b - a }') |"
}
echo "| build | received | recorded | dropped by the recorder | files | the end takes |" >"$work/small.md"
echo "|---|---:|---:|---:|---:|---:|" >>"$work/small.md"
for build in "$bin" ${BENCH_BASE:+"$BENCH_BASE"}; do
    small "$build" | tee -a "$work/small.md"
done

"$bin/bench/capturemaker" "$work/1m.pcap" 1000000
# Reading, five rounds in turns: without and with /record=, one line a
# datagram and with /auto=1 (three); with BENCH_BASE=DIR, that build's too.
builds=("$bin" ${BENCH_BASE:+"$BENCH_BASE"})
read_once() { # build, auto or none, plain or record
    local options=()
    [ "$2" = auto ] && options+=(/auto=1)
    rm -rf "$work/read"
    [ "$3" = record ] && options+=("/record=$work/read")
    /usr/bin/time -f "%e %M" -o "$work/time" "$1/duzudozuze" /console \
        /read="$work/1m.pcap" "${options[@]}" >/dev/null 2>&1
    echo "$1 $2 $3 $(cat "$work/time")" >>"$work/reads"
}
for _ in 1 2 3 4 5; do
    for build in "${builds[@]}"; do
        for auto in none auto; do
            read_once "$build" $auto plain
            read_once "$build" $auto record
        done
    done
done
median() { grep "^$1 $2 $3 " "$work/reads" | cut -d' ' -f"$4" | sort -n | sed -n 3p; }
# The recording measured on disk is the build's own.
read_once "$bin" none record
bytes=$(du -cb "$work/read"/*.pcap | tail -1 | cut -f1)
files=$(ls "$work/read"/*.pcap | wc -l)
per=$(awk -v b="$bytes" -v f="$files" 'BEGIN { printf "%.1f", (b - 24 * f) / 1000000 }')
{
    echo "# The recording's cost"
    echo
    echo "$(date -u +%F), $(nproc) cores, $(uname -r), build $bin."
    echo
    echo "Console mode, 2 s worth sent at each rate, without and with /record=:"
    echo
    cat "$work/live.md"
    echo
    echo "150,000 datagrams at 50,000 a second with /recordfile=1k:"
    echo
    cat "$work/small.md"
    echo
    echo "Reading 1,000,000 datagrams (bench/capturemaker) in console mode, median of five"
    echo "in turns:"
    echo
    echo "| build | lines a datagram | without | with /record= | more | resident, without / with |"
    echo "|---|---|---:|---:|---:|---:|"
    for build in "${builds[@]}"; do
        for auto in none auto; do
            plain=$(median "$build" $auto plain 4) recording=$(median "$build" $auto record 4)
            echo "| $build | $([ $auto = auto ] && echo "3 (/auto=1)" || echo 1) | $plain s | $recording s \
| $(awk -v a="$plain" -v b="$recording" 'BEGIN { printf "%+.1f %%", 100 * (b - a) / a }') \
| $(median "$build" $auto plain 5) / $(median "$build" $auto record 5) KiB |"
        done
    done
    echo
    echo "On disk: $bytes bytes in $files files for 1,000,000 datagrams, $per bytes a"
    echo "datagram (16 of the packet's record, 20 of the cooked header, 28 of IPv4 and UDP,"
    echo "the payload); a 1 GiB ring holds $(awk -v p="$per" 'BEGIN { printf "%.0f", 2^30 / (p * 50) / 3600 }') hours of 50 workstations sending once a second."
} | tee "$out/record.md"
