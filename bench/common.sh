# SPDX-License-Identifier: MIT
# Shared by the benchmarks (sourced): a Release build in build-bench/, the
# results folder, a scratch folder removed at the end, and waitfor.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# BENCH_BUILD: a build of the benchmarks made already, used as it is.
bin=${BENCH_BUILD:-build-bench}
[ -n "${BENCH_BUILD:-}" ] \
    || EXTRA_PACKAGES='gnuplot-nox tcpdump curl' BUILD_DIR=build-bench BUILD_TYPE=Release \
        scripts/setup.sh -DDUZUDOZUZE_BENCHMARKS=ON >/dev/null
out=bench/results
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
export QT_QPA_PLATFORM=offscreen
# The window's kept layout stays in the scratch folder.
export XDG_CONFIG_HOME=$work/config

waitfor() { # file, text: waits up to 10 s for text to appear in file
    for _ in $(seq 200); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.05; done
    echo "timed out waiting for '$2' in $1" >&2
    return 1
}
