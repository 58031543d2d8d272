#!/bin/bash
# SPDX-License-Identifier: MIT
# Console mode with its HTTP view under load: 100,000 datagrams a second for
# 3 s on 127.0.0.1, with no HTTP client and with 200 clients asking for
# /metrics and /api/v1/state every 100 ms; the datagrams console mode keeps
# each way (three runs each), and the clients' answer times. About a minute.
#   usage: bench/http.sh      (BUILD_DIR=build-h: that build, as it is configured)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${BUILD_DIR:-build-bench}
[ -n "${BUILD_DIR:-}" ] || export BUILD_TYPE=Release
BUILD_DIR=$bin TARGETS="duzudozuze pacedsender httpclients" scripts/setup.sh \
    -DDUZUDOZUZE_BENCHMARKS=ON >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
rate=100000 seconds=3

free_port() { # kind (tcp or udp)
    /usr/bin/python3 -c "import socket,sys
s=socket.socket(socket.AF_INET, socket.SOCK_STREAM if sys.argv[1]=='tcp' else socket.SOCK_DGRAM)
s.bind(('127.0.0.1',0)); print(s.getsockname()[1])" "$1"
}

run() { # clients: prints the datagrams kept, and the clients' line
    local port web
    port=$(free_port udp) web=$(free_port tcp)
    "$bin/duzudozuze" /console /host=127.0.0.1 /port=$port /http=127.0.0.1:$web \
        >"$work/log" 2>"$work/err" &
    local pid=$!
    for _ in $(seq 200); do grep -q "HTTP view on" "$work/log" && break; sleep 0.05; done
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

for round in 1 2 3; do
    echo "without clients: $(run 0)"
    echo "200 clients:     $(run 200)"
done
