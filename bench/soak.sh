#!/bin/bash
# SPDX-License-Identifier: MIT
# Soak: console mode at 5,000 datagrams a second, then the window (offscreen)
# at 2,000 a second with /maxlines=100000 and with the default limit, each for
# MINUTES (default 10), on loopback. Samples the receiver's resident memory
# every 10 s and checks that no datagram was lost. Writes bench/results/soak.md and the samples as CSV.
#   usage: bench/soak.sh [MINUTES]
source "$(dirname "$0")/common.sh"
minutes=${1:-10}
port=39209

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }

# Samples the memory of pid every 10 s while the sender (pid2) runs.
sample() { # pid, sender pid, csv
    local pid=$1 sender=$2 csv=$3 t=0
    echo "seconds,rss_kib" >"$csv"
    while kill -0 "$sender" 2>/dev/null; do
        echo "$t,$(rss_kib "$pid")" >>"$csv"
        sleep 10; t=$((t + 10))
    done
    echo "$t,$(rss_kib "$pid")" >>"$csv"
}
summary() { # csv: memory at 60 s, at the end, and the largest
    awk -F, 'NR == 1 {next} $1 == 60 {a = $2} {last = $2; if ($2 > max) max = $2}
             END {printf "%.1f MiB at 60 s, %.1f MiB at the end, %.1f MiB at most",
                  a / 1024, last / 1024, max / 1024}' "$1"
}

# Console mode.
count=$((5000 * 60 * minutes))
"$bin/duzudozuze" /console /host=127.0.0.1 /port=$port >"$work/log" 2>"$work/err" &
program=$!
waitfor "$work/log" "List of addresses"
"$bin/bench/pacedsender" $port $count 5000 >"$work/sent" &
sender=$!
sample $program $sender "$out/soak-console.csv"
sleep 2
kill -TERM $program; wait $program
console_received=$(sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err")
console_sent=$(cat "$work/sent")
rm -f "$work/log"

# The window at 2,000 a second: with /maxlines=100000, then with the default
# limit of 1,000,000 lines (reached after 500 s).
window_soak() { # name, control string...
    local name=$1
    shift
    count=$((2000 * 60 * minutes))
    "$bin/bench/windowreceiver" 3000 "$@" /host=127.0.0.1 /port=$port >"$work/r" 2>/dev/null &
    program=$!
    waitfor "$work/r" ready
    "$bin/bench/pacedsender" $port $count 2000 >"$work/sent" &
    sender=$!
    sample $program $sender "$out/soak-$name.csv"
    wait $program
    echo "$(cat "$work/sent"); received $(sed -n 's/^received //p' "$work/r");" \
         "resident memory $(summary "$out/soak-$name.csv")"
}
window_limited=$(window_soak window /maxlines=100000)
window_default=$(window_soak window-default)

{
    echo "Soak of $minutes minutes each, measured $(date -u +%Y-%m-%d), Release build."
    echo
    echo "- Console mode at 5,000/s: $console_sent; received $console_received;" \
         "resident memory $(summary "$out/soak-console.csv")."
    echo "- Window with /maxlines=100000 at 2,000/s: $window_limited."
    echo "- Window with the default limit at 2,000/s: $window_default."
} >"$out/soak.md"
cat "$out/soak.md"
