#!/bin/bash
# SPDX-License-Identifier: MIT
# The log view against console mode, and against another build of the
# program (the view it had before, say), side by side in one run: datagrams
# from 1,000 workstations at 100,000 a second for 5 s, the highest loss-free
# rate, resident memory after 2,000,000 lines, and Find, the filter, Select
# All with Copy and Save Log over 1,000,000 lines. Writes
# bench/results/logview.md.
#   usage: bench/logview.sh [OTHER_BUILD_DIR]
# OTHER_BUILD_DIR: a Release build with the benchmarks of the other version,
# e.g. git worktree add /tmp/old REV && cmake -S /tmp/old -B /tmp/old/build
# -DCMAKE_BUILD_TYPE=Release -DDUZUDOZUZE_BENCHMARKS=ON (then build the
# targets duzudozuze, windowreceiver, pacedsender and logviewops there).
source "$(dirname "$0")/common.sh"
other=${1:-}
port=39218
senders=1000

# Received of COUNT sent at RATE from 1,000 workstations: kind (console, or
# a build folder's window), rate, count, extra options; prints "received
# stall-ms rss-mib".
receive() {
    local kind=$1 rate=$2 count=$3
    shift 3
    if [ "$kind" = console ]; then
        "$bin/duzudozuze" /console /host=127.0.0.1 /port=$port "$@" >/dev/null 2>"$work/err" &
        local pid=$!
        sleep 0.5
        "$bin/bench/pacedsender" $port "$count" "$rate" $senders >/dev/null
        sleep 1
        kill -TERM $pid; wait $pid
        echo "$(sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err") - -"
    else
        "$kind/bench/windowreceiver" 1000 /host=127.0.0.1 /port=$port "$@" >"$work/r" 2>/dev/null &
        waitfor "$work/r" ready
        "$bin/bench/pacedsender" $port "$count" "$rate" $senders >/dev/null
        wait
        awk '/^received / { print $2, $4, $6 }' "$work/r"
    fi
}

kinds=(console "$bin")
names=("console mode" "window")
if [ -n "$other" ]; then
    kinds+=("$other")
    names+=("window, $(basename "$(dirname "$other")") build")
fi

{
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores, $(uname -r), Release builds; the"
    echo "window on the offscreen platform, Respond Automatically off; datagrams from"
    echo "$senders workstations in turn."
    echo
    echo "100,000 datagrams a second for 5 s (500,000):"
    echo
    echo "| receiver | received | share of console mode | longest stall (ms) | resident (MiB) |"
    echo "|---|---:|---:|---:|---:|"
    console=0
    for i in "${!kinds[@]}"; do
        read -r got stall rss < <(receive "${kinds[$i]}" 100000 500000)
        [ "$i" -eq 0 ] && console=$got
        share=$(awk -v a="$got" -v b="$console" 'BEGIN { printf "%.1f %%", 100 * a / b }')
        echo "| ${names[$i]} | $got | $share | $stall | $rss |"
    done
    echo
    echo "Received of 2 s worth at each rate, the best of three runs (this machine's"
    echo "loopback varies from run to run by a tenth and more):"
    echo
    printf '| datagrams/s |'; printf ' %s |' "${names[@]}"; echo
    printf '|---:|'; printf -- '---:|%.0s' "${names[@]}"; echo
    declare -A best
    for rate in 25000 50000 75000 100000 125000 150000 175000 200000 250000; do
        printf '| %s |' "$rate"
        for i in "${!kinds[@]}"; do
            got=0
            for _ in 1 2 3; do
                read -r one _ < <(receive "${kinds[$i]}" "$rate" $((rate * 2)))
                [ "$one" -gt "$got" ] && got=$one
                [ "$got" -eq $((rate * 2)) ] && break
            done
            printf ' %s |' "$got"
            [ "$got" -eq $((rate * 2)) ] && [ "$rate" -gt "${best[$i]:-0}" ] && best[$i]=$rate
        done
        echo
    done
    echo
    printf 'Highest loss-free rate:'
    for i in "${!kinds[@]}"; do printf ' %s %s;' "${names[$i]}" "${best[$i]:-0}"; done
    echo
    echo
    echo "2,000,000 datagrams at 100,000 a second (20 s) to the window:"
    echo
    echo "| window | log view | received | longest stall (ms) | resident at the end (MiB) |"
    echo "|---|---|---:|---:|---:|"
    for i in "${!kinds[@]}"; do
        [ "${kinds[$i]}" = console ] && continue
        for limit in "default limit (1,000,000)" "/maxlines=100000"; do
            option=()
            [ "$limit" = /maxlines=100000 ] && option=(/maxlines=100000)
            read -r got stall rss < <(receive "${kinds[$i]}" 100000 2000000 "${option[@]}")
            echo "| ${names[$i]} | $limit | $got | $stall | $rss |"
        done
    done
    echo
    echo "Over 1,000,000 lines (ms; Select All and Copy puts 71,889,999 characters on the"
    echo "clipboard; the filter's whole work, and the longest it held the event loop):"
    echo
    echo "| window | Find, not there | Select All and Copy | Save Log | filter | filter, longest slice | resident (MiB) |"
    echo "|---|---:|---:|---:|---:|---:|---:|"
    for i in "${!kinds[@]}"; do
        [ "${kinds[$i]}" = console ] && continue
        "${kinds[$i]}/bench/logviewops" 1000000 2>/dev/null | awk -v name="${names[$i]}" '{
            f = ($12 < 0) ? "-" : $12; l = ($14 < 0) ? "-" : $14
            printf "| %s | %s | %s | %s | %s | %s | %s |\n", name, $4, $6, $10, f, l, $16 }'
    done
} | tee "$out/logview.md"
