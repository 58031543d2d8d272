#!/bin/bash
# SPDX-License-Identifier: MIT
# The Windows build under Wine, on loopback only: the unit tests built for
# Windows; the console's lines for the acceptance's datagrams, byte for byte
# those of the Linux build; the window on the offscreen platform keeping every
# datagram of a flood. The programs run from the zip's folder in a fresh
# WINEPREFIX with nothing else installed: the folder is all they need.
# Usage: windows_test.sh WINDOWS_BUILD LINUX_BUILD
set -euo pipefail
windows=$(realpath "$1")
linux=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
command -v wine >/dev/null || { echo "SKIP: wine is not installed"; exit 77; }
[ -f "$windows/duzudozuze-windows/duzudozuze.exe" ] \
    || { echo "SKIP: no Windows build in $windows (scripts/windows.sh)"; exit 77; }

scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
wineboot --init >/dev/null 2>&1
failed=0

echo "== the unit tests built for Windows"
qt=$(sed -n 's/^CMAKE_PREFIX_PATH:[A-Z]*=//p' "$windows/CMakeCache.txt")
gcc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
path=""
for folder in "$qt/bin" "$gcc" /usr/x86_64-w64-mingw32/lib; do
    path+="Z:${folder//\//\\};"
done
if ! (cd "$windows" && WINEPATH=$path QT_QPA_PLATFORM=offscreen ctest --output-on-failure); then
    failed=1
fi

bundle=$windows/duzudozuze-windows
echo "== the console's lines, as the Linux build's"
"$here/acceptance.sh" "$linux/duzudozuze" "$linux/duzudozuze-send" >"$scratch/linux.txt"
if ! ACCEPTANCE_WINE_PATHS=1 "$here/acceptance.sh" "wine $bundle/duzudozuze.exe" \
    "wine $bundle/duzudozuze-send.exe" >"$scratch/windows.txt"; then
    echo "FAIL: the acceptance did not run through under Wine"
    failed=1
elif ! cmp -s "$scratch/linux.txt" "$scratch/windows.txt"; then
    echo "FAIL: the console's lines differ from the Linux build's:"
    diff "$scratch/linux.txt" "$scratch/windows.txt" | head -40
    failed=1
else
    echo "PASS: $(grep -c '^== ' "$scratch/linux.txt") cases, $(wc -c <"$scratch/linux.txt") bytes alike"
fi

echo "== what the Windows build lacks, it says"
for option in "/read=capture.pcap|Can't read 'capture.pcap': not available in this build" \
    "/record=recording|Can't record to 'recording': not available in this build" \
    "/http=127.0.0.1:1|Can't listen for HTTP on 127.0.0.1:1: not available in this build"; do
    status=0
    wine "$bundle/duzudozuze.exe" /console /host=127.0.0.1 /port=0 /to=127.0.0.1 \
        "${option%%|*}" >"$scratch/lacks.out" 2>/dev/null </dev/null || status=$?
    if [ $status -ne 1 ] || ! grep -qF "${option#*|}" "$scratch/lacks.out"; then
        echo "FAIL: ${option%%|*} (exit status $status):"
        cat "$scratch/lacks.out"
        failed=1
    fi
done

echo "== Ctrl+C in a console stops the console with its counts"
# On a terminal, where Wine turns the key into the console's control event.
if ! HX_ROOT="Z:\\" HX_SYSTEM=north HX_WORKSTATION=7 /usr/bin/python3 - "$bundle/duzudozuze.exe" <<'PYTHON'
import os, pty, select, sys, time
pid, terminal = pty.fork()
if pid == 0:
    os.execvp("wine", ["wine", sys.argv[1], "/console", "/host=127.0.0.1", "/port=0",
                       "/to=127.0.0.1"])
seen = b""
def wait_for(text, seconds):
    global seen
    deadline = time.monotonic() + seconds
    while text not in seen and time.monotonic() < deadline:
        if select.select([terminal], [], [], 0.2)[0]:
            try:
                seen += os.read(terminal, 4096)
            except OSError:
                break
    return text in seen
ok = wait_for(b"List of addresses is ", 60)
os.write(terminal, b"\x03")
ok = ok and wait_for(b"Received 0, shown 0", 20)
os.kill(pid, 9)
os.waitpid(pid, 0)
sys.exit(0 if ok else 1)
PYTHON
then
    echo "FAIL: Ctrl+C did not end the console with its counts line"
    failed=1
fi

echo "== the window, offscreen, through a flood"
root=$scratch/root
mkdir -p "$root/north/config/system"
printf '[Network]\nChannel=3\nAlarmSystem=Fire\n' >"$root/north/config/system/velk_system.ini"
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
metrics=$scratch/window.prom
HX_ROOT="Z:${root//\//\\}" HX_SYSTEM=north HX_WORKSTATION=7 QT_QPA_PLATFORM=offscreen \
    wine "$bundle/duzudozuze.exe" /host=127.0.0.1 "/port=$port" /to=127.0.0.1 \
    "/metrics=Z:${metrics//\//\\}" >"$scratch/window.out" 2>&1 &
window=$!
shown() { sed -n 's/^duzudozuze_datagrams_total{result="shown"} //p' "$metrics" 2>/dev/null; }
# Bound once the first metrics are written.
for _ in $(seq 600); do [ -n "$(shown)" ] && break; sleep 0.1; done
senders=()
for workstation in 2 5; do
    wine "$bundle/duzudozuze-send.exe" --to 127.0.0.1 --port "$port" --count 3000 --rate 1000 \
        NA north Fire "$workstation" 3 OK &
    senders+=($!)
done
wait "${senders[@]}"
# The metrics are written every 10 s.
for _ in $(seq 300); do [ "$(shown)" = 6000 ] && break; sleep 0.1; done
kill "$window" 2>/dev/null || true
if [ "$(shown)" = 6000 ]; then
    echo "PASS: the window showed 6000 of 6000"
else
    echo "FAIL: the window showed $(shown) of 6000"
    cat "$scratch/window.out"
    failed=1
fi
exit $failed
