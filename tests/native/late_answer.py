#!/usr/bin/env python3
"""Every service of the stub on 127.0.0.1: the privacy question is held and
answered only just after the stub has logged its last shut-down line, so the
side-fetch that asked is still running while the process ends; every other
request gets a 404 at once.
   late_answer.py PORT_FILE LOG_DIR
Writes the port to PORT_FILE, and PORT_FILE.held once the question is held."""
import glob
import http.server
import os
import sys
import time

port_file, log_dir = sys.argv[1:3]


def shut_down_logged():
    for log in glob.glob(os.path.join(log_dir, "**", "*.log"), recursive=True):
        with open(log, "rb") as f:
            if b" Wait exit 3" in f.read():
                return True
    return False


class Handler(http.server.BaseHTTPRequestHandler):
    def answer(self, code, body=b""):
        try:
            self.send_response(code)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the stub is gone, as it should be

    def do_GET(self):
        if "user_privacy_info" not in self.path:
            return self.answer(404)
        open(port_file + ".held", "w").close()
        deadline = time.monotonic() + 30
        while not shut_down_logged() and time.monotonic() < deadline:
            time.sleep(0.005)
        # Inside the process's own end, not before its last line.
        time.sleep(0.03)
        self.answer(200, b"[]")

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length") or 0))
        self.answer(404)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
