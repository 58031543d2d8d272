#!/bin/bash
# SPDX-License-Identifier: MIT
# Mastership across three workstations. Everything happens in network
# namespaces this script makes: three workstations and a driver, joined by a
# bridge in a namespace of its own, addresses 10.209.0.x. Nothing is sent in
# the machine's own namespace. Each workstation runs duzudozuze in console mode
# with /auto=1 and the default broadcast address; the driver plays a fourth
# workstation with duzudozuze-send.
#   usage: multihost.sh PATH/duzudozuze PATH/duzudozuze-send
set -u
program=$1
sender=$2
prefix="duz$$"
work=$(mktemp -d)
pids=()

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; for i in 1 2 3; do echo "--- ws$i"; cat "$work/out$i"; done; exit 1; }

cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    for ns in br ws1 ws2 ws3 drv; do ip netns del "$prefix-$ns" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
command -v ip >/dev/null || skip "needs ip (iproute2)"
ip netns add "$prefix-br" 2>/dev/null || skip "cannot make a network namespace here"

# The bridge, and one veth pair for each host, made inside the namespaces.
ip -n "$prefix-br" link add br0 type bridge || skip "no bridge support"
ip -n "$prefix-br" link set br0 up
number=1
for host in ws1 ws2 ws3 drv; do
    ns="$prefix-$host"
    ip netns add "$ns" || fail "netns $ns"
    ip -n "$prefix-br" link add "v$host" type veth peer name eth0 netns "$ns" || skip "no veth"
    ip -n "$prefix-br" link set "v$host" master br0 up
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "10.209.0.$number/24" broadcast 10.209.0.255 dev eth0
    ip -n "$ns" link set eth0 up
    # The limited broadcast needs a route; this one leads only to the bridge.
    ip -n "$ns" route add default dev eth0
    number=$((number + 1))
done

# The same system, alarm system and channel for all three.
mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' > "$work/hx/north/config/system/velk_system.ini"

start() { # workstation number, extra options
    local i=$1; shift
    ip netns exec "$prefix-ws$i" env HX_ROOT="$work/hx" HX_SYSTEM="${system:-north}" HX_WORKSTATION="$i" \
        "$program" /console /auto=1 "$@" >"$work/out$i" 2>"$work/err$i" &
    pids[$i]=$!
}
start 1
start 2
start 3 /ok=0

# Waits until workstation $1 has logged the line $2 (without its time) $3 times.
expect() {
    local i=$1 text=$2 times=${3:-1}
    for _ in $(seq 100); do
        [ "$(cut -c14- "$work/out$i" | grep -cxF -- "$text")" -ge "$times" ] && return 0
        sleep 0.05
    done
    fail "ws$i did not log '$text' $times time(s)"
}
for i in 1 2 3; do
    for _ in $(seq 100); do grep -q "List of addresses is" "$work/out$i" && break; sleep 0.05; done
done

send() { # destination, fields
    local to=$1; shift
    ip netns exec "$prefix-drv" "$sender" --to "$to" --port 9208 "$@" || fail "send $*"
}
master() { echo "Changing mastership. Going to master from mode $1. ws 0 is master. $2"; }
slave() { echo "Changing mastership. Going to slave from mode $1. ws 0 is master. $2"; }

echo "1. NC makes workstation 1 master"
send 10.209.0.1 NC north Fire 9 3 OK
expect 1 "$(master 0 NC)"

echo "2. The healthy master answers NA with NO; the others log it and stay slave"
send 255.255.255.255 NA north Fire 9 3 OK # from the driver namespace, onto the bridge
expect 1 "Received NA and we're OK. We are master - tell other to go slave. Send NO."
expect 1 "**Broadcasting WS:1 Master:0 'NO:north:Fire:1:3:OK'"
expect 1 "It's from me."
for i in 2 3; do
    expect "$i" " NA. We are slave. ws 0 is master"
    expect "$i" "$(slave 0 NO)"
done

echo "3. An unhealthy master gives way to NA with health OK"
send 10.209.0.3 NC north Fire 9 3 OK
expect 3 "$(master 0 NC)"
send 10.209.0.3 NA north Fire 9 3 OK
expect 3 "Received NA+OK and we're not OK. Changing mastership. Going to slave from mode 1. ws 0 is master"
grep -q "Broadcasting WS:3" "$work/out3" && fail "ws3 answered although it gave way"

echo "4. NU hands mastership to the healthy workstations"
send 255.255.255.255 NU north Fire 9 3 Fail # from the driver namespace, onto the bridge
expect 1 "$(master 1 NU)"
expect 2 "$(master 0 NU)"
expect 3 " NU. Someone else is master and not happy. We're not happy either, nor master. Do nothing."

echo "5. Each has its picture: SIGUSR1 dumps its own row, the driver's claim and whom it heard"
dumped() { # workstation, line pattern (extended regular expression) on standard error
    for _ in $(seq 100); do grep -qE -- "$2" "$work/err$1" && return 0; sleep 0.05; done
    fail "ws$1 has no line like '$2' on standard error: $(cat "$work/err$1")"
}
for i in 1 2 3; do kill -USR1 "${pids[$i]}"; done
dumped 1 '^1 +MASTER +north +Fire +3 +this workstation'
dumped 2 '^2 +MASTER +north +Fire +3 +this workstation'
dumped 3 '^3 +slave +north +Fire +3 +this workstation'
for i in 1 2 3; do dumped "$i" '^9 +MASTER +north +Fire +3 +10\.209\.0\.4:[0-9]+ +NU'; done
dumped 2 '^1 +MASTER +north +Fire +3 +10\.209\.0\.1:9208 +NO'
# Workstation 1, master again, still hears the driver's claim.
dumped 1 'Two masters in north/Fire channel 3: workstation 1 \(this workstation\) and workstation 9 \(10\.209\.0\.4\)'
grep -q 'Workstation  Role' "$work/out1" && fail "the dump went to standard output"

echo "6. SIGTERM ends each with 0 and its counts"
for i in 1 2 3; do
    kill -TERM "${pids[$i]}"
    wait "${pids[$i]}"; code=$?
    [ "$code" -eq 0 ] || fail "ws$i ended with $code"
    grep -q '^Received [0-9]*, shown' "$work/err$i" || fail "ws$i wrote no counts"
done
pids=()

echo "7. A system name Latin-1 cannot carry: two workstations configured alike know each other"
system=Москва
mkdir -p "$work/hx/$system/config/system"
cp "$work/hx/north/config/system/velk_system.ini" "$work/hx/$system/config/system/"
start 1
start 2
for i in 1 2; do
    for _ in $(seq 100); do grep -q "List of addresses is" "$work/out$i" && break; sleep 0.05; done
done
send 10.209.0.1 NC "$system" Fire 9 3 OK
expect 1 "$(master 0 NC)"
send 255.255.255.255 NA "$system" Fire 9 3 OK # from the driver namespace, onto the bridge
expect 1 "Received NA and we're OK. We are master - tell other to go slave. Send NO."
expect 1 "It's from me."
expect 2 "$(slave 0 NO)" # the answer of workstation 1, recognised as of its own system
grep -q "Not our HX system" "$work/out2" && fail "ws2 did not recognise its own system"
grep -q "Latin-1 cannot carry" "$work/err1" || fail "ws1 did not say how its name is sent"
grep -q '?' "$work/out1" && fail "ws1 logged question marks"
for i in 1 2; do kill -TERM "${pids[$i]}"; wait "${pids[$i]}"; done
pids=()
echo "1 passed, 0 failed"
