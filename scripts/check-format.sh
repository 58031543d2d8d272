#!/bin/bash
# SPDX-License-Identifier: MIT
# Fails when a C++ file of the tree is not formatted as .clang-format says.
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "SKIP: clang-format is not installed"; exit 77; }
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
