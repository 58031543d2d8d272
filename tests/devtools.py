# SPDX-License-Identifier: MIT
"""Headless Chromium driven over its DevTools pipe (--remote-debugging-pipe):
commands go as JSON on the browser's descriptor 3, answers and events come on
its descriptor 4, each message ended by a NUL. The standard library alone."""
import json
import os
import subprocess


class Browser:
    def __init__(self, binary, profile):
        commands, self.commands = os.pipe()
        self.answers, answers = os.pipe()

        def descriptors():
            os.dup2(commands, 3)
            os.dup2(answers, 4)
        self.process = subprocess.Popen(
            [binary, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
             "--no-first-run", "--remote-debugging-pipe", "--user-data-dir=" + profile,
             "about:blank"], pass_fds=(3, 4), preexec_fn=descriptors,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(commands)
        os.close(answers)
        self.pending, self.last, self.session = b"", 0, None
        self.events = []  # (method, params) as they came, for whoever asks
        page = next(target for target in self.call("Target.getTargets")["targetInfos"]
                    if target["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]

    def call(self, method, **params):
        self.last += 1
        message = {"id": self.last, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.pending:
                read = os.read(self.answers, 1 << 16)
                if not read:
                    raise RuntimeError("the browser went away")
                self.pending += read
            text, self.pending = self.pending.split(b"\0", 1)
            answer = json.loads(text)
            if answer.get("id") == self.last:
                if "error" in answer:
                    raise RuntimeError("%s: %s" % (method, answer["error"]))
                return answer["result"]
            if "method" in answer:
                self.events.append((answer["method"], answer.get("params", {})))

    def evaluate(self, expression):
        """The value of a JavaScript expression in the page, a promise's once it settles."""
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait(self, expression, seconds=10):
        """The expression's value once it is true, looked at every 20 ms in the
        page itself; false at the deadline."""
        return self.evaluate(
            "new Promise((resolve) => { const end = performance.now() + %d;"
            " const look = () => { let value = false; try { value = (%s); } catch (e) {}"
            " if (value || performance.now() > end) resolve(value); else setTimeout(look, 20); };"
            " look(); })" % (seconds * 1000, expression))

    def close(self):
        try:
            self.call("Browser.close")
        except (OSError, RuntimeError):
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.commands)
        os.close(self.answers)
