#!/bin/bash
# SPDX-License-Identifier: MIT
# Console mode with its HTTP view under load: 100,000 datagrams a second for
# 3 s on 127.0.0.1, with no HTTP client and with 200 clients asking for
# /metrics and /api/v1/state every 100 ms; the datagrams console mode keeps
# each way (three runs each), and the clients' answer times. About a minute.
# Then the slow crowd, two rounds: 10 clients asking for /healthz every
# 100 ms for 10 s, alone and beside 200, 500 and 1,000 half-open connections
# that connect again whenever they are let go, while 100 datagrams a second
# arrive; the clients' answer times, how late the datagrams' lines came
# (against the earliest of the run) and console mode's CPU time. About four
# minutes with another build, two without.
#   usage: bench/http.sh [OTHER_BUILD_DIR]
#          (BUILD_DIR=build-h: that build, as it is configured; CROWD_ONLY=1:
#          the slow crowd alone)
# OTHER_BUILD_DIR: a build of another version (target duzudozuze), measured
# alongside in the slow crowd's rounds, in turns.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${BUILD_DIR:-build-bench}
[ -n "${BUILD_DIR:-}" ] || export BUILD_TYPE=Release
BUILD_DIR=$bin TARGETS="duzudozuze pacedsender httpclients" scripts/setup.sh \
    -DDUZUDOZUZE_BENCHMARKS=ON >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
rate=100000 seconds=3
other=${1:-}

free_port() { # kind (tcp or udp)
    /usr/bin/python3 -c "import socket,sys
s=socket.socket(socket.AF_INET, socket.SOCK_STREAM if sys.argv[1]=='tcp' else socket.SOCK_DGRAM)
s.bind(('127.0.0.1',0)); print(s.getsockname()[1])" "$1"
}

# Console mode of a build with /http=, on ports of the system's choosing, once
# its view is up; sets the caller's port, web and pid.
start_console() { # build
    port=$(free_port udp) web=$(free_port tcp)
    "$1/duzudozuze" /console /host=127.0.0.1 /port=$port /http=127.0.0.1:$web \
        >"$work/log" 2>"$work/err" &
    pid=$!
    for _ in $(seq 200); do grep -q "HTTP view on" "$work/log" && break; sleep 0.05; done
}

run() { # clients: prints the datagrams kept, and the clients' line
    local port web pid
    start_console "$bin"
    local clients=
    if [ "$1" -gt 0 ]; then
        "$bin/bench/httpclients" $web "$1" 100 $((seconds + 2)) >"$work/clients" &
        clients=$!
        sleep 1
    fi
    "$bin/bench/pacedsender" $port $((rate * seconds)) $rate >/dev/null
    local last=-1 now
    while now=$(grep -c "Received '" "$work/log"); [ "$now" != "$last" ]; do
        last=$now; sleep 0.5
    done
    [ -z "$clients" ] || wait $clients
    kill -TERM $pid; wait $pid
    echo "kept $(sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err") of $((rate * seconds))" \
         "$( [ "$1" -gt 0 ] && cat "$work/clients")"
}

# How late each line came, in ms: datagram i was sent 10 ms after i - 1, so
# its line's time less i times 10 ms is the same for every line the event
# loop wrote at once; the earliest of those is the baseline.
lateness() { # log
    /usr/bin/python3 -c "import re,statistics,sys
times=[]
for line in open(sys.argv[1]):
    m=re.match(r'(\d\d):(\d\d):(\d\d)\.(\d{3}) Received ', line)
    if m:
        h,mi,se,ms=map(int,m.groups()); times.append(((h*60+mi)*60+se)*1000+ms)
late=[t-10*i for i,t in enumerate(times)]
base=min(late) if late else 0
late=[t-base for t in late]
print('lines %d late median %d max %d ms' % (len(late), statistics.median(late) if late else 0, max(late, default=0)))" "$1"
}

crowd() { # build, half-open connections: prints the clients', the lines' and the CPU's figures
    local port web pid
    start_console "$1"
    "$bin/bench/httpclients" $web 10 100 10 "$2" >"$work/clients" &
    local clients=$!
    # The crowd's head start, then the datagrams for as long as the clients ask.
    sleep 1
    "$bin/bench/pacedsender" $port 1000 100 >/dev/null
    wait $clients
    local ticks
    ticks=$(awk '{print $14 + $15}' /proc/$pid/stat)
    kill -TERM $pid; wait $pid
    echo "$(cat "$work/clients"); received $(sed -n 's/^Received \([0-9]*\),.*/\1/p' "$work/err")," \
         "$(lateness "$work/log"); cpu $((ticks * 1000 / $(getconf CLK_TCK))) ms"
}

if [ -z "${CROWD_ONLY:-}" ]; then
    for round in 1 2 3; do
        echo "without clients: $(run 0)"
        echo "200 clients:     $(run 200)"
    done
fi
for round in 1 2; do
    for half_open in 0 200 500 1000; do
        for build in "$bin" ${other:+"$other"}; do
            echo "$half_open half-open, $build: $(crowd "$build" $half_open)"
        done
    done
done
