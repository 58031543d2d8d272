#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The live page's cost and speed, pushed (the event stream) against looked
at every 500 ms (the page with its stream blocked, as the page was before
the stream): console mode with /http= on 127.0.0.1, the page in headless
Chromium over its DevTools pipe.

1. How long a change takes to show: a datagram sent, until the page's
   workstation table counts it (in the page's own clock), 30 times each way
   at random moments.
2. Bytes a minute for one screen, as the browser counts what the page
   received (heads and bodies), and the requests it made: a standing picture
   (a master announcing itself every second) and one where nothing changes (a
   capture read to its end, /follow), 30 s each.
3. A wall of 64 screens, clients without a browser that read the stream or
   look every 500 ms: the service's CPU time and the bytes it wrote (its
   /proc/PID/io, less its log) in 30 s of a standing picture.

usage: bench/page.py PATH/duzudozuze        (about five minutes)"""
import http.client
import os
import random
import selectors
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from devtools import Browser  # noqa: E402

program = sys.argv[1]
binary = shutil.which("chromium") or sys.exit("needs Debian's chromium package")
WINDOW = 30  # s of each measure of bytes and CPU
work = tempfile.mkdtemp()
folder = os.path.join(work, "north", "config", "system")
os.makedirs(folder)
with open(os.path.join(folder, "velk_system.ini"), "w") as ini:
    ini.write("[Network]\nAlarmSystem=Fire\nChannel=3\n")
env = dict(os.environ, HX_ROOT=work, HX_SYSTEM="north", HX_WORKSTATION="7")


def free_port(kind):
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Service:
    def __init__(self, *args):
        self.port, self.web = free_port(socket.SOCK_DGRAM), free_port(socket.SOCK_STREAM)
        self.log, self.errors = os.path.join(work, "out"), os.path.join(work, "err")
        self.process = subprocess.Popen(
            [program, "/console", "/host=127.0.0.1", "/port=%d" % self.port,
             "/http=127.0.0.1:%d" % self.web] + list(args),
            stdout=open(self.log, "wb"), stderr=open(self.errors, "wb"), env=env)
        while b"HTTP view on" not in open(self.log, "rb").read():
            time.sleep(0.05)
        self.url = "http://127.0.0.1:%d/" % self.web
        self.sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sender.bind(("127.0.0.2", 0))
        self.stop = threading.Event()

    def send(self, datagram):
        self.sender.sendto(datagram, ("127.0.0.1", self.port))

    def announce(self):
        """A master announcing itself every second, as long as the service runs."""
        def every_second():
            self.send(b"NA:north:Fire:2:3:OK")
            while not self.stop.wait(1):
                self.send(b"NA:north:Fire:2:3:OK")
        threading.Thread(target=every_second, daemon=True).start()

    def state(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.web)
        connection.request("GET", "/api/v1/state")
        size = len(connection.getresponse().read())
        connection.close()
        return size

    def usage(self):
        """Bytes written to its sockets, and CPU ticks, so far."""
        io = dict(line.split(": ") for line in open("/proc/%d/io" % self.process.pid)
                  .read().split("\n") if line)
        logged = os.path.getsize(self.log) + os.path.getsize(self.errors)
        ticks = sum(int(field) for field in
                    open("/proc/%d/stat" % self.process.pid).read().rsplit(")", 1)[1]
                    .split()[11:13])
        return int(io["wchar"]) - logged, ticks

    def end(self):
        self.stop.set()
        self.process.terminate()
        self.process.wait()


def page(browser, service, pushed):
    browser.call("Network.setBlockedURLs", urls=[] if pushed else ["*/api/v1/events"])
    browser.call("Page.navigate", url=service.url)
    browser.wait("document.getElementById('counts').textContent !== ''")
    time.sleep(1)


def latencies(browser, service, pushed):
    """Workstation 3's own datagrams, counted in its row alone."""
    page(browser, service, pushed)
    row = ("[...document.querySelectorAll('#workstations tbody tr')]"
           ".find((row) => row.cells[0].textContent === '3')")
    taken, base = [], browser.evaluate("Number((%s || {cells: [0, 0, 0, 0, 0, 0, 0, 0, {"
                                       "textContent: '0'}]}).cells[8].textContent)" % row)
    for sample in range(31):
        if sample > 0:
            start = browser.evaluate(
                "window.seen = new Promise((resolve) => { const table ="
                " document.getElementById('workstations'); const observer = new"
                " MutationObserver(() => { const found = %s; if (found && found.cells[8]"
                ".textContent === '%d') { observer.disconnect(); resolve(performance.now()); } });"
                " observer.observe(table, {childList: true, subtree: true});"
                " setTimeout(() => resolve(null), 5000); }); performance.now()" % (row, base + sample + 1))
        service.send(b"NC:north:Fire:3:3:OK")
        if sample > 0:
            shown = browser.evaluate("window.seen")
            if shown is not None:
                taken.append(shown - start)
        time.sleep(random.uniform(0.2, 0.7))
    return taken


def measure(service, seconds=WINDOW):
    before = service.usage()
    time.sleep(seconds)
    after = service.usage()
    return [b - a for a, b in zip(before, after)]


def screen_bytes(browser, service, pushed):
    """What the page received, as the browser counts it (heads too), and the
    requests it made, a minute."""
    page(browser, service, pushed)
    time.sleep(2)
    browser.evaluate("0")
    asked = len(browser.events)
    time.sleep(WINDOW)
    browser.evaluate("0")
    window = browser.events[asked:]
    stream = {params["requestId"] for method, params in browser.events
              if method == "Network.requestWillBeSent"
              and params["request"]["url"].endswith("/api/v1/events")}
    received = sum(params["encodedDataLength"] for method, params in window
                   if (method == "Network.dataReceived" and params["requestId"] in stream)
                   or method == "Network.loadingFinished")
    requests = sum(1 for method, _ in window if method == "Network.requestWillBeSent")
    return received * 60 // WINDOW, requests * 60 // WINDOW


def wall(service, pushed, screens=64):
    """Screens clients of no browser: each reads the stream, or looks every 500 ms."""
    stop, threads, clients = threading.Event(), [], []
    if pushed:
        streams = selectors.DefaultSelector()
        for _ in range(screens):
            clients.append(socket.create_connection(("127.0.0.1", service.web)))
            clients[-1].sendall(b"GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            streams.register(clients[-1], selectors.EVENT_READ)

        def read():
            while not stop.is_set():
                for key, _ in streams.select(0.5):
                    key.fileobj.recv(1 << 16)
        threads.append(threading.Thread(target=read))
    else:
        def look(connection):
            while not stop.wait(0.5):
                connection.request("GET", "/api/v1/state")
                connection.getresponse().read()
        for _ in range(screens):
            clients.append(http.client.HTTPConnection("127.0.0.1", service.web))
            threads.append(threading.Thread(target=look, args=(clients[-1],)))
    for thread in threads:
        thread.start()
    time.sleep(2)
    written, ticks = measure(service)
    stop.set()
    for thread in threads:
        thread.join()
    for client in clients:
        client.close()
    return written, ticks


def summary(taken):
    taken = sorted(taken)
    return "%.0f ms median, %.0f ms 90th percentile, %.0f ms at most" % (
        statistics.median(taken), taken[int(len(taken) * 0.9)], taken[-1])


browser = Browser(binary, os.path.join(work, "profile"))
browser.call("Network.enable")
try:
    live = Service()
    live.announce()
    for pushed in (True, False):
        print("change shown, %s: %s" % ("pushed" if pushed else "looked at",
                                       summary(latencies(browser, live, pushed))))
    print("the state: %d bytes of JSON" % live.state())
    for pushed in (True, False):
        print("one screen, standing picture, %s: %d bytes received and %d requests a minute" % (
            ("pushed" if pushed else "looked at",) + screen_bytes(browser, live, pushed)))
    browser.call("Page.navigate", url="about:blank")
    for pushed in (True, False):
        total, ticks = wall(live, pushed)
        print("64 screens, standing picture, %s: %d bytes written and %.2f s of CPU in %d s" % (
            "pushed" if pushed else "looked at", total, ticks / os.sysconf("SC_CLK_TCK"),
            WINDOW))
    live.end()

    capture = os.path.join(work, "incident.pcap")
    subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "..", "tests",
                                                     "incident.py"), "short", capture],
                   check=True)
    frozen = Service("/read=" + capture, "/follow")
    for pushed in (True, False):
        print("one screen, nothing changing, %s: %d bytes received and %d requests a minute" % (
            ("pushed" if pushed else "looked at",) + screen_bytes(browser, frozen, pushed)))
    frozen.end()
finally:
    browser.close()
    shutil.rmtree(work, ignore_errors=True)
