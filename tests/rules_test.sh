#!/bin/bash
# SPDX-License-Identifier: MIT
# The alert rules: promtool check rules, then their unit tests.
#   usage: rules_test.sh RULES UNIT_TESTS
set -u
command -v promtool >/dev/null || { echo "SKIP: needs promtool (Debian's prometheus)"; exit 77; }
promtool check rules "$1" && promtool test rules "$2"
code=$?
[ $code -eq 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $code
