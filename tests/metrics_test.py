#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The metrics file as Prometheus reads it: the program in console mode with
/metrics=, fed on 127.0.0.1, the file parsed by Debian's python3-prometheus-client,
then read back through Debian's prometheus-node-exporter on 127.0.0.1; and the
same metrics scraped from the program's own /metrics (/http=127.0.0.1:PORT),
checked by promtool.

usage: metrics_test.py PATH/duzudozuze"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77


def skip(why):
    print("SKIP:", why)
    sys.exit(SKIP)


try:
    from prometheus_client.parser import text_string_to_metric_families
except ImportError:
    skip("needs python3-prometheus-client")

program = sys.argv[1]
failures = []


def check(ok, what):
    print(("PASS: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def wait_for(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return False


def free_port(kind=socket.SOCK_DGRAM):
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def samples(text):
    return {(s.name, tuple(sorted(s.labels.items()))): s.value
            for family in text_string_to_metric_families(text) for s in family.samples}


work = tempfile.mkdtemp()
try:
    folder = os.path.join(work, "textfile")
    os.mkdir(folder)
    path = os.path.join(folder, "duzudozuze.prom")
    port = free_port()
    web_port = free_port(socket.SOCK_STREAM)
    output = open(os.path.join(work, "out"), "wb")
    # A name Latin-1 cannot carry, so it goes on the wire as UTF-8.
    north = "north-\u0421\u0435\u0432\u0435\u0440"
    env = dict(os.environ, HX_ROOT=work, HX_SYSTEM=north, HX_WORKSTATION="7")
    duzu = subprocess.Popen([program, "/console", "/host=127.0.0.1", "/port=%d" % port,
                             "/metrics=" + path, "/http=127.0.0.1:%d" % web_port],
                            stdout=output, stderr=subprocess.PIPE, env=env)
    check(wait_for(lambda: os.path.exists(path)), "the file is written at the start")
    # Held open, the first file keeps its inode: a file made later cannot
    # have its number.
    first = open(path, "rb")

    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        def send(text):
            sender.sendto(text, ("127.0.0.1", port))
        # Label values from the network: quote, backslash, line break, Latin-1.
        send(b'NA:a"b\\c\nd:Caf\xe9:9:1:OK')
        # A terminal's escape sequence, written as the log writes it.
        send(b"NA:e\x1b[31m:Fire:9:1:OK")

    scraped_text = ""

    def heard_all():
        global scraped_text
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/metrics" % web_port,
                                        timeout=5) as reply:
                scraped_text = reply.read().decode("utf-8")
        except OSError:
            return False
        got = samples(scraped_text)
        return got.get(("duzudozuze_datagrams_total", (("result", "shown"),))) == 2
    check(wait_for(heard_all), "/metrics follows the datagrams")
    duzu.send_signal(signal.SIGTERM)
    duzu.wait(10)
    check(duzu.returncode == 0, "the program ends with 0")

    text = open(path, encoding="utf-8").read()
    got = samples(text)
    check(os.stat(path).st_ino != os.fstat(first.fileno()).st_ino,
          "each write replaces the file by a rename")
    first.close()
    check(os.listdir(folder) == ["duzudozuze.prom"], "no temporary file is left behind")
    # What the exposition holds is tst_metrics'; here, that Prometheus' own
    # parser reads the escaped label values back as they came.
    claimers = {labels: value for (name, labels), value in got.items()
                if name == "duzudozuze_master_claimers"}
    hostile = (("alarm_system", "Caf\u00e9"), ("channel", "1"), ("system", 'a"b\\c\nd'))
    check(claimers.get(hostile) == 1, "a hostile label value reads back as it came")
    check(claimers.get((("alarm_system", "Fire"), ("channel", "1"), ("system", "e\\x1B[31m")))
          == 1 and b"\x1b" not in open(path, "rb").read(), "control characters escaped")

    scraped = samples(scraped_text)
    check(scraped.get(("duzudozuze_datagrams_total", (("result", "shown"),))) == 2
          and scraped.keys() == got.keys(), "/metrics has what the file has")
    promtool = shutil.which("promtool")
    if not promtool:
        print("SKIP: needs promtool (package prometheus) to check /metrics")
    else:
        lint = subprocess.run([promtool, "check", "metrics"], input=scraped_text.encode(),
                              capture_output=True)
        check(lint.returncode == 0, "promtool check metrics accepts /metrics: "
              + (lint.stdout + lint.stderr).decode(errors="replace").strip())

    # Only nothing, or a regular file of its own, is replaced: never what a
    # link points to, a FIFO or a device.
    secret = os.path.join(work, "secret")
    with open(secret, "w") as f:
        f.write("keep")
    os.chmod(secret, 0o600)
    cases = {"symlink": lambda p: os.symlink(secret, p),
             "dangling symlink": lambda p: os.symlink(os.path.join(work, "nowhere"), p),
             "FIFO": os.mkfifo}
    for kind, make in cases.items():
        target = os.path.join(work, kind.replace(" ", "-"))
        make(target)
        before = os.lstat(target)
        log = os.path.join(work, "log")
        refused = subprocess.Popen([program, "/console", "/host=127.0.0.1",
                                    "/port=%d" % free_port(), "/metrics=" + target],
                                   stdout=open(log, "wb"), stderr=subprocess.PIPE, env=env)
        # Set up, so the metrics file has been tried.
        wait_for(lambda: b"List of addresses" in open(log, "rb").read())
        refused.send_signal(signal.SIGTERM)
        _, errors = refused.communicate(timeout=10)
        after = os.lstat(target)
        check(refused.returncode == 0
              and (before.st_ino, before.st_mode) == (after.st_ino, after.st_mode)
              and b"no metrics written to " + target.encode() in errors
              and open(secret).read() == "keep" and os.stat(secret).st_mode & 0o777 == 0o600
              and not os.path.exists(os.path.join(work, "nowhere")),
              "no metrics over a " + kind)

    exporter = shutil.which("prometheus-node-exporter")
    if not exporter:
        print("SKIP: needs prometheus-node-exporter for the end-to-end check")
    else:
        web = free_port(socket.SOCK_STREAM)
        node = subprocess.Popen([exporter, "--web.listen-address=127.0.0.1:%d" % web,
                                 "--collector.disable-defaults", "--collector.textfile",
                                 "--collector.textfile.directory=" + folder],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            page = ""

            def scraped():
                global page
                try:
                    with urllib.request.urlopen("http://127.0.0.1:%d/metrics" % web,
                                                timeout=2) as reply:
                        page = reply.read().decode("utf-8")
                    return True
                except OSError:
                    return False
            check(wait_for(scraped), "node_exporter answers on 127.0.0.1")
            check('duzudozuze_build_info{version="1.0.0"} 1' in page,
                  "node_exporter serves the program's metrics")
            check("node_textfile_scrape_error 0" in page, "node_exporter read the file cleanly")
        finally:
            node.terminate()
            node.wait(10)
finally:
    shutil.rmtree(work)

print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
sys.exit(1 if failures else 0)
