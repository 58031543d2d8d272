#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The live page in a real browser: the program in console mode with
/http=127.0.0.1:PORT, two masters of its group and a workstation of a hostile
name sent on 127.0.0.1, and the page loaded in headless Chromium. The page as
rendered shows both MASTER rows and the two-master warning, and the hostile
name as text.

usage: browser_test.py PATH/duzudozuze [--screenshot=PNG [--dark]]
With --screenshot, the page is also saved as a picture (for the README)."""
import html.parser
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
HOSTILE = "<script>alert(1)</script>"

program = sys.argv[1]
screenshot = next((a.split("=", 1)[1] for a in sys.argv[2:] if a.startswith("--screenshot=")),
                  None)
browser = shutil.which("chromium") or shutil.which("chromium-browser")
if not browser:
    print("SKIP: needs Debian's chromium package for the page in a browser")
    sys.exit(SKIP)
failures = []


def check(ok, what):
    print(("PASS: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def free_port(kind):
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Page(html.parser.HTMLParser):
    """The texts of the page's tables, row by row, and of its warnings."""

    def __init__(self):
        super().__init__()
        self.tables, self.warnings, self.scripts = {}, [], 0
        self.table = self.row = self.text = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "script":
            self.scripts += 1
        elif tag == "table":
            self.table = self.tables.setdefault(attrs.get("id"), [])
        elif tag == "tr" and self.table is not None:
            self.row = []
        elif tag in ("td", "th", "li"):
            self.text = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.row is not None:
            self.row.append(self.text)
        elif tag == "li":
            self.warnings.append(self.text)
        elif tag == "tr" and self.table is not None:
            self.table.append(self.row)
            self.row = None
        elif tag == "table":
            self.table = None
        if tag in ("td", "th", "li"):
            self.text = None

    def handle_data(self, data):
        if self.text is not None:
            self.text += data


work = tempfile.mkdtemp()
duzu = None
stop = threading.Event()
try:
    folder = os.path.join(work, "north", "config", "system")
    os.makedirs(folder)
    with open(os.path.join(folder, "velk_system.ini"), "w") as ini:
        ini.write("[Network]\nAlarmSystem=Fire\nChannel=3\n")
    port, web = free_port(socket.SOCK_DGRAM), free_port(socket.SOCK_STREAM)
    log = os.path.join(work, "out")
    env = dict(os.environ, HX_ROOT=work, HX_SYSTEM="north", HX_WORKSTATION="7")
    duzu = subprocess.Popen([program, "/console", "/host=127.0.0.1", "/port=%d" % port,
                             "/http=127.0.0.1:%d" % web], stdout=open(log, "wb"),
                            stderr=subprocess.DEVNULL, env=env)
    deadline = time.monotonic() + 10
    while b"HTTP view on" not in open(log, "rb").read() and time.monotonic() < deadline:
        time.sleep(0.05)

    def send():
        # Every second, so that the claims stand however long the browser takes.
        senders = []
        for address in ("127.0.0.2", "127.0.0.3", "127.0.0.4"):
            sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            sender.bind((address, 0))
            senders.append(sender)
        datagrams = [b"NA:north:Fire:2:3:OK", b"NA:north:Fire:5:3:OK",
                     b"NA:" + HOSTILE.encode() + b":Fire:9:1:OK"]
        while not stop.is_set():
            for sender, datagram in zip(senders, datagrams):
                sender.sendto(datagram, ("127.0.0.1", port))
            stop.wait(1)
    threading.Thread(target=send, daemon=True).start()

    common = [browser, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
              "--user-data-dir=" + os.path.join(work, "profile"),
              "--virtual-time-budget=5000"]
    url = "http://127.0.0.1:%d/" % web
    dump = subprocess.run(common + ["--dump-dom", url], capture_output=True, timeout=120)
    page = Page()
    page.feed(dump.stdout.decode("utf-8", errors="replace"))
    rows = page.tables.get("workstations", [])
    masters = sorted(row[0] for row in rows[1:] if len(row) > 1 and row[1] == "MASTER")
    check(masters == ["2", "5", "9"], "the MASTER rows, 2 and 5 of this group: %s" % masters)
    check(any(w.startswith("Two masters in north/Fire channel 3: workstation 2 (127.0.0.2) and "
                           "workstation 5 (127.0.0.3)") for w in page.warnings),
          "the two-master warning is shown: %s" % page.warnings)
    check(any(len(row) > 2 and row[2] == HOSTILE for row in rows),
          "a hostile system name is text in its cell")
    check(page.scripts == 1, "no script but the page's own: %d" % page.scripts)
    check(len(page.tables.get("history", [])) > 1, "the Mastership history is shown")
    if screenshot:
        shot = subprocess.run(common + ["--window-size=1300,640", "--screenshot=" + screenshot]
                              + (["--force-dark-mode"] if "--dark" in sys.argv else []) + [url],
                              capture_output=True, timeout=120)
        check(os.path.exists(screenshot), "screenshot in " + screenshot)
finally:
    stop.set()
    if duzu:
        duzu.send_signal(signal.SIGTERM)
        duzu.wait(10)
    shutil.rmtree(work, ignore_errors=True)

print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
sys.exit(1 if failures else 0)
