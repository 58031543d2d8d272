#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds in Release and runs every benchmark on this machine's loopback:
# receive rate (baseline, console mode, window), log view, responsiveness and
# start-up. Writes bench/results/latest.md and bench/results/loss.png.
#   usage: bench/run.sh
source "$(dirname "$0")/common.sh"
port=39208
rates=(5000 10000 20000 50000 100000 150000 200000 250000 300000)

# One step: receiver kind, rate; prints the number received out of 2 s worth.
step() {
    local kind=$1 rate=$2 count=$(($2 * 2))
    case $kind in
    baseline)
        "$bin/bench/baselinereceiver" $port 500 >"$work/r" &
        waitfor "$work/r" ready
        "$bin/bench/pacedsender" $port "$count" "$rate" >/dev/null
        wait
        sed -n 's/^received //p' "$work/r"
        ;;
    console | console1000)
        "$bin/duzudozuze" /console /host=127.0.0.1 /port=$port >"$work/log" 2>"$work/err" &
        local pid=$!
        waitfor "$work/log" "List of addresses"
        local senders=1
        [ "$kind" = console1000 ] && senders=1000
        "$bin/bench/pacedsender" $port "$count" "$rate" $senders >/dev/null
        local last=-1 now
        while now=$(grep -c "Received '" "$work/log"); [ "$now" != "$last" ]; do
            last=$now; sleep 0.5
        done
        kill -TERM $pid; wait $pid
        sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err"
        ;;
    window)
        "$bin/bench/windowreceiver" 500 /host=127.0.0.1 /port=$port >"$work/r" 2>/dev/null &
        waitfor "$work/r" ready
        "$bin/bench/pacedsender" $port "$count" "$rate" >/dev/null
        wait
        sed -n 's/^received \([0-9]*\).*/\1/p' "$work/r"
        ;;
    esac
}

echo "rate,baseline,console,window,console1000" >"$out/receive.csv"
declare -A best=([baseline]=0 [console]=0 [window]=0 [console1000]=0)
for rate in "${rates[@]}"; do
    row="$rate"
    for kind in baseline console window console1000; do
        got=$(step $kind "$rate")
        row="$row,$got"
        [ "$got" -eq $((rate * 2)) ] && [ "$rate" -gt "${best[$kind]}" ] && best[$kind]=$rate
    done
    echo "$row" | tee -a "$out/receive.csv"
done

gnuplot <<GNUPLOT
set terminal pngcairo size 720,420
set output "$out/loss.png"
set datafile separator ","
set key top left
set logscale x
set xlabel "datagrams sent a second, for 2 s"
set xrange [4000:400000]
set ylabel "lost (%)"
set yrange [0:*]
set grid
plot "$out/receive.csv" using 1:(100*(2*\$1-\$2)/(2*\$1)) skip 1 with linespoints title "recvfrom loop", \
     "" using 1:(100*(2*\$1-\$3)/(2*\$1)) skip 1 with linespoints title "console mode", \
     "" using 1:(100*(2*\$1-\$4)/(2*\$1)) skip 1 with linespoints title "window (offscreen)", \
     "" using 1:(100*(2*\$1-\$5)/(2*\$1)) skip 1 with linespoints title "console, 1,000 senders"
GNUPLOT

# Responsiveness: a burst of 100,000 as fast as they can be sent.
"$bin/bench/windowreceiver" 1000 /host=127.0.0.1 /port=$port >"$work/r" 2>/dev/null &
waitfor "$work/r" ready
"$bin/bench/pacedsender" $port 100000 0 >"$work/sent"
wait
burst=$(sed -n 's/^received //p' "$work/r")
burst_rate=$(sed -n 's/.* \([0-9]*\) a second/\1/p' "$work/sent")

# Sustained floods at 100,000 a second to the window, with each way of bounding
# its log view: received, longest stall, resident memory at the end.
sustained() { # label, count, windowreceiver arguments...
    local label=$1 count=$2
    shift 2
    "$bin/bench/windowreceiver" 1000 "$@" /host=127.0.0.1 /port=$port >"$work/r" 2>/dev/null &
    waitfor "$work/r" ready
    "$bin/bench/pacedsender" $port "$count" 100000 >/dev/null
    wait
    awk -v label="$label" -v count="$count" '/^received / {
        printf "| %s | %s | %s | %s | %s |\n", label, count, $2, $4, $6 }' "$work/r"
}
sustained_rows=$(
    sustained "no limit (/maxlines=0)" 1000000 /maxlines=0
    sustained "default limit (1,000,000)" 1000000
    sustained "/maxlines=100000" 1000000 /maxlines=100000
    sustained "default limit, 25 s: past the limit" 2500000
)

# The view refreshes every 100 ms: 2,000 lines a refresh at 20,000 datagrams a
# second, 200 at 2,000 a second.
logview=$(BATCH=2000 "$bin/bench/logviewbench" 10000 100000 1000000 2>/dev/null | tail -n 3)
logview_slow=$(BATCH=200 "$bin/bench/logviewbench" 10000 100000 1000000 2>/dev/null | tail -n 3)

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
startup_console=$(for _ in 1 2 3 4 5; do
    "$bin/bench/firstline" "$bin/duzudozuze" /console /host=127.0.0.1 /port=0; done | median)
startup_window=$(for _ in 1 2 3 4 5; do
    "$bin/bench/firstline" "$bin/bench/windowreceiver" 500 /host=127.0.0.1 /port=0; done | median)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
{
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores, $(uname -r), Release build."
    echo
    echo "Datagrams received out of 2 s worth sent at each rate:"
    echo
    echo "| datagrams/s | recvfrom loop | console mode | window (offscreen) | console, 1,000 senders |"
    echo "|---:|---:|---:|---:|---:|"
    tail -n +2 "$out/receive.csv" | tr ',' ' ' | while read -r r a b c d; do
        echo "| $r | $a | $b | $c | $d |"
    done
    echo
    echo "Highest loss-free rate: recvfrom loop ${best[baseline]}, console ${best[console]}" \
         "(b/a $(ratio "${best[console]}" "${best[baseline]}")), window ${best[window]}" \
         "(c/a $(ratio "${best[window]}" "${best[baseline]}")), console with 1,000 senders" \
         "${best[console1000]}."
    echo
    echo "Burst of 100,000 sent at $burst_rate a second to the window: $burst."
    echo
    echo "Sustained floods at 100,000 datagrams a second to the window:"
    echo
    echo "| log view | sent | received | longest stall (ms) | resident memory at the end (MiB) |"
    echo "|---|---:|---:|---:|---:|"
    echo "$sustained_rows"
    echo
    echo "Log view, lines appended 2,000 to a refresh (20,000 datagrams a second) and 200"
    echo "to a refresh (2,000 a second); memory as resident set and as heap in use:"
    echo
    echo "| log lines | µs/line | RSS bytes/line | heap bytes/line | µs/line | RSS bytes/line | heap bytes/line |"
    echo "|---:|---:|---:|---:|---:|---:|---:|"
    paste -d, <(echo "$logview") <(echo "$logview_slow") | tr ',' ' ' |
        while read -r n t m h _ t2 m2 h2; do
            echo "| $n | $t | $m | $h | $t2 | $m2 | $h2 |"
        done
    echo
    echo "Start-up (median of 5): console to first log line ${startup_console} ms," \
         "window to shown ${startup_window} ms."
} >"$out/latest.md"
cat "$out/latest.md"
