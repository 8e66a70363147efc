"""A tiny forwarding HTTP proxy on 127.0.0.1 for the proxy tests.

Each request with an absolute target ("POST http://host:port/path HTTP/1.1")
is recorded (method and target) and forwarded to its host; the answer,
status and header fields (Content-Range for slices) included, is passed
back.  GET, HEAD and POST.  Runs as a thread inside the test process.
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
        for name, value in resp.getheaders():
            if name.lower() not in _HOP_FIELDS:
                self.send_header(name, value)
        # A HEAD answer names the length of the body it leaves out.
        length = resp.getheader("Content-Length") if self.command == "HEAD" else None
        self.send_header("Content-Length", length or str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)
        conn.close()

    do_POST = _forward
    do_GET = _forward
    do_HEAD = _forward


# Fields of one hop, not passed on (the length is set anew).
_HOP_FIELDS = ("connection", "keep-alive", "transfer-encoding", "content-length", "proxy-connection",
               "server", "date")


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
