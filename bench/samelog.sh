#!/bin/bash
# SPDX-License-Identifier: MIT
# The lines stay whole: console mode reading the same captures in this build
# and in another, with and without /auto=1, must write byte for byte the same
# standard output (the log) and standard error (the dump and the counts).
# The captures: 1,000,000 status datagrams from 100 workstations, 1 ms apart,
# one the master; and 1,000,000 from 10,000 workstations with ten jumps of
# the capture's clock by a decade. Writes bench/results/samelog.md; exits 1
# when any output differs.
#   usage: bench/samelog.sh OTHER_BUILD_DIR
source "$(dirname "$0")/common.sh"
other=${1:?usage: bench/samelog.sh OTHER_BUILD_DIR}
"$bin/bench/capturemaker" "$work/100.pcap" 1000000
"$bin/bench/capturemaker" "$work/10k-jumps.pcap" 1000000 10000 10
export TZ=UTC
mkdir -p "$work/hx/north/config/system"
printf '[Network]\nAlarmSystem=Fire\nChannel=3\n' >"$work/hx/north/config/system/velk_system.ini"
export HX_ROOT="$work/hx" HX_SYSTEM=north HX_WORKSTATION=7

status=0
sums=()
{
    echo "# The same lines before and after"
    echo
    echo "Console mode reading each capture in this build and in \`$other\`; SHA-256 of standard"
    echo "output (the set-up's lines without the time of the run they carry) and of standard"
    echo "error, and the lines written."
    echo
    echo "| capture | options | lines | standard output | standard error | same |"
    echo "|---|---|---:|---|---|---|"
    for file in 100 10k-jumps; do
        for options in "" "/auto=1"; do
            for build in "$bin" "$other"; do
                # shellcheck disable=SC2086
                "$build/duzudozuze" /console $options "/read=$work/$file.pcap" \
                    >"$work/out" 2>"$work/err" || true
                # The set-up's lines, before the first datagram's, are stamped
                # with the time of the run, not the capture's: their stamps
                # are left out.
                sums+=("$(awk '!heard && / Received /{heard=1} {if (!heard) sub(/^[0-9:.]+ /, ""); print}' "$work/out" | sha256sum | cut -c1-16) $(sha256sum <"$work/err" | cut -c1-16) $(wc -l <"$work/out")")
            done
            read -r thisOut thisErr lines <<<"${sums[-2]}"
            read -r otherOut otherErr _ <<<"${sums[-1]}"
            same=yes
            if [ "$thisOut" != "$otherOut" ] || [ "$thisErr" != "$otherErr" ]; then
                same=NO
                status=1
            fi
            echo "| $file.pcap | ${options:-none} | $lines | $thisOut | $thisErr | $same |"
        done
    done
} >"$out/samelog.md"
cat "$out/samelog.md"
exit $status
