#!/bin/bash
# SPDX-License-Identifier: MIT
# The window against console mode with two masters standing, the state in
# which a layout that never comes to rest would show: two masters at 2,000
# datagrams a second for 10 s, then 100,000 a second for 3 s from 1,000
# workstations, two of them masters. For each: datagrams received, CPU while
# nothing comes for 3 s after, how long /healthz takes then, and how long
# SIGTERM takes to end it. Kept is what the kernel did not drop for want of
# room in the socket's queue. Runs taken in turns; medians in
# bench/results/twomasters.md.
#   usage: bench/twomasters.sh [ROUNDS]
#   BENCH_BASE=DIR: another build (its duzudozuze) measured beside, in turns.
source "$(dirname "$0")/common.sh"
rounds=${1:-3}
port=39218
http=39219
builds=("$bin" ${BENCH_BASE:+"$BENCH_BASE"})
tick=$(getconf CLK_TCK)

bound() { # waits until the port is bound
    local hex
    hex=$(printf '%04X' $port)
    for _ in $(seq 200); do grep -q ":$hex 00000000:0000 07" /proc/net/udp && return 0; sleep 0.05; done
    return 1
}
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
drops() { awk -v p=":$(printf '%04X' $port)" '$2 ~ p"$" {print $NF}' /proc/net/udp; }

# One run: build, kind, phase; prints "received idle-cpu-% healthz-ms sigterm-s".
run() {
    local build=$1 kind=$2 phase=$3 args=(/host=127.0.0.1 /port=$port /http=127.0.0.1:$http)
    [ "$kind" = console ] && args=(/console "${args[@]}")
    "$build/duzudozuze" "${args[@]}" >/dev/null 2>"$work/err" &
    local pid=$! sent
    bound
    case $phase in
    slow) "$bin/bench/pacedsender" $port 20000 2000 2 2 >/dev/null; sent=20000 ;;
    flood) "$bin/bench/pacedsender" $port 300000 100000 1000 2 >/dev/null; sent=300000 ;;
    esac
    sleep 1 # what is queued is read
    local before after healthz received
    before=$(cpu $pid); sleep 3; after=$(cpu $pid)
    healthz=$(curl -s -m 10 -o /dev/null -w '%{time_total}' "http://127.0.0.1:$http/healthz")
    # Kept: all but what the kernel dropped for want of room in the socket's
    # queue, whether or not the program answers.
    received=$((sent - $(drops)))
    local start=$EPOCHREALTIME ended=no
    kill -TERM $pid
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || { ended=yes; break; }; sleep 0.1; done
    local took
    took=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.2f", b - a}')
    [ $ended = yes ] || { kill -KILL $pid; took=">10"; }
    wait $pid 2>/dev/null || true
    awk -v r="$received" -v s="$sent" -v c=$((after - before)) -v t="$tick" -v h="$healthz" \
        -v k="$took" 'BEGIN {printf "%d/%d %.0f %.1f %s\n", r, s, 100 * c / t / 3, h * 1000, k}'
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for round in $(seq "$rounds"); do
    for phase in slow flood; do
        for kind in console window; do
            for build in "${builds[@]}"; do
                echo "$round $phase $kind $(basename "$build") $(run "$build" $kind $phase)" |
                    tee -a "$work/all"
            done
        done
    done
done

{
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores, $(uname -r), Release builds, $rounds rounds in turns; medians."
    echo
    echo "| build | front end | flood | kept | CPU idle after (% of a core) | /healthz (ms) | SIGTERM to exit (s) |"
    echo "|---|---|---|---:|---:|---:|---:|"
    for build in "${builds[@]}"; do
        for kind in console window; do
            for phase in slow flood; do
                rows=$(awk -v b="$(basename "$build")" -v k=$kind -v p=$phase \
                    '$4 == b && $3 == k && $2 == p' "$work/all")
                # ">10": not ended in 10 s, killed; 10000 ms or more: no answer.
                col() { echo "$rows" | awk -v c="$1" '{print $c}' | sed 's/^>/99999/' | median |
                    sed 's/^99999.*/>10, killed/; s/^1000[0-9]\..*/no answer in 10 s/'; }
                recv=$(echo "$rows" | awk '{split($5, a, "/"); print a[1]}' | median)
                total=$(echo "$rows" | awk '{split($5, a, "/"); print a[2]; exit}')
                label=$([ "$phase" = slow ] && echo "2 masters, 2,000/s, 10 s" || echo "1,000 senders, 2 masters, 100,000/s, 3 s")
                echo "| $(basename "$build") | $kind | $label | $recv of $total | $(col 6) | $(col 7) | $(col 8) |"
            done
        done
    done
    echo
    echo "Every run, as taken (round, flood, front end, build, received, idle CPU %, /healthz ms, SIGTERM s):"
    echo
    sed 's/^/    /' "$work/all"
} >"$out/twomasters.md"
cat "$out/twomasters.md"
