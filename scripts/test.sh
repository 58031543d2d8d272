#!/bin/bash
# Installs what is missing, builds, and runs the whole test suite with CTest;
# then builds it again with AddressSanitizer and UndefinedBehaviorSanitizer
# (leak checking on) and runs it once more, failing on any report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DDUZUDOZUZE_BENCHMARKS=ON
(cd build && ctest --output-on-failure --timeout 600)

echo "== again with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan scripts/setup.sh -DDUZUDOZUZE_SANITIZE=ON
cd build-asan
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure --timeout 600
