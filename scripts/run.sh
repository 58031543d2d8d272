#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and starts DuzUdozuze with the given
# control string, e.g. scripts/run.sh /respond /to=127.0.0.1
set -euo pipefail
cd "$(dirname "$0")/.."
TARGETS=duzudozuze scripts/setup.sh
exec build/duzudozuze "$@"
