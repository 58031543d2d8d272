#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The live page in a real browser, headless Chromium driven over its DevTools
pipe: the program in console mode with /http=127.0.0.1:PORT, workstations sent
to it on 127.0.0.1, one of them of a hostile name and one of a long one. The
page shows the MASTER rows, the warning and the hostile name as text; its
title and icon follow the state, and a change comes pushed on the event
stream; the long name is cut in its cell, whole in its title; at 400 px the
tables keep who, role and last seen; the timeline shows a lane each as inline
SVG; a stopped program (SIGSTOP) greys the
page, which says NO DATA until it goes on; a capture read says CAPTURE across
the top.

usage: browser_test.py PATH/duzudozuze [--screenshot=PNG [--dark]]
With --screenshot, the page is also saved as a picture (for the README)."""
import base64
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser  # noqa: E402

SKIP = 77
HOSTILE = "<script>alert(1)</script>"
LONG = "Northern-district-fire-and-rescue-coordination-centre-building-7"

program = sys.argv[1]
screenshot = next((a.split("=", 1)[1] for a in sys.argv[2:] if a.startswith("--screenshot=")),
                  None)
binary = shutil.which("chromium") or shutil.which("chromium-browser")
if not binary:
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


def start(*args):
    """The program in console mode with the HTTP view, once it serves."""
    web = free_port(socket.SOCK_STREAM)
    log = os.path.join(work, "out")
    duzu = subprocess.Popen([program, "/console", "/host=127.0.0.1", "/port=%d" % port,
                             "/http=127.0.0.1:%d" % web] + list(args), stdout=open(log, "wb"),
                            stderr=subprocess.DEVNULL, env=env)
    deadline = time.monotonic() + 10
    while b"HTTP view on" not in open(log, "rb").read() and time.monotonic() < deadline:
        time.sleep(0.05)
    return duzu, "http://127.0.0.1:%d/" % web


def sender():
    """Every datagram of sending from its address, every second and at once
    when told, so that the claims stand however long the browser takes."""
    sockets = {}
    while not stop.is_set():
        for address, datagram in list(sending):
            if address not in sockets:
                sockets[address] = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                sockets[address].bind((address, 0))
            sockets[address].sendto(datagram, ("127.0.0.1", port))
        wake.wait(1)
        wake.clear()


# Texts of the page as JavaScript.
TITLE = "document.title"
ICON = "document.querySelector('link[rel=icon]').href"
ROWS = ("[...document.querySelectorAll('#%s tbody tr')]"
        ".map((row) => [...row.cells].map((cell) => cell.textContent))")
VISIBLE = ("[...document.querySelectorAll('#workstations thead th')]"
           ".filter((cell) => cell.offsetWidth > 0).map((cell) => cell.textContent)")
FITS = ("[...document.querySelectorAll('table')]"
        ".every((table) => table.getBoundingClientRect().right <= innerWidth)")
LARGEST = ("[...document.querySelectorAll('body *')].every((other) => other.id === 'headline'"
           " || parseFloat(getComputedStyle(other).fontSize)"
           " < parseFloat(getComputedStyle(headline).fontSize))")
BAND = "getComputedStyle(document.querySelector('header')).backgroundColor"


def rgb(colour):
    return tuple(int(part) for part in colour[colour.index("(") + 1:-1].split(","))


def cell(workstation, column):
    return ("[...document.querySelectorAll('#workstations tbody tr')]"
            ".find((row) => row.cells[0].textContent === '%s').cells[%d]" % (workstation, column))


def width(browser, pixels):
    browser.call("Emulation.setDeviceMetricsOverride", width=pixels, height=800,
                 deviceScaleFactor=1, mobile=False)
    browser.evaluate("new Promise((laid) => requestAnimationFrame(() => laid(0)))")


def visit(browser, url):
    # Any breach of the page's content security policy is noted.
    browser.call("Page.addScriptToEvaluateOnNewDocument", source=(
        "window.refused = []; document.addEventListener('securitypolicyviolation',"
        " (event) => refused.push(event.violatedDirective));"))
    browser.call("Page.navigate", url=url)


def looks(browser):
    return [params["request"]["url"].split("/", 3)[3] for method, params in browser.events
            if method == "Network.requestWillBeSent"]


work = tempfile.mkdtemp()
duzu = browser = None
stop, wake = threading.Event(), threading.Event()
sending = [("127.0.0.2", b"NA:north:Fire:2:3:OK")]
try:
    folder = os.path.join(work, "north", "config", "system")
    os.makedirs(folder)
    with open(os.path.join(folder, "velk_system.ini"), "w") as ini:
        ini.write("[Network]\nAlarmSystem=Fire\nChannel=3\n")
    port = free_port(socket.SOCK_DGRAM)
    env = dict(os.environ, HX_ROOT=work, HX_SYSTEM="north", HX_WORKSTATION="7")
    duzu, url = start()
    threading.Thread(target=sender, daemon=True).start()
    browser = Browser(binary, os.path.join(work, "profile"))
    browser.call("Network.enable")
    browser.call("Page.enable")
    width(browser, 1300)
    visit(browser, url)

    calm = browser.wait("%s.startsWith('Master: workstation 2') && %s" % (TITLE, TITLE))
    check(calm == "Master: workstation 2 \u2014 north/Fire channel 3",
          "the title is the headline, then the group: %r" % calm)
    icons, bands = {"calm": browser.evaluate(ICON)}, [browser.evaluate(BAND)]

    # A second master: pushed, the page never looks at the state.
    sending += [("127.0.0.3", b"NA:north:Fire:5:3:OK"),
                ("127.0.0.4", b"NA:" + HOSTILE.encode() + b":Fire:9:1:OK"),
                ("127.0.0.5", b"NC:" + LONG.encode() + b":Fire:11:1:OK")]
    wake.set()
    alarm = browser.wait("%s.startsWith('TWO MASTERS') && %s" % (TITLE, TITLE))
    check(alarm == "TWO MASTERS: 2 and 5 \u2014 north/Fire channel 3",
          "the title follows the state: %r" % alarm)
    check("api/v1/state" not in looks(browser) and "api/v1/events" in looks(browser),
          "the change came on the event stream: %s" % looks(browser))
    icons["alarm"] = browser.evaluate(ICON)
    bands.append(browser.evaluate(BAND))

    check(browser.wait("document.querySelectorAll('#workstations tbody tr').length === 5"),
          "every workstation has its row")
    rows = browser.evaluate(ROWS % "workstations")
    masters = sorted(row[0] for row in rows if row[1] == "MASTER")
    check(masters == ["2", "5", "9"], "the MASTER rows, 2 and 5 of this group: %s" % masters)
    warnings = browser.evaluate("[...document.querySelectorAll('#warnings li')]"
                                ".map((item) => item.textContent)")
    check(any(w.startswith("Two masters in north/Fire channel 3: workstation 2 (127.0.0.2) and "
                           "workstation 5 (127.0.0.3)") for w in warnings),
          "the two-master warning is shown: %s" % warnings)
    check(any(row[2] == HOSTILE for row in rows), "a hostile system name is text in its cell")
    # The timeline: the service's SVG inline, a lane each workstation sending.
    LANES = ("[...document.querySelectorAll('#timeline svg g.lane')]"
             ".map((lane) => lane.dataset.workstation).sort().join(' ')")
    lanes = browser.wait("%s === '11 2 5 7 9' && %s" % (LANES, LANES))
    check(lanes == "11 2 5 7 9", "the timeline has a lane each: %r" % browser.evaluate(LANES))
    check(browser.evaluate("document.querySelectorAll('#timeline rect.master').length") >= 3,
          "and the masters' spans")
    check(browser.evaluate("document.querySelector('#timeline svg').getBoundingClientRect()"
                           ".right <= innerWidth"), "the timeline fits 1300 px")
    check(browser.evaluate("document.scripts.length") == 1, "no script but the page's own")
    check(len(browser.evaluate(ROWS % "history")) > 0, "the Mastership history is shown")

    # The long name is cut at the cell's bound, whole in its title; every
    # other cell shows all its text, and the tables fit.
    check(browser.evaluate("%s.title" % cell(11, 2)) == LONG,
          "a long name is whole in its cell's title")
    check(browser.evaluate("%s.getBoundingClientRect().width" % cell(11, 2)) < 300,
          "a long name's cell is bounded")
    cut = browser.evaluate("[...document.querySelectorAll('td, th')]"
                           ".filter((c) => c.scrollWidth > c.clientWidth).length")
    check(cut == 1, "no other cell is cut: %d cut" % cut)
    check(browser.evaluate(FITS), "the tables fit 1300 px")
    check(browser.evaluate(LARGEST), "the headline is the largest text")
    wide = browser.evaluate("getComputedStyle(headline).fontSize")

    width(browser, 400)
    visible = browser.evaluate(VISIBLE)
    check(visible[0] == "Workstation" and "Role" in visible and "Last seen" in visible,
          "at 400 px, who, role and last seen: %s" % visible)
    check(browser.evaluate(FITS), "the tables fit 400 px")
    narrow = browser.evaluate("getComputedStyle(headline).fontSize")
    check(float(narrow[:-2]) < float(wide[:-2]), "the headline grows with the window: %s at 400 px,"
          " %s at 1300 px" % (narrow, wide))
    check(browser.evaluate(LARGEST), "the headline is the largest text at 400 px")
    width(browser, 1300)

    light = browser.evaluate("getComputedStyle(document.body).backgroundColor")
    browser.call("Emulation.setEmulatedMedia",
                 features=[{"name": "prefers-color-scheme", "value": "dark"}])
    dark = browser.evaluate("getComputedStyle(document.body).backgroundColor")
    check(sum(rgb(dark)) < 150 < sum(rgb(light)),
          "dark as the browser prefers: %s, light %s" % (dark, light))
    if screenshot:
        if "--dark" not in sys.argv:
            browser.call("Emulation.setEmulatedMedia", features=[])
        with open(screenshot, "wb") as picture:
            picture.write(base64.b64decode(browser.call("Page.captureScreenshot")["data"]))
    browser.call("Emulation.setEmulatedMedia", features=[])

    # The program stopped: its connections stay open, and nothing comes.
    duzu.send_signal(signal.SIGSTOP)
    gone = browser.wait("%s.startsWith('NO DATA') && %s" % (TITLE, TITLE), 10)
    said = "NO DATA from the service for \\d+ s \u2014 north/Fire channel 3"
    check(bool(gone) and re.fullmatch(said, gone) is not None,
          "a stopped service: NO DATA in the title: %r" % gone)
    check(browser.evaluate("headline.textContent").startswith("NO DATA from the service for "),
          "and in the headline")
    bands.append(browser.evaluate(BAND))
    check(len(set(rgb(bands[-1]))) == 1, "the page greys: %s" % bands[-1])
    icons["nodata"] = browser.evaluate(ICON)
    duzu.send_signal(signal.SIGCONT)
    back = browser.wait("%s.startsWith('TWO MASTERS') && %s" % (TITLE, TITLE))
    check(bool(back), "the state again once the service goes on: %r" % back)

    check(len(set(icons.values())) == 3 and all(icon.startswith("data:image/svg+xml,")
                                                for icon in icons.values()),
          "an icon for each state: %s" % list(icons))
    drawn = browser.evaluate("Promise.all(%r.map((source) => { const image = new Image();"
                             " image.src = source; return image.decode()"
                             ".then(() => image.naturalWidth, () => 0); }))"
                             % list(icons.values()))
    check(all(drawn), "each icon is drawn: %s" % drawn)
    check(browser.evaluate("refused") == [], "nothing is refused by the page's policy")

    # A capture read: said across the top, in a colour of its own.
    duzu.kill()
    duzu.wait()
    capture = os.path.join(work, "incident.pcap")
    subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "incident.py"),
                    "short", capture], check=True)
    duzu, url = start("/read=" + capture, "/follow")
    visit(browser, url)
    past = browser.wait("!document.getElementById('capture').hidden && headline.textContent")
    check(bool(past) and past.startswith("At the end: "), "a capture's headline: %r" % past)
    banner = browser.evaluate("[capture.textContent, getComputedStyle(capture).backgroundColor,"
                              " capture.getBoundingClientRect().top]")
    check(banner[0].startswith("CAPTURE") and banner[2] == 0,
          "CAPTURE across the top: %r" % banner[0])
    check(banner[1] not in bands + [browser.evaluate(BAND)],
          "in a colour no state has: %s, the states' %s" % (banner[1], bands))
finally:
    stop.set()
    if browser:
        browser.close()
    if duzu:
        duzu.send_signal(signal.SIGCONT)
        duzu.send_signal(signal.SIGTERM)
        duzu.wait(10)
    shutil.rmtree(work, ignore_errors=True)

print("%d checks failed" % len(failures) if failures else "all checks passed")
sys.exit(1 if failures else 0)
