#!/bin/bash
# SPDX-License-Identifier: MIT
# The console program as a black box on 127.0.0.1: a table of cases, each a
# control string and the datagrams sent to it, and on standard output a
# transcript of the lines it made, with what depends on the host or the
# moment masked (time stamps, local addresses, ports, the HX_ROOT folder), so
# that any build run on any host gives the same bytes.
#   usage: acceptance.sh PROGRAM SENDER     (each may be a command with words,
#          e.g. "wine /path/duzudozuze.exe" "wine /path/duzudozuze-send.exe")
#          acceptance.sh --cases            (the case headers alone)
# ACCEPTANCE_WINE_PATHS=1 gives the program HX_ROOT as Wine names it
# (Z:\...); ACCEPTANCE_TIMEOUT is each wait's deadline in seconds (20).
# Exits 1 when a case did not finish within its deadlines.
set -euo pipefail

tab=$'\t'
long=$(printf 'NA:north:Fire:2:3:OK%0300d' 0)
# name | control string (@root: the HX_ROOT folder) | datagrams, ';' between
# them. A datagram marked '~'
# makes no line (filtered), so none is waited for; the datagrams of a case
# differ.
cases="set-up||
no answering: every code||NA:north:Fire:2:3:OK;NU:north:Fire:2:3:OK;NO:north:Fire:2:3:OK;NC:north:Fire:2:3:OK;XY:north:Fire:2:3:OK
state machine: slave, master, unknown code|/auto=1|NA:north:Fire:2:3:OK;NC:north:Fire:2:3:OK;XY:north:Fire:2:3:OK;NO:north:Fire:2:3:OK;NU:north:Fire:2:3:Fail
state machine: master answers NO|/auto=1|NU:north:Fire:2:3:OK;NA:north:Fire:2:3:OK;NO:north:Fire:2:3:OK
state machine: not OK|/auto=1 /ok=0|NC:north:Fire:2:3:OK;NA:north:Fire:2:3:Fail;NA:north:Fire:2:3:OK;NU:north:Fire:2:3:OK
checks before acting|/auto=1|NA:north:Water:2:3:OK;NA:south:Fire:2:3:OK;NA:north:Fire:7:3:OK;NA:north:Fire:2:4:OK;NA:NORTH:fire:2:3:OK
malformed|/auto=1|NA:north:Fire:2:3;NA:north:Fire:2:3:OK:x;NA::north:Fire:2:3:OK:;NA:north:Fire:x:y:OK;NA:north:Fire:99999999999:3:OK;a${tab}b\\c;
over-long|/auto=1|$long;NA:north:Fire:2:3:OK
filter: workstation|/workstation=2|~NA:north:Fire:5:3:OK;NA:north:Fire:2:3:OK
filter: channel|/channel=4 /channel=me|NA:north:Fire:2:3:OK;~NA:north:Fire:2:4:OK
filter: alarm system|/alarmsystem=^Fi|NA:north:Fire:2:3:OK;~NA:north:Water:2:3:OK
filter: HX system|/hx_system=so.*|NA:south:Fire:2:3:OK;~NA:north:Fire:2:3:OK
HX_ROOT on the command line|/hx_root=@root /hx_root=@root/none|
invalid control string|/bogus /workstation=x|"
if [ "${1:-}" = --cases ]; then
    while IFS='|' read -r name _; do echo "== $name"; done <<<"$cases"
    exit 0
fi
[ $# -eq 2 ] || { echo "usage: $0 PROGRAM SENDER" >&2; exit 2; }
read -ra program <<<"$1"
read -ra sender <<<"$2"
timeout=${ACCEPTANCE_TIMEOUT:-20}

work=$(mktemp -d)
pid=
cleanup() {
    [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' >"$work/hx/north/config/system/velk_system.ini"
root=$work/hx
if [ "${ACCEPTANCE_WINE_PATHS:-}" = 1 ]; then
    root=$(winepath -w "$root" 2>/dev/null) || root="Z:${root//\//\\}"
fi
export HX_ROOT=$root HX_SYSTEM=north HX_WORKSTATION=7

# A text as a sed pattern matching it literally.
literal() { printf '%s' "$1" | sed 's/[][\.*^$/]/\\&/g'; }

# Waits until the command succeeds; false at the deadline.
within() {
    local end=$((SECONDS + timeout))
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.05
    done
}
has() { grep -qF -- "$1" "$work/out"; }
exited() { ! kill -0 "$pid" 2>/dev/null; }

failed=0
mask=(-e 's/^[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9][0-9][0-9] /hh:mm:ss.zzz /'
      -e 's/^\(hh:mm:ss\.zzz List of addresses is \).*/\1<addresses>/'
      -e "s/$(literal "$root")/<root>/g")

# One case: the program started, the datagrams sent, its lines masked.
run() {
    local name=$1 control=$2 datagrams=$3 status=0 port datagram text
    local -a controls datagramList
    port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    read -ra controls <<<"${control//@root/$root}"
    echo "== $name"
    : >"$work/out"
    : >"$work/err"
    "${program[@]}" /console /host=127.0.0.1 /port="$port" /to=127.0.0.1 "${controls[@]}" \
        >"$work/out" 2>"$work/err" &
    pid=$!
    if ! within eval 'has "List of addresses is " || exited'; then
        echo "!! timed out waiting for the set-up"
        failed=1
    elif exited; then
        wait "$pid" || status=$?
        pid=
        echo "exit status $status"
        echo "standard error: $(head -n 1 "$work/err")"
    else
        IFS=';' read -ra datagramList <<<"$datagrams;end"
        [ -n "$datagrams" ] || datagramList=(end)
        for datagram in "${datagramList[@]}"; do
            "${sender[@]}" --to 127.0.0.1 --port "$port" --raw "${datagram#\~}" >/dev/null
            [ "${datagram:0:1}" != '~' ] || continue
            # The line of this datagram out before the next goes: an answer
            # it makes comes back before the next.
            text=${datagram//$tab/\\t}\'
            [ ${#datagram} -le 60 ] || text=${datagram:0:60}
            if ! within has "Received '$text"; then
                echo "!! timed out waiting for '$datagram'"
                failed=1
                break
            fi
        done
        kill -TERM "$pid" 2>/dev/null || true
        within exited || kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        pid=
    fi
    sed "${mask[@]}" -e "s/127\.0\.0\.1:$port\b/127.0.0.1:<port>/g" \
        -e 's/127\.0\.0\.1:[0-9][0-9]*/127.0.0.1:<sender>/g' -e "s/\b$port\b/<port>/g" "$work/out"
}

start=$SECONDS
while IFS='|' read -r name control datagrams; do
    run "$name" "$control" "$datagrams"
done <<<"$cases"
echo "acceptance: $((SECONDS - start)) s" >&2
exit $failed
