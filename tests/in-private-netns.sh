#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a test inside a private network namespace of its own: loopback plus a
# veth pair with 10.x addresses that exist only in there, so a broadcast never
# reaches a real network. Without the rights to make one, the test runs
# outside with DUZUDOZUZE_PRIVATE_NETNS unset and skips what needs it.
set -u
if [ "${DUZUDOZUZE_PRIVATE_NETNS:-}" = 1 ]; then
    exec "$@"
fi
if command -v unshare >/dev/null && command -v ip >/dev/null \
   && unshare -n true 2>/dev/null; then
    exec unshare -n bash -c '
        set -e
        ip link set lo up
        ip link add duz0 type veth peer name duz1
        ip addr add 10.208.0.1/24 dev duz0
        ip addr add 10.208.0.2/24 dev duz1
        ip link set duz0 up
        ip link set duz1 up
        export DUZUDOZUZE_PRIVATE_NETNS=1
        exec "$@"' bash "$@"
fi
echo "in-private-netns: cannot make a private network namespace (needs root and unshare)" >&2
exec "$@"
