"""Start the fake services from Python tests.

    from fakesvc import FakeServices

    with FakeServices(root, rules=[{"path": "/pkg/a.bin", "nth": 2, "reset_after": 4096}]) as svc:
        url = svc.base + "/pkg/a.bin"        # http://127.0.0.1:PORT/pkg/a.bin
        ...
        svc.set_rules([{"path": "/g/collect", "status": 200}])
        requests = svc.records()              # parsed record lines, control requests left out

The server runs as a subprocess on a free port of 127.0.0.1; its record,
port and rules files live in a temporary folder removed on exit (unless
keep_files=True).  The rules format is described at the top of
fake_services.py.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_services.py")


class FakeServices:
    def __init__(self, root, rules=None, start_timeout=10.0, keep_files=False, verbose=False):
        self.root = os.path.abspath(root)
        self.initial_rules = rules
        self.start_timeout = start_timeout
        self.keep_files = keep_files
        self.verbose = verbose
        self.proc = None
        self.port = None
        self.base = None
        self.workdir = None
        self.returncode = None

    # ---- life cycle ----------------------------------------------------

    def start(self):
        self.workdir = tempfile.mkdtemp(prefix="fakesvc-")
        self.record_path = os.path.join(self.workdir, "record.jsonl")
        self.port_path = os.path.join(self.workdir, "port")
        self.config_path = os.path.join(self.workdir, "rules.json")
        self.stderr_path = os.path.join(self.workdir, "stderr.txt")
        if self.initial_rules is not None:
            self.write_rules_file(self.initial_rules)
        cmd = [sys.executable, SERVER, "--port", "0", "--root", self.root,
               "--record", self.record_path, "--port-file", self.port_path,
               "--config", self.config_path]
        if self.verbose:
            cmd.append("--verbose")
        self._stderr = open(self.stderr_path, "wb")
        self.proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=self._stderr)
        deadline = time.monotonic() + self.start_timeout
        while time.monotonic() < deadline:
            if os.path.exists(self.port_path):
                with open(self.port_path) as f:
                    text = f.read().strip()
                if text:
                    self.port = int(text)
                    self.base = "http://127.0.0.1:%d" % self.port
                    return self
            if self.proc.poll() is not None:
                break
            time.sleep(0.02)
        self.stop()
        raise RuntimeError("fake services did not start: %s" % self.stderr_text())

    def stop(self, timeout=5.0):
        """SIGTERM the server, wait (bounded), kill if it hangs; returns the exit code."""
        if self.proc is not None and self.returncode is None:
            if self.proc.poll() is None:
                self.proc.send_signal(signal.SIGTERM)
                try:
                    self.proc.wait(timeout)
                except subprocess.TimeoutExpired:
                    self.proc.kill()
                    self.proc.wait(timeout)
            self.returncode = self.proc.returncode
            self._stderr.close()
        return self.returncode

    def cleanup(self):
        if self.workdir and not self.keep_files:
            shutil.rmtree(self.workdir, ignore_errors=True)
            self.workdir = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        self.cleanup()
        return False

    # ---- use ---------------------------------------------------------------

    def url(self, path):
        return self.base + path

    def records(self, include_control=False):
        """The record lines received so far, parsed, in order of arrival."""
        out = []
        with open(self.record_path, encoding="utf-8") as f:
            for line in f:
                if not line.endswith("\n"):
                    break                      # a line still being written
                rec = json.loads(line)
                if include_control or rec.get("route") != "control":
                    out.append(rec)
        return out

    def _control(self, path, body):
        req = urllib.request.Request(self.base + path, data=body, method="POST",
                                     headers={"Content-Type": "application/json"})
        with urllib.request.urlopen(req, timeout=5) as resp:
            return json.loads(resp.read().decode("utf-8"))

    def set_rules(self, rules):
        """Replace the rules (a list or {"rules": [...]}) through the control endpoint."""
        return self._control("/__control/rules", json.dumps(rules).encode("utf-8"))

    def reset(self):
        """Clear the rules and their counters."""
        return self._control("/__control/reset", b"")

    def write_rules_file(self, rules):
        """Replace the rules file atomically; the server reloads it at its next request."""
        tmp = self.config_path + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump(rules, f)
        os.replace(tmp, self.config_path)    # new inode: always seen as a change

    def stderr_text(self):
        try:
            with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""
