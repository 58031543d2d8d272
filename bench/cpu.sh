#!/bin/bash
# SPDX-License-Identifier: MIT
# What the live port costs a datagram at a paced rate: CPU time (all threads,
# from the scheduler's counts) over COUNT datagrams sent at RATE a second, for
# the recvfrom loop, console mode and the window (offscreen), ROUNDS rounds in
# turns, the median of each; then a lone datagram: the median time from
# sending it to its line on console mode's standard output. With
# BENCH_BASE=DIR, that build's console mode and window beside, in the same
# turns. Writes bench/results/cpu.md.
#   usage: bench/cpu.sh [COUNT [RATE [ROUNDS]]]   (BENCH_BUILD=DIR: a build made already)
source "$(dirname "$0")/common.sh"
port=39231
count=${1:-200000}
rate=${2:-20000}
rounds=${3:-3}
builds=("$bin" ${BENCH_BASE:+"$BENCH_BASE"})

cpu_ns() { # pid: the CPU time of its threads so far, in ns
    local total=0 run task
    for task in /proc/"$1"/task/*/schedstat; do
        read -r run _ <"$task" && total=$((total + run))
    done
    echo "$total"
}

# One run: kind, build; prints the CPU µs a datagram received.
run() {
    local kind=$1 build=$2 pid received
    case $kind in
    loop)
        "$bin/bench/baselinereceiver" $port 1000 >"$work/r" &
        pid=$!
        waitfor "$work/r" ready
        ;;
    console)
        "$build/duzudozuze" /console /host=127.0.0.1 /port=$port >"$work/log" 2>"$work/err" &
        pid=$!
        waitfor "$work/log" "List of addresses"
        ;;
    window)
        "$build/bench/windowreceiver" 1000 /host=127.0.0.1 /port=$port >"$work/r" 2>/dev/null &
        pid=$!
        waitfor "$work/r" ready
        ;;
    esac
    sleep 0.5
    local before after
    before=$(cpu_ns $pid)
    "$bin/bench/pacedsender" $port "$count" "$rate" >/dev/null
    sleep 0.3
    after=$(cpu_ns $pid)
    if [ "$kind" = console ]; then
        kill -TERM $pid
        wait $pid
        received=$(sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err")
    else
        wait $pid
        received=$(sed -n 's/^received \([0-9]*\).*/\1/p' "$work/r")
    fi
    [ "$received" = "$count" ] || echo "$kind ($build): $received of $count received" >&2
    awk -v ns=$((after - before)) -v n="$received" 'BEGIN { printf "%.2f\n", ns / 1000 / n }'
}

median() { tr -s ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
declare -A figures
for round in $(seq "$rounds"); do
    figures[loop]+="$(run loop "$bin") "
    for build in "${builds[@]}"; do
        for kind in console window; do
            figures[$kind $build]+="$(run $kind "$build") "
        done
    done
    for key in "${!figures[@]}"; do echo "round $round: $key: ${figures[$key]}" >&2; done
done
loop=$(median <<<"${figures[loop]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
{
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores, $(uname -r): $count datagrams at" \
        "$rate a second, median of $rounds rounds in turns."
    echo
    echo "| build | receiver | CPU µs a datagram | against the recvfrom loop | lone datagram to its line (ms) |"
    echo "|---|---|---:|---:|---:|"
    echo "| - | recvfrom loop | $loop | 1.00 | |"
    for build in "${builds[@]}"; do
        lone=$("$bin/bench/firstline" --datagram $port 21 "$build/duzudozuze" /console \
            /host=127.0.0.1 /port=$port)
        for kind in console window; do
            value=$(median <<<"${figures[$kind $build]}")
            [ $kind = console ] || lone=
            echo "| $build | $kind | $value | $(ratio "$value" "$loop") | $lone |"
        done
    done
} | tee "$out/cpu.md"
