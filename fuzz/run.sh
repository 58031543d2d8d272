#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60), two at a
# time. Seeds are in fuzz/corpus/TARGET; what the fuzzers find new goes to
# build-fuzz/corpus-TARGET, crashes to build-fuzz/crash-*.
#   usage: fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_capture fuzz_controlstring fuzz_datagram fuzz_systemini fuzz_timeline)

EXTRA_PACKAGES="clang libclang-rt-14-dev" BUILD_DIR=build-fuzz CC=clang CXX=clang++ \
    TARGETS="fuzz_capture fuzz_controlstring fuzz_datagram fuzz_systemini fuzz_timeline" scripts/setup.sh -DDUZUDOZUZE_FUZZ=ON \
    -DDUZUDOZUZE_SANITIZE=ON >/dev/null

status=0
run() {
    local target=$1
    mkdir -p "build-fuzz/corpus-$target"
    (cd build-fuzz && "./fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        "corpus-$target" "../fuzz/corpus/$target" >"$target.log" 2>&1) || {
        echo "$target: FOUND SOMETHING, see build-fuzz/$target.log"; return 1; }
    echo "$target: $(grep -E '^stat::number_of_executed_units' "build-fuzz/$target.log" |
        awk '{print $2}') runs in $seconds s, nothing found"
}
for ((i = 0; i < ${#targets[@]}; i += 2)); do
    run "${targets[$i]}" & first=$!
    if [ $((i + 1)) -lt ${#targets[@]} ]; then run "${targets[$((i + 1))]}" || status=1; fi
    wait $first || status=1
done
exit $status
