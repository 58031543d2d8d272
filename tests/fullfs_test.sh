#!/bin/bash
# SPDX-License-Identifier: MIT
# Standard output on a file system that fills up, then has room again: the
# console writes whole lines only, and none is lost while they fit in its
# queue. Then a recording on it: full of other files, it fails, said once
# (an error in the journal), leaves no empty file, and records again once
# there is room, said once when it has written; full of its own files, it
# deletes the first written and goes on (a warning in the journal), and reads
# back to its last datagram. The file system is a 1 MiB tmpfs in a mount
# namespace of this script's own; the datagrams go to 127.0.0.1.
#   usage: fullfs_test.sh PATH/duzudozuze PATH/duzudozuze-send
set -u
program=$1
sender=$2
skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root to mount a tmpfs in a mount namespace"
command -v unshare >/dev/null || skip "needs unshare (util-linux)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/fs"
port=$(/usr/bin/python3 -c 'import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])')

unshare -m bash -s "$program" "$sender" "$work" "$port" <<'INNER'
set -u
program=$1 sender=$2 work=$3 port=$4
mount --make-rprivate / 2>/dev/null
mount -t tmpfs -o size=1m tmpfs "$work/fs" || { echo "SKIP: cannot mount a tmpfs"; exit 77; }
fail() { echo "FAIL: $*"; kill "${pid:-}" 2>/dev/null; tail -3 "$work/out" "$work/fs/out" 2>/dev/null; cat "$work/err"; exit 1; }
HX_SYSTEM=north HX_WORKSTATION=7 "$program" /console /host=127.0.0.1 "/port=$port" \
    >"$work/fs/out" 2>"$work/err" &
pid=$!
for _ in $(seq 100); do grep -q "List of addresses is" "$work/fs/out" && break; sleep 0.05; done
# Whether the program has read every datagram sent to it.
drained() {
    local local_address
    local_address=$(printf '0100007F:%04X' "$port")
    awk -v a="$local_address" '$2 == a { split($5, q, ":"); exit q[2] != "00000000" }' /proc/net/udp
}
head -c 2M /dev/zero >"$work/fs/filler" 2>/dev/null # full now
"$sender" --to 127.0.0.1 --port "$port" --count 3000 --rate 20000 NC north Fire 2 3 OK
for _ in $(seq 200); do drained && break; sleep 0.05; done
rm "$work/fs/filler" # room again
"$sender" --to 127.0.0.1 --port "$port" --count 10 NC north Fire 2 3 OK
for _ in $(seq 200); do [ "$(grep -c "^.\{13\}Received 'NC" "$work/fs/out")" -ge 3010 ] && break; sleep 0.05; done
kill -TERM "$pid"
wait "$pid" || fail "ended with $?"
[ "$(grep -c "^.\{13\}Received 'NC" "$work/fs/out")" -eq 3010 ] || fail "lines lost"
grep -qvE "^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} (Received 'NC:north:Fire:2:3:OK'\. 127\.0\.0\.1:[0-9]+\. type 0|Constructor: |List of addresses is |Not a valid channel number: )" \
    "$work/fs/out" && fail "a line is cut or glued: $(grep -vE '^[0-9:.]{12} (Received|Constructor|List)' "$work/fs/out" | head -2)"
[ "$(tail -c 1 "$work/fs/out" | od -An -c | tr -d ' ')" = '\n' ] || fail "the last line is cut"

rec=$work/fs/rec
: >"$work/err"
# Standard error as systemd's journal stream: each line said with its priority.
JOURNAL_STREAM=$(stat -c '%d:%i' "$work/err") HX_SYSTEM=north HX_WORKSTATION=7 "$program" \
    /console /host=127.0.0.1 "/port=$port" "/record=$rec" /recordfile=64k /recordtotal=64m \
    >"$work/out" 2>>"$work/err" &
pid=$!
for _ in $(seq 100); do grep -q "List of addresses is" "$work/out" && break; sleep 0.05; done
told() { grep -c "$1" "$work/err"; }
empty() { find "$rec" -name '*.pcap' -empty | grep -q .; }
head -c 2M /dev/zero >"$work/fs/filler" 2>/dev/null # full of other files
# Longer than a retry: each fails, and none says it records again.
"$sender" --to 127.0.0.1 --port "$port" --count 30 --rate 5 NC north Fire 2 3 OK
[ "$(told "^<3>duzudozuze: recording to .* failed")" -eq 1 ] || fail "the failure not said once"
[ "$(told "duzudozuze: recording to .* again$")" -eq 0 ] || fail "said to record again while full"
empty && fail "an empty file left"
rm "$work/fs/filler"
"$sender" --to 127.0.0.1 --port "$port" --count 200 --rate 20 NC north Fire 2 3 OK &
for _ in $(seq 240); do [ "$(told "duzudozuze: recording to .* again$")" -ge 1 ] && break; sleep 0.05; done
kill $! 2>/dev/null
# Full of its own files: 2.5 MB of them.
"$sender" --to 127.0.0.1 --port "$port" --count 30000 --rate 20000 NC north Fire 2 3 OK
"$sender" --to 127.0.0.1 --port "$port" NA north Fire 9 3 OK
for _ in $(seq 200); do grep -q "Received 'NA:north:Fire:9" "$work/out" && break; sleep 0.05; done
kill -TERM "$pid"
wait "$pid" || fail "ended with $?"
[ "$(told "duzudozuze: recording to .* again$")" -eq 1 ] || fail "recording again not said once"
[ "$(told "^<4>duzudozuze: .* is full: the first files written are deleted")" -eq 1 ] || fail "the full disk not said once"
[ "$(told "^<3>duzudozuze: recording to .* failed")" -eq 1 ] || fail "failed again"
empty && fail "an empty file left"
"$program" /console "/read=$rec" >"$work/out" 2>"$work/err" || fail "read back: $?"
grep -q "Received 'NA:north:Fire:9:3:OK'" "$work/out" || fail "the last datagram not kept"
echo "1 passed, 0 failed"
INNER
