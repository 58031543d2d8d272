#!/bin/bash
# SPDX-License-Identifier: MIT
# The live path and the capture path make the same lines. Inside a private
# network namespace (in-private-netns.sh): an incident, written as a capture
# file, is replayed with duzudozuze-send --replay into a console listening on
# the port while tcpdump captures what arrives; that capture read with /read=
# must give the console's own lines, time stamps aside.
#   usage: in-private-netns.sh replay_test.sh PATH/duzudozuze PATH/duzudozuze-send
set -u
program=$1
sender=$2
work=$(mktemp -d)
pids=()

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

[ "${DUZUDOZUZE_PRIVATE_NETNS:-}" = 1 ] || skip "needs a private network namespace"
command -v tcpdump >/dev/null || skip "needs tcpdump"

# The incident: two masters, then one, among datagrams to pass over.
/usr/bin/python3 "$(dirname "$0")/incident.py" short "$work/incident.pcap"

mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' > "$work/hx/north/config/system/velk_system.ini"
export HX_ROOT="$work/hx" HX_SYSTEM=north HX_WORKSTATION=7 TZ=UTC
options=(/console /auto=1 /to=127.0.0.1)

tcpdump -i any --immediate-mode -U -w "$work/arrived.pcap" udp dst port 9208 2>"$work/tcpdump.err" &
pids+=($!)
"$program" "${options[@]}" >"$work/live.out" 2>"$work/live.err" &
pids+=($!)
live=$!
for _ in $(seq 100); do
    grep -q "listening on" "$work/tcpdump.err" && grep -q "List of addresses" "$work/live.out" && break
    sleep 0.1
done
grep -q "listening on" "$work/tcpdump.err" || fail "tcpdump did not start: $(cat "$work/tcpdump.err")"

"$sender" --to 127.0.0.1 --replay "$work/incident.pcap" >"$work/replay.out" \
    || fail "replay: $(cat "$work/replay.out")"
grep -q "^Sent 8 datagrams in " "$work/replay.out" || fail "replay said: $(cat "$work/replay.out")"
# Every datagram, and this workstation's answers, are in before both stop:
# the console has the last, and the capture as many as the console.
captured() { tcpdump -r "$work/arrived.pcap" 2>/dev/null | wc -l; }
for _ in $(seq 100); do
    grep -q "Received 'NC:north:Fire:5:3:OK'" "$work/live.out" \
        && [ "$(captured)" -eq "$(grep -c "Received '" "$work/live.out")" ] && break
    sleep 0.1
done
kill -INT "${pids[0]}" "$live"
wait "${pids[0]}" "$live"

"$program" "${options[@]}" "/read=$work/arrived.pcap" >"$work/read.out" 2>"$work/read.err" \
    || fail "reading the capture: $(cat "$work/read.err")"
lines() { sed -n '/Received/,$p' "$1" | cut -c14-; }
diff <(lines "$work/live.out") <(lines "$work/read.out") >"$work/diff" \
    || fail "the lines differ (live <, capture >):
$(cat "$work/diff")"
[ "$(lines "$work/read.out" | grep -c "Received '")" -ge 8 ] || fail "too few lines: $(cat "$work/read.out")"
echo "PASS: $(lines "$work/read.out" | wc -l) lines alike"
