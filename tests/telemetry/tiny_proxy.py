"""A tiny forwarding HTTP proxy on 127.0.0.1 for the proxy-file test.

Each request with an absolute target ("POST http://host:port/path HTTP/1.1")
is recorded (one JSON line: method and target) and forwarded to its host;
the answer is passed back.  Runs as a thread inside the test process.
"""

import http.client
import http.server
import json
import threading
import urllib.parse


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def _forward(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        self.server.seen.append({"method": self.command, "target": self.path})
        url = urllib.parse.urlsplit(self.path)
        conn = http.client.HTTPConnection(url.hostname, url.port or 80, timeout=10)
        path = url.path + ("?" + url.query if url.query else "")
        headers = {k: v for k, v in self.headers.items() if k.lower() not in ("proxy-connection", "connection")}
        conn.request(self.command, path, body=body, headers=headers)
        resp = conn.getresponse()
        data = resp.read()
        self.send_response(resp.status)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
        conn.close()

    do_POST = _forward
    do_GET = _forward


class TinyProxy:
    def __enter__(self):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        self.server.seen = []
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()
        return False

    @property
    def seen(self):
        return list(self.server.seen)
