#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the whole test suite with CTest;
# then builds it again with AddressSanitizer and UndefinedBehaviorSanitizer
# (leak checking on) and runs it once more, failing on any report; then
# builds for Windows (Qt for Windows first, when there is none in the cache)
# and tests that build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
# What the tests need beyond the build: manual pages and their lint, the
# package tools and lintian, systemd-analyze, desktop-file-validate and
# appstreamcli, Prometheus' parser, node exporter and promtool, tshark and
# tcpdump, clang-format for the format check, Chromium for the page, and Wine
# for the Windows build.
export EXTRA_PACKAGES="help2man groff-base man-db dpkg-dev file systemd tshark tcpdump
                       prometheus-node-exporter python3-prometheus-client clang-format
                       lintian desktop-file-utils appstream prometheus chromium wine wine64"
# Laid out for /usr, as the Debian package is: the package test packs this build.
scripts/setup.sh -DDUZUDOZUZE_BENCHMARKS=ON -DCMAKE_INSTALL_PREFIX=/usr
(cd build && ctest --output-on-failure --timeout 600)

echo "== again with AddressSanitizer and UndefinedBehaviorSanitizer"
BUILD_DIR=build-asan scripts/setup.sh -DDUZUDOZUZE_SANITIZE=ON -DCMAKE_INSTALL_PREFIX=/usr
(
    cd build-asan
    ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --output-on-failure --timeout 600
)

echo "== the Windows build, under Wine"
scripts/windows.sh
tests/windows_test.sh build-windows build
