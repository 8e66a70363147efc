#!/usr/bin/env python3
"""Local fake of the maker's web services for the installer's tests.

One threaded HTTP/1.1 server on 127.0.0.1 that plays every remote party the
installer talks to:

  package host         GET/HEAD /pkg/<name>  -> file <root>/<name>, with byte ranges
  file fallback        GET/HEAD /<any path>  -> file <root>/<any path> when it exists
  download information GET /queryDownloaderV2 -> <root>/downloader.xml (404 when absent)
  GA4 sink             POST /g/collect       -> 204, empty body (204 is GA4 success)
  analytics collector  POST /collect         -> 200 {"code": 200, "msg": "success"}
  test collector       POST /collector       -> 200 {"code": 200, "msg": "success"}
  exception collector  POST /api/exception/send -> 200 {"code": 200, "msg": "success"}
  privacy links        GET /api/v1/user_privacy_info -> <root>/responses/user_privacy_info.json
  banners              GET /api/v1/banners   -> <root>/responses/banners.json
  kit downloads        GET /kitDownloads     -> <root>/responses/kitDownloads.json
  IP country           GET /json (alias /ipcountry) -> <root>/responses/ipcountry.json
  anything else        404 (recorded like every other request)

The four data services answer a built-in JSON document when their file is
missing (see DEFAULT_JSON below).  In those response files, and in every text
given by a rule, "{base}" is replaced by "http://127.0.0.1:PORT" and "{port}"
by the port.  Banner pictures named by the default banner list
("{base}/banners/1.png") are served from <root>/banners/ when present, else
as a built-in 1x1 PNG, through the same ranged file logic as packages.

Internal routes (never subject to rules):
  GET  /__hop?left=K&to=<url-encoded URL>   redirect hop of a chain
  GET  /__hop?left=K&back_url=<URL>          redirect hop carrying "back_url="
  GET  /__loop?n=K                           endless redirect loop
  POST /__control/rules   JSON body (same format as the rules file) replaces the rules
  POST /__control/reset   clears the rules and their counters
  GET  /__control/rules   current rules and counters as JSON

Command line:
  fake_services.py --port 0 --root DIR --record FILE --port-file FILE
                   [--config FILE] [--verbose]

The real port is written to --port-file (atomically, "PORT\\n") once the
socket listens.  Each received request is appended to --record as one JSON
line, flushed at once, in order of arrival, with the members
  seq, time, conn (connection number, 1-based), peer_port, method, target
  (raw request target), path, query (raw), version, headers (list of
  [name, value] pairs as received), body_b64, body_text (null unless UTF-8),
  body_len, route, rules (names of the rules applied), status (planned),
  range ([first, last] bytes served, or null), total (real size of the file,
  or null), length (body bytes planned, 0 for HEAD), faults (list of
  fault names, e.g. "redirect", "total_changed", "drop_rst").
The line is written when the answer has been decided, before any delay or
byte of the answer is sent.  SIGTERM or SIGINT stops the server (exit 0).

Rules
-----
The rules file (--config) is JSON: either a list of rules or an object
{"rules": [...]}.  It is re-read whenever its mtime, size or inode changes
(checked at every request); a file that does not parse keeps the previous
rules and is retried at the next request.  POST /__control/rules replaces the
rules the same way; whichever came last wins.  Every (re)load resets the
counters.  Unknown members are errors (a bad document is refused whole).

A rule has a selector and actions.  Selector members (all optional):
  "name":   label written to the record (default "#<index>")
  "path":   exact path, or fnmatch glob ("/pkg/*.bin"), of the raw path
            without query; default "*" (every path)
  "method": "GET" or ["GET", "HEAD"]
  "query":  fnmatch glob of the raw query text ("*SoftWareID=5*")
  "nth":    N or [N, M]: apply only to the Nth..Mth request (1-based,
            inclusive, M null = no end) that matched this rule's selector;
            each rule counts the requests its selector matches
Every rule whose selector matches counts the request; all rules whose
window holds are applied, merged in file order: later members override
earlier ones, "headers" accumulate.

Action members:
  "headers": {"Name": "value"} or [["Name", "value"], ...]; added to the answer.
             "{n}" in a value is replaced by the rule's counter, "{conn}" by
             the connection number.
  "header_case": "lower" or "upper": every header name of the answer (the
             server's own, Location, Content-Range ... and the rule's) sent
             in that case, as some servers and proxies do.
  "delay": seconds to wait before the status line.
  "drop": true (or "fin") closes the connection without any answer (FIN);
          "rst" resets it (RST).
  "status": answer status (200..999).  With a body member, that body is
            sent.  Without one, a status outside 2xx sends a short text body;
            a 2xx status keeps a service route's own body (none for 204) and
            is ignored by the package and fallback routes (200/206 there).
  "body": text | "body_json": any JSON value | "body_b64": base64 bytes |
  "body_file": file under root, sent whole: a fixed answer (status default 200).
  "content_type": Content-Type of the answer.
  "file": file under root served instead of the route's own file (package
          and fallback routes: with ranges; download information: whole).
  "redirect": Location, sent as given: absolute "{base}/pkg/b.bin",
          scheme-relative "//127.0.0.1:{port}/pkg/b.bin", absolute path
          "/pkg/b.bin" or relative to the address asked, "b.bin" or
          "../files/b.bin" (the client resolves it).
  "redirect_hops": N (default 1): number of redirect answers before the
          target; hops 2..N go through /__hop with absolute addresses.
  "redirect_status": 301, 302 (default), 303, 307 or 308 (every hop).
  "back_url": true: the first Location is "{base}/__hop?left=K&back_url=T",
          T the target made absolute; that hop redirects to T.  Needs at least
          2 hops (raised to 2 when smaller).
  "back_url_encode": true (default) writes T percent-encoded, false verbatim
          (a client that takes the text after "back_url=" as its new address
          without decoding it needs false).
  "redirect_loop": true: 302 to {base}/__loop?n=1, which redirects to n=2, ...
          forever ("too many redirects" for the client).
  "rate": bytes per second per connection (number, or "8MiB", "512KiB",
          "1MB", "100k"): token-bucket pacing of every answer body sent on
          the connection while the rule applies (each connection has its
          own bucket; every body starts with an empty bucket).
  "reset_after": K: send K body bytes then reset the connection (SO_LINGER 0
          and close: RST).  No effect when the body is not longer than K.
  "close_after": K: send K body bytes then close normally (FIN): short body.
  "stall_after": K, "stall_seconds": S: after K body bytes send nothing for
          S seconds, then go on; without "stall_seconds" (or null) until the
          client hangs up or the server stops.
  "ignore_range": true: answer 200 with the whole file even to a Range.
  "total_delta": X: Content-Range totals say real size + X (also the
          Content-Length of a HEAD answered without range, which has no body).
  "total": N: the same with an absolute total.
  "package": name: download information only: the answer is made from the
          package file <root>/<name>: its MD5, size and address
          "{base}/pkg/<name>", Downloader_id and Site_id echoed from the
          query, wrapped in other text, with "\r\n" ending Process_name.
  "package_md5": hex: with "package", this Md5 instead of the file's.
  "error_page": true: download information only: an HTML error page (200)
          without any Downloader element.
  "comment": ignored.

Range handling (package and fallback routes): "bytes=a-b" (b clamped to the
last byte), "bytes=a-", "bytes=-n" give 206 and "Content-Range: bytes
a-b/total"; a first byte at or past the end, "bytes=-0", or any range of an
empty file give 416 with "Content-Range: bytes */total"; a malformed Range or
one with several ranges is ignored (200, whole file).

Examples:
  [{"path": "/pkg/*", "headers": {"CF-RAY": "8c1f2a3b4c5d6e7f-SJC",
                                  "CF-Cache-Status": "HIT"}},
   {"path": "/pkg/big.bin", "nth": [3, 4], "reset_after": 65536},
   {"path": "/pkg/big.bin", "nth": 6, "total_delta": 1},
   {"path": "/pkg/slow.bin", "rate": "8MiB"},
   {"path": "/pkg/alias.bin", "redirect": "/pkg/big.bin", "redirect_hops": 3},
   {"path": "/pkg/cdn.bin", "redirect": "/pkg/big.bin", "back_url": true},
   {"path": "/pkg/loop.bin", "redirect_loop": true},
   {"path": "/pkg/stuck.bin", "stall_after": 1048576},
   {"path": "/g/collect", "status": 200},
   {"path": "/collect", "nth": [1, 2], "drop": true},
   {"path": "/queryDownloaderV2", "query": "*SoftWareID=7*", "file": "other.xml"},
   {"path": "/json", "body_json": {"countryCode": "CN"}}]
"""

import argparse
import base64
import fnmatch
import hashlib
import hashlib
import json
import os
import re
import select
import signal
import socket
import struct
import sys
import threading
import time
import zlib
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import quote, unquote, urlsplit

CHUNK = 64 * 1024
MAX_REQUEST_BODY = 256 * 1024 * 1024
IDLE_TIMEOUT = 120.0          # seconds an idle keep-alive connection is kept
STOP = threading.Event()      # set when the server shuts down

OCTET = "application/octet-stream"
JSON_TYPE = "application/json; charset=utf-8"
XML_TYPE = "text/xml; charset=utf-8"
TEXT_TYPE = "text/plain; charset=utf-8"


def _png_1x1():
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    ihdr = struct.pack(">IIBBBBB", 1, 1, 8, 6, 0, 0, 0)
    idat = zlib.compress(b"\x00\x20\x60\xc0\xff")
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", idat)
            + chunk(b"IEND", b""))


BUILTIN_PNG = _png_1x1()

# Service routes: path -> (route name, content type, default answer).
DEFAULT_JSON = {
    "user_privacy_info": [
        {"lang_code": "en", "urls": [
            {"field": "p", "url": "{base}/privacy/en.html"},
            {"field": "tc", "url": "{base}/terms/en.html"}]}],
    "banners": [
        {"banner_url": "{base}/banners/1.png", "jump_url": "{base}/jump/1",
         "prompt": "Banner 1", "sort": 1}],
    "kitDownloads": {"status": 0, "msg": "success", "data": []},
    "ipcountry": {"status": "success", "countryCode": "US",
                  "country": "United States"},
}

SERVICE_ROUTES = {
    "/queryDownloaderV2": "downloadinfo",
    "/g/collect": "ga4",
    "/collect": "collector",
    "/collector": "collector_test",
    "/api/exception/send": "exception",
    "/api/v1/user_privacy_info": "user_privacy_info",
    "/api/v1/banners": "banners",
    "/kitDownloads": "kitDownloads",
    "/json": "ipcountry",
    "/ipcountry": "ipcountry",
}

# The privacy and banner services accept only a signed, fresh query: the MD5
# of everything before "&verify=" followed by the shared salt, and a
# "timestamp" at most five minutes from now. Otherwise {"code":403}.
DATA_SALT = "Vb93kPqT5mZx0Lc7"
SIGNED_ROUTES = ("user_privacy_info", "banners")
SIGNATURE_WINDOW = 300


def signature_ok(query, now=None):
    pos = query.find("&verify=")
    if pos < 0:
        return False
    signing, verify = query[:pos], query[pos + len("&verify="):]
    if hashlib.md5((signing + DATA_SALT).encode("utf-8")).hexdigest() != verify:
        return False
    m = re.search(r"(?:^|&)timestamp=(-?\d+)(?:&|$)", signing)
    now = time.time() if now is None else now
    return bool(m) and abs(int(m.group(1)) - now) <= SIGNATURE_WINDOW


SELECTOR_KEYS = {"name", "path", "method", "query", "nth"}
ACTION_KEYS = {
    "headers", "delay", "drop", "status", "body", "body_json", "body_b64",
    "body_file", "content_type", "file", "redirect", "redirect_hops",
    "redirect_status", "back_url", "back_url_encode", "redirect_loop", "rate",
    "reset_after", "close_after", "stall_after", "stall_seconds",
    "ignore_range", "total_delta", "total", "header_case", "comment",
    "package", "package_md5", "error_page",
}
HEADER_CASES = {"lower": str.lower, "upper": str.upper}
BODY_KEYS = ("body", "body_json", "body_b64", "body_file")
REDIRECT_STATUSES = {301, 302, 303, 307, 308}


DOWNLOADINFO_ERROR_PAGE = (b"<!DOCTYPE html>\n<html><head><title>502 Bad Gateway</title></head>\n"
                           b"<body><h1>Bad Gateway</h1><p>Downloader service unavailable.</p></body></html>\n")


def downloadinfo_for_package(path, url, query, md5_text=None):
    """A download-information answer describing the package file at path."""
    md5 = hashlib.md5()
    size = 0
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(CHUNK), b""):
            md5.update(block)
            size += len(block)
    params = dict(p.split("=", 1) for p in query.split("&") if "=" in p)
    return ("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Response><Code>0</Code>\n"
            "<Downloader>\n"
            "<Downloader_id>%s</Downloader_id>\n<Software_id>7301</Software_id>\n"
            "<Site_id>%s</Site_id>\n<Software_name>Lumevia</Software_name>\n"
            "<Software_version>1.0.0.0</Software_version>\n"
            "<Process_name>Velscape.exe\r\n</Process_name>\n"
            "<Download_url>%s</Download_url>\n<Md5>%s</Md5>\n<Filesize>%d</Filesize>\n"
            "<Downloader_type>2</Downloader_type>\n"
            "</Downloader>\n</Response>\n<!-- served by the fake services -->\n"
            % (params.get("SoftWareID", "0"), params.get("SiteID", "0"), url,
               md5_text or md5.hexdigest(), size)).encode("utf-8")


def log(msg):
    sys.stderr.write("fake_services: %s\n" % msg)
    sys.stderr.flush()


def parse_size(value, what):
    """Bytes (or bytes per second) from a number or a text such as "8MiB".

    "KiB", "MiB", "GiB" and the bare letters "k", "M", "G" are binary units;
    "KB", "MB", "GB" are decimal ones."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        if value < 0:
            raise ValueError("%s: negative" % what)
        return value
    if isinstance(value, str):
        m = re.fullmatch(r"\s*([0-9]+(?:\.[0-9]+)?)\s*(?:([kKmMgG])(i?)([bB]?))?\s*", value)
        if m:
            number, unit, binary, byte = m.groups()
            if not unit:
                return float(number)
            power = "kmg".index(unit.lower()) + 1
            base = 1024 if binary or not byte else 1000
            return float(number) * base ** power
    raise ValueError("%s: not a size: %r" % (what, value))


def _check_int(rule, key, minimum=0, allow_none=False):
    value = rule.get(key)
    if value is None and allow_none:
        return
    if isinstance(value, bool) or not isinstance(value, int) or value < minimum:
        raise ValueError("rule member %r must be an integer >= %d" % (key, minimum))


def _check_number(rule, key):
    value = rule.get(key)
    if isinstance(value, bool) or not isinstance(value, (int, float)) or value < 0:
        raise ValueError("rule member %r must be a number >= 0" % key)


def normalize_rules(doc):
    """Validate a rules document; return the list of normalized rules."""
    if isinstance(doc, dict):
        extra = set(doc) - {"rules", "comment"}
        if extra:
            raise ValueError("unknown top-level members: %s" % sorted(extra))
        doc = doc.get("rules", [])
    if not isinstance(doc, list):
        raise ValueError("rules must be a list or {\"rules\": [...]}")
    rules = []
    for index, raw in enumerate(doc):
        if not isinstance(raw, dict):
            raise ValueError("rule %d is not an object" % index)
        unknown = set(raw) - SELECTOR_KEYS - ACTION_KEYS
        if unknown:
            raise ValueError("rule %d: unknown members %s" % (index, sorted(unknown)))
        rule = dict(raw)
        rule.setdefault("name", "#%d" % index)
        rule.setdefault("path", "*")
        if not isinstance(rule["path"], str) or not isinstance(rule["name"], str):
            raise ValueError("rule %d: path and name must be texts" % index)
        if "method" in rule:
            methods = rule["method"]
            if isinstance(methods, str):
                methods = [methods]
            if not isinstance(methods, list) or not all(isinstance(m, str) for m in methods):
                raise ValueError("rule %d: method must be a text or a list of texts" % index)
            rule["method"] = [m.upper() for m in methods]
        if "query" in rule and not isinstance(rule["query"], str):
            raise ValueError("rule %d: query must be a text" % index)
        if "nth" in rule:
            nth = rule["nth"]
            if isinstance(nth, int) and not isinstance(nth, bool):
                nth = [nth, nth]
            if (not isinstance(nth, list) or len(nth) != 2
                    or isinstance(nth[0], bool) or not isinstance(nth[0], int) or nth[0] < 1
                    or not (nth[1] is None or (isinstance(nth[1], int)
                                               and not isinstance(nth[1], bool)
                                               and nth[1] >= nth[0]))):
                raise ValueError("rule %d: nth must be N or [N, M] with 1 <= N <= M" % index)
            rule["nth"] = nth
        if "headers" in rule:
            headers = rule["headers"]
            if isinstance(headers, dict):
                headers = list(headers.items())
            if (not isinstance(headers, list)
                    or not all(isinstance(h, (list, tuple)) and len(h) == 2
                               and isinstance(h[0], str) and isinstance(h[1], (str, int))
                               for h in headers)):
                raise ValueError("rule %d: headers must be an object or a list of pairs" % index)
            for name, value in headers:
                if re.search(r"[\r\n:]", name) or re.search(r"[\r\n]", str(value)):
                    raise ValueError("rule %d: bad header %r" % (index, name))
            rule["headers"] = [[h[0], str(h[1])] for h in headers]
        try:
            if "status" in rule:
                _check_int(rule, "status", 200)
                if rule["status"] > 999:
                    raise ValueError("rule member 'status' must be below 1000")
            for key in ("redirect_hops",):
                if key in rule:
                    _check_int(rule, key, 1)
            if "redirect_status" in rule and rule["redirect_status"] not in REDIRECT_STATUSES:
                raise ValueError("redirect_status must be one of %s" % sorted(REDIRECT_STATUSES))
            for key in ("reset_after", "close_after", "stall_after", "total"):
                if key in rule:
                    _check_int(rule, key, 0)
            if "total_delta" in rule:
                _check_int(rule, "total_delta", -(1 << 62))
            for key in ("delay",):
                if key in rule:
                    _check_number(rule, key)
            if rule.get("stall_seconds") is not None:
                _check_number(rule, "stall_seconds")
            if "rate" in rule:
                rule["rate"] = parse_size(rule["rate"], "rate")
                if rule["rate"] <= 0:
                    raise ValueError("rate must be above 0")
        except ValueError as exc:
            raise ValueError("rule %d: %s" % (index, exc))
        if "header_case" in rule and rule["header_case"] not in HEADER_CASES:
            raise ValueError("rule %d: header_case must be one of %s" % (index, sorted(HEADER_CASES)))
        if "drop" in rule and rule["drop"] not in (True, False, "rst", "fin"):
            raise ValueError("rule %d: drop must be true, false, \"fin\" or \"rst\"" % index)
        for key in ("redirect", "body", "body_b64", "body_file", "file", "content_type"):
            if key in rule and not isinstance(rule[key], str):
                raise ValueError("rule %d: %s must be a text" % (index, key))
        if "body_b64" in rule:
            try:
                base64.b64decode(rule["body_b64"], validate=True)
            except ValueError:
                raise ValueError("rule %d: body_b64 is not base64" % index)
        if sum(1 for k in BODY_KEYS if k in rule) > 1:
            raise ValueError("rule %d: give only one of %s" % (index, BODY_KEYS))
        rules.append(rule)
    return rules


class RuleBook:
    """The rules, their counters and the optional rules file; callers hold STATE_LOCK."""

    def __init__(self, config_path):
        self.config_path = config_path
        self.config_stamp = None
        self.failed_stamp = None
        self.rules = []
        self.counters = []
        self.source = "none"

    def install(self, rules, source):
        self.rules = rules
        self.counters = [0] * len(rules)
        self.source = source

    def reset(self):
        self.install([], "reset")

    def refresh(self):
        """Reload the rules file when it changed since the last load."""
        if not self.config_path:
            return
        try:
            st = os.stat(self.config_path)
        except OSError:
            return
        stamp = (st.st_mtime_ns, st.st_size, st.st_ino)
        if stamp == self.config_stamp:
            return
        try:
            with open(self.config_path, "rb") as f:
                rules = normalize_rules(json.loads(f.read().decode("utf-8")))
        except (OSError, ValueError) as exc:
            if stamp != self.failed_stamp:
                log("rules file %s not loaded: %s" % (self.config_path, exc))
                self.failed_stamp = stamp
            return
        self.config_stamp = stamp
        self.install(rules, "file")

    def match(self, method, path, query):
        """Count the request for every matching selector; merge the applying rules.

        Returns (action dict, list of rule names, {rule name: counter})."""
        merged = {"headers": []}
        names = []
        counts = {}
        for index, rule in enumerate(self.rules):
            if "method" in rule and method not in rule["method"]:
                continue
            pattern = rule["path"]
            if pattern != path and not fnmatch.fnmatchcase(path, pattern):
                continue
            if "query" in rule and not fnmatch.fnmatchcase(query, rule["query"]):
                continue
            self.counters[index] += 1
            n = self.counters[index]
            nth = rule.get("nth")
            if nth and (n < nth[0] or (nth[1] is not None and n > nth[1])):
                continue
            names.append(rule["name"])
            counts[rule["name"]] = n
            for key, value in rule.items():
                if key in SELECTOR_KEYS or key == "comment":
                    continue
                if key == "headers":
                    merged["headers"].extend([h[0], h[1].replace("{n}", str(n))]
                                             for h in value)
                    continue
                if key in BODY_KEYS:
                    for other in BODY_KEYS:
                        merged.pop(other, None)
                merged[key] = value
        return merged, names, counts

    def describe(self):
        return {"source": self.source, "config": self.config_path,
                "rules": self.rules, "counters": self.counters}


class TokenBucket:
    """Paces one connection's body bytes to `rate` bytes per second.

    Each answer body starts with an empty bucket (no burst after idle time);
    the bucket holds up to four chunks so that sleeping longer than asked is
    made up by the next chunks."""

    def __init__(self, rate):
        self.rate = float(rate)
        self.chunk = int(max(1024, min(CHUNK, self.rate / 50)))
        self.capacity = 4 * self.chunk
        self.start()

    def start(self):
        self.tokens = 0.0
        self.stamp = time.monotonic()

    def take(self, n):
        """Wait until n bytes (n <= chunk) may be sent; False when stopping."""
        while True:
            now = time.monotonic()
            self.tokens = min(self.capacity, self.tokens + (now - self.stamp) * self.rate)
            self.stamp = now
            if self.tokens >= n:
                self.tokens -= n
                return True
            if STOP.wait((n - self.tokens) / self.rate):
                return False


class FileSource:
    def __init__(self, path):
        self.file = open(path, "rb", buffering=0)
        self.size = os.fstat(self.file.fileno()).st_size

    def read(self, offset, n):
        return os.pread(self.file.fileno(), n, offset)

    def close(self):
        self.file.close()


class BytesSource:
    file = None

    def __init__(self, data):
        self.data = data
        self.size = len(data)

    def read(self, offset, n):
        return self.data[offset:offset + n]

    def close(self):
        pass


class Plan:
    """What the answer to one request will be."""

    def __init__(self):
        self.drop = None            # None, "fin" or "rst"
        self.status = 200
        self.headers = []
        self.source = None          # body source, or None for no body
        self.offset = 0
        self.length = 0
        self.range = None
        self.total = None
        self.faults = []
        self.content_length = None  # announced length when it differs (HEAD)


def parse_range(header, size):
    """("ok", first, last) | ("unsatisfiable",) | None (ignore the header)."""
    if header is None:
        return None
    m = re.fullmatch(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*", header)
    if not m or (m.group(1) == "" and m.group(2) == ""):
        return None
    first, last = m.group(1), m.group(2)
    if first == "":
        suffix = int(last)
        if suffix == 0 or size == 0:
            return ("unsatisfiable",)
        return ("ok", max(0, size - suffix), size - 1)
    first = int(first)
    if last != "" and int(last) < first:
        return None
    if first >= size:
        return ("unsatisfiable",)
    end = size - 1 if last == "" else min(int(last), size - 1)
    return ("ok", first, end)


class FakeServer(ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False
    request_queue_size = 128

    def __init__(self, port, root, record_path, config_path, verbose):
        self.root = os.path.realpath(root)
        self.verbose = verbose
        self.state_lock = threading.Lock()
        self.rulebook = RuleBook(config_path)
        self.rulebook.refresh()
        self.record_file = open(record_path, "a", encoding="utf-8") if record_path else None
        self.seq = 0
        self.conn_lock = threading.Lock()
        self.conn_seq = 0
        super().__init__(("127.0.0.1", port), Handler)
        self.port = self.server_address[1]
        self.base = "http://127.0.0.1:%d" % self.port

    def next_conn(self):
        with self.conn_lock:
            self.conn_seq += 1
            return self.conn_seq

    def write_record(self, record):
        """Number and write one record line; caller holds state_lock."""
        self.seq += 1
        record["seq"] = self.seq
        if self.record_file:
            self.record_file.write(json.dumps(record, ensure_ascii=False) + "\n")
            self.record_file.flush()

    def resolve(self, rel):
        """Existing regular file under root for a relative path, or None."""
        rel = unquote(rel).lstrip("/")
        if not rel or "\x00" in rel:
            return None
        full = os.path.realpath(os.path.join(self.root, rel))
        if not full.startswith(self.root + os.sep):
            return None
        return full if os.path.isfile(full) else None

    def subst(self, text):
        return text.replace("{base}", self.base).replace("{port}", str(self.port))

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "fake-services/1.0"
    sys_version = ""
    timeout = IDLE_TIMEOUT

    def version_string(self):
        return self.server_version

    def setup(self):
        super().setup()
        self.conn_id = self.server.next_conn()
        self.bucket = None
        self.aborted = False
        self.name_case = None   # how the current answer spells its header names

    def send_header(self, keyword, value):
        if self.name_case:
            keyword = HEADER_CASES[self.name_case](keyword)
        super().send_header(keyword, value)

    # Every method goes through one entry.
    def do_GET(self):
        self.handle_any()

    do_HEAD = do_POST = do_PUT = do_DELETE = do_PATCH = do_OPTIONS = do_GET

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    # ---- request side -------------------------------------------------

    def read_body(self):
        """Request body bytes, or None when it cannot be read (connection closed)."""
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            parts = []
            total = 0
            while True:
                line = self.rfile.readline(1024)
                if not line:
                    return None
                try:
                    size = int(line.split(b";")[0].strip(), 16)
                except ValueError:
                    return None
                if size == 0:
                    while True:          # trailers up to the blank line
                        line = self.rfile.readline(8192)
                        if line in (b"\r\n", b"\n", b""):
                            break
                    return b"".join(parts)
                total += size
                if total > MAX_REQUEST_BODY:
                    return None
                data = self.rfile.read(size)
                if len(data) != size:
                    return None
                parts.append(data)
                self.rfile.readline(8)
        length = self.headers.get("Content-Length")
        if not length:
            return b""
        try:
            length = int(length)
        except ValueError:
            return None
        if length < 0 or length > MAX_REQUEST_BODY:
            return None
        data = self.rfile.read(length)
        return data if len(data) == length else None

    def handle_any(self):
        target = self.path
        split = urlsplit(target)
        path = split.path or "/"
        query = split.query
        body = self.read_body()
        if body is None:
            self.close_connection = True
            return
        server = self.server
        route = self.route_of(path)
        record = {
            "seq": None, "time": round(time.time(), 6), "conn": self.conn_id,
            "peer_port": self.client_address[1], "method": self.command,
            "target": target, "path": path, "query": query,
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body_b64": base64.b64encode(body).decode("ascii"),
            "body_text": None, "body_len": len(body), "route": route,
        }
        try:
            record["body_text"] = body.decode("utf-8")
        except UnicodeDecodeError:
            pass

        if route == "control":
            with server.state_lock:
                status, answer = self.control(path, body)
                record.update(rules=[], status=status, range=None, total=None,
                              length=len(answer), faults=[])
                server.write_record(record)
            self.send_plain(status, answer, JSON_TYPE)
            return

        with server.state_lock:
            if route in ("hop", "loop"):
                action, names, counts = {"headers": []}, [], {}
            else:
                server.rulebook.refresh()
                action, names, counts = server.rulebook.match(self.command, path, query)
            try:
                plan = self.plan(route, path, query, action)
            except Exception as exc:        # a broken rule must not kill the server
                log("request %s %s: %s" % (self.command, target, exc))
                plan = Plan()
                plan.status = 500
                plan.source = BytesSource(("cannot read: %s\n" % exc).encode())
                plan.length = plan.source.size
                plan.headers.append(["Content-Type", TEXT_TYPE])
            record.update(rules=names, status=None if plan.drop else plan.status,
                          range=list(plan.range) if plan.range else None,
                          total=plan.total,
                          length=0 if self.command == "HEAD" else plan.length,
                          faults=plan.faults)
            server.write_record(record)
        try:
            self.execute(plan, action, counts)
        finally:
            if plan.source is not None:
                plan.source.close()

    def route_of(self, path):
        if path.startswith("/__control/"):
            return "control"
        if path == "/__hop":
            return "hop"
        if path == "/__loop":
            return "loop"
        if path in SERVICE_ROUTES:
            return SERVICE_ROUTES[path]
        if path.startswith("/pkg/"):
            return "pkg"
        return "fallback"

    def control(self, path, body):
        book = self.server.rulebook
        if path == "/__control/rules" and self.command == "POST":
            try:
                book.install(normalize_rules(json.loads(body.decode("utf-8"))), "control")
            except (ValueError, UnicodeDecodeError) as exc:
                return 400, json.dumps({"ok": False, "error": str(exc)})
            return 200, json.dumps({"ok": True, "rules": len(book.rules)})
        if path == "/__control/reset" and self.command == "POST":
            book.reset()
            return 200, json.dumps({"ok": True})
        if path == "/__control/rules" and self.command in ("GET", "HEAD"):
            return 200, json.dumps(book.describe())
        return 404, json.dumps({"ok": False, "error": "unknown control request"})

    # ---- deciding the answer -----------------------------------------

    def plan(self, route, path, query, action):
        server = self.server
        plan = Plan()
        plan.headers = [[k, server.subst(v).replace("{conn}", str(self.conn_id))]
                        for k, v in action["headers"]]
        if action.get("delay"):
            plan.faults.append("delay")
        if action.get("header_case"):
            plan.faults.append("header_case_" + action["header_case"])
        if action.get("drop"):
            plan.drop = "rst" if action["drop"] == "rst" else "fin"
            plan.faults.append("drop_" + plan.drop)
            return plan
        if route == "hop":
            return self.plan_hop(plan, query)
        if route == "loop":
            m = re.search(r"(?:^|&)n=(\d+)", query)
            n = int(m.group(1)) if m else 0
            return self.plan_redirect(plan, "%s/__loop?n=%d" % (server.base, n + 1), 302)
        if action.get("redirect_loop"):
            plan.faults.append("redirect_loop")
            return self.plan_redirect(plan, server.base + "/__loop?n=1",
                                      action.get("redirect_status", 302))
        if "redirect" in action:
            plan.faults.append("redirect")
            return self.plan_redirect(plan, self.first_location(action),
                                      action.get("redirect_status", 302))
        has_body = any(k in action for k in BODY_KEYS)
        status = action.get("status")
        if has_body:
            data, ctype = self.rule_body(action)
            plan.faults.append("fixed_body")
            return self.plan_bytes(plan, status or 200, data, action.get("content_type", ctype))
        if status is not None and not 200 <= status < 300:
            plan.faults.append("status")
            text = "%d %s\n" % (status, self.reason(status))
            return self.plan_bytes(plan, status, text.encode(),
                                   action.get("content_type", TEXT_TYPE))
        if route in ("pkg", "fallback"):
            return self.plan_file(plan, route, path, action)
        return self.plan_service(plan, route, action, query)

    @staticmethod
    def reason(status):
        try:
            return HTTPStatus(status).phrase
        except ValueError:
            return "Status"

    def rule_body(self, action):
        server = self.server
        if "body_json" in action:
            return server.subst(json.dumps(action["body_json"], ensure_ascii=False)).encode(), JSON_TYPE
        if "body_b64" in action:
            return base64.b64decode(action["body_b64"]), OCTET
        if "body_file" in action:
            full = server.resolve(action["body_file"])
            if full is None:
                raise FileNotFoundError(action["body_file"])
            with open(full, "rb") as f:
                return f.read(), OCTET
        return server.subst(action["body"]).encode("utf-8"), TEXT_TYPE

    def first_location(self, action):
        server = self.server
        target = server.subst(action["redirect"])
        hops = action.get("redirect_hops", 1)
        status = action.get("redirect_status", 302)
        extra = "" if status == 302 else "&s=%d" % status
        if action.get("back_url"):
            if target.startswith("/"):
                target = server.base + target
            value = quote(target, safe="") if action.get("back_url_encode", True) else target
            return "%s/__hop?left=%d%s&back_url=%s" % (server.base, max(hops, 2) - 1, extra, value)
        if hops > 1:
            return "%s/__hop?left=%d%s&to=%s" % (server.base, hops - 1, extra,
                                                 quote(target, safe=""))
        return target

    def plan_hop(self, plan, query):
        left_m = re.match(r"left=(\d+)", query)
        status_m = re.search(r"(?:^|&)s=(\d{3})(?:&|$)", query)
        status = int(status_m.group(1)) if status_m else 302
        if status not in REDIRECT_STATUSES:
            status = 302
        key = None
        for name in ("back_url=", "to="):
            pos = query.find(name)
            if pos >= 0 and (pos == 0 or query[pos - 1] == "&"):
                key, value = name, query[pos + len(name):]
                break
        if not left_m or key is None:
            return self.plan_bytes(plan, 400, b"bad hop\n", TEXT_TYPE)
        left = int(left_m.group(1))
        if left > 1:
            rest = query[left_m.end():]
            return self.plan_redirect(plan, "%s/__hop?left=%d%s" % (self.server.base, left - 1, rest),
                                      status)
        if key == "to=" or "://" not in value:
            value = unquote(value)
        return self.plan_redirect(plan, value, status)

    def plan_redirect(self, plan, location, status):
        plan.headers.append(["Location", location])
        return self.plan_bytes(plan, status, ("redirect to %s\n" % location).encode(), TEXT_TYPE)

    def plan_bytes(self, plan, status, data, ctype):
        plan.status = status
        if status in (204, 304) or 100 <= status < 200:
            plan.length = 0
            return plan
        plan.source = BytesSource(data)
        plan.length = len(data)
        plan.headers.append(["Content-Type", ctype])
        return plan

    def plan_service(self, plan, route, action, query=""):
        server = self.server
        status = action.get("status")
        if route == "downloadinfo" and action.get("error_page"):
            return self.plan_bytes(plan, status or 200, DOWNLOADINFO_ERROR_PAGE, "text/html; charset=utf-8")
        if route == "downloadinfo" and "package" in action:
            full = server.resolve(action["package"])
            if full is None:
                return self.plan_bytes(plan, 404, b"package missing\n", TEXT_TYPE)
            data = downloadinfo_for_package(full, "%s/pkg/%s" % (server.base, action["package"]),
                                            query, action.get("package_md5"))
            return self.plan_bytes(plan, status or 200, data, action.get("content_type", XML_TYPE))
        if route == "downloadinfo":
            name = action.get("file", "downloader.xml")
            full = server.resolve(name)
            if full is None:
                return self.plan_bytes(plan, 404, b"no download information\n", TEXT_TYPE)
            with open(full, "rb") as f:
                data = f.read()
            return self.plan_bytes(plan, status or 200, data,
                                   action.get("content_type", XML_TYPE))
        if "file" in action:
            full = server.resolve(action["file"])
            if full is None:
                return self.plan_bytes(plan, 404, b"rule file missing\n", TEXT_TYPE)
            with open(full, "rb") as f:
                data = f.read()
            return self.plan_bytes(plan, status or 200, data, action.get("content_type", OCTET))
        if route == "ga4":
            return self.plan_bytes(plan, status or 204, b"", action.get("content_type", TEXT_TYPE))
        if route in ("collector", "collector_test", "exception"):
            data = json.dumps({"code": 200, "msg": "success"}).encode()
            return self.plan_bytes(plan, status or 200, data, action.get("content_type", JSON_TYPE))
        if route in SIGNED_ROUTES and not signature_ok(query):
            plan.faults.append("bad_signature")
            return self.plan_bytes(plan, status or 200, b'{"code":403}', JSON_TYPE)
        # Data services: response file under root, else the built-in answer.
        full = server.resolve("responses/%s.json" % route)
        if full is not None:
            with open(full, "rb") as f:
                text = f.read().decode("utf-8", "replace")
        else:
            text = json.dumps(DEFAULT_JSON[route], ensure_ascii=False)
        return self.plan_bytes(plan, status or 200, server.subst(text).encode("utf-8"),
                               action.get("content_type", JSON_TYPE))

    def plan_file(self, plan, route, path, action):
        server = self.server
        if "file" in action:
            full = server.resolve(action["file"])
        elif route == "pkg":
            full = server.resolve(path[len("/pkg/"):])
        else:
            full = server.resolve(path)
        if full is not None:
            source = FileSource(full)
        elif route == "fallback" and fnmatch.fnmatchcase(path, "/banners/*.png"):
            source = BytesSource(BUILTIN_PNG)
        else:
            return self.plan_bytes(plan, 404, b"not found\n", TEXT_TYPE)
        if self.command not in ("GET", "HEAD"):
            source.close()
            plan.headers.append(["Allow", "GET, HEAD"])
            return self.plan_bytes(plan, 405, b"method not allowed\n", TEXT_TYPE)
        size = source.size
        plan.total = size
        if "total" in action:
            reported = action["total"]
        else:
            reported = size + action.get("total_delta", 0)
        if reported != size:
            plan.faults.append("total_changed")
        plan.headers.append(["Accept-Ranges", "bytes"])
        plan.headers.append(["Content-Type", action.get("content_type", OCTET)])
        wanted = parse_range(self.headers.get("Range"), size)
        if wanted is not None and action.get("ignore_range"):
            plan.faults.append("ignore_range")
            wanted = None
        if wanted is None:
            plan.status = 200
            plan.source = source
            plan.offset, plan.length = 0, size
            plan.range = (0, size - 1) if size else None
            if self.command == "HEAD":
                plan.content_length = reported
            return plan
        if wanted[0] == "unsatisfiable":
            source.close()
            plan.headers = [h for h in plan.headers if h[0] != "Content-Type"]
            plan.headers.append(["Content-Range", "bytes */%d" % size])
            return self.plan_bytes(plan, 416, b"range not satisfiable\n", TEXT_TYPE)
        first, last = wanted[1], wanted[2]
        plan.status = 206
        plan.source = source
        plan.offset, plan.length = first, last - first + 1
        plan.range = (first, last)
        plan.headers.append(["Content-Range", "bytes %d-%d/%d" % (first, last, reported)])
        return plan

    # ---- sending the answer -------------------------------------------

    def execute(self, plan, action, counts):
        self.name_case = action.get("header_case")
        if action.get("delay") and STOP.wait(action["delay"]):
            self.close_connection = True
            return
        if plan.drop:
            self.abort(rst=plan.drop == "rst")
            return
        try:
            self.send_response(plan.status)
            for name, value in plan.headers:
                self.send_header(name, value)
            if plan.status not in (204, 304) and plan.status >= 200:
                announced = plan.length if plan.content_length is None else plan.content_length
                self.send_header("Content-Length", str(announced))
            if self.close_connection:
                self.send_header("Connection", "close")
            self.end_headers()
            if self.command == "HEAD" or plan.source is None or plan.length == 0:
                return
            self.stream(plan, action)
        except (ConnectionError, socket.timeout, OSError) as exc:
            if self.server.verbose:
                log("connection %d: %s" % (self.conn_id, exc))
            self.close_connection = True

    def stream(self, plan, action):
        sock = self.connection
        rate = action.get("rate")
        if rate:
            if self.bucket is None or self.bucket.rate != float(rate):
                self.bucket = TokenBucket(rate)
            self.bucket.start()
        events = []
        for key, kind in (("stall_after", "stall"), ("reset_after", "reset"),
                          ("close_after", "close")):
            if key in action and action[key] < plan.length:
                events.append((action[key], kind))
        events.sort()
        source = plan.source
        if not rate and not events and source.file is not None:
            sent = sock.sendfile(source.file, plan.offset, plan.length)
            if sent != plan.length:
                self.close_connection = True
            return
        pos = 0
        while True:
            while events and events[0][0] == pos:
                kind = events.pop(0)[1]
                if kind == "stall":
                    if self.stall(action.get("stall_seconds")):
                        self.close_connection = True
                        return
                else:
                    self.abort(rst=kind == "reset")
                    return
            if pos >= plan.length:
                return
            n = min(CHUNK, plan.length - pos)
            if events:
                n = min(n, events[0][0] - pos)
            if rate:
                n = min(n, self.bucket.chunk)
                if not self.bucket.take(n):
                    self.close_connection = True
                    return
            data = source.read(plan.offset + pos, n)
            if not data:                   # file shrank under us
                self.close_connection = True
                return
            sock.sendall(data)
            pos += len(data)

    def stall(self, seconds):
        """Send nothing for `seconds` (None: until hang-up). True if the client left."""
        sock = self.connection
        deadline = None if seconds is None else time.monotonic() + seconds
        while not STOP.is_set():
            wait = 0.2
            if deadline is not None:
                wait = min(wait, deadline - time.monotonic())
                if wait <= 0:
                    return False
            try:
                readable, _, _ = select.select([sock], [], [], wait)
                if readable:
                    if not sock.recv(1, socket.MSG_PEEK):
                        return True
                    time.sleep(0.05)       # client sent more; keep stalling
            except (OSError, ValueError):
                return True
        return True

    def abort(self, rst):
        """Close the connection now: FIN, or RST (SO_LINGER 0) after the sent bytes left."""
        self.close_connection = True
        sock = self.connection
        if not rst:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        try:
            self.wait_sent(sock, 1.0)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            fd = sock.detach()      # the buffered reader holds a reference; close the fd now
            os.close(fd)
        except OSError:
            pass

    @staticmethod
    def wait_sent(sock, limit):
        """Wait (bounded) until the kernel send queue is empty, so the bytes reach the peer."""
        try:
            import fcntl
            import termios
        except ImportError:
            return
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            try:
                queued = struct.unpack("i", fcntl.ioctl(sock.fileno(), termios.TIOCOUTQ,
                                                        b"\0\0\0\0"))[0]
            except OSError:
                return
            if queued == 0:
                return
            time.sleep(0.005)

    def send_plain(self, status, text, ctype):
        self.name_case = None
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)


def write_port_file(path, port):
    tmp = "%s.tmp%d" % (path, os.getpid())
    with open(tmp, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local fake of the maker's web services.")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free)")
    parser.add_argument("--root", required=True, help="folder of served files")
    parser.add_argument("--record", help="JSON-lines file of received requests (appended)")
    parser.add_argument("--port-file", help="file that receives the real port")
    parser.add_argument("--config", help="rules file (JSON), re-read when it changes")
    parser.add_argument("--verbose", action="store_true", help="log requests to stderr")
    args = parser.parse_args(argv)
    if not os.path.isdir(args.root):
        parser.error("--root %s is not a folder" % args.root)

    stop_requested = threading.Event()

    def on_signal(signum, frame):
        stop_requested.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    server = FakeServer(args.port, args.root, args.record, args.config, args.verbose)
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                              daemon=True)
    thread.start()
    if args.port_file:
        write_port_file(args.port_file, server.port)
    if args.verbose:
        log("listening on %s, root %s" % (server.base, server.root))
    while not stop_requested.wait(0.5):
        pass
    STOP.set()
    server.shutdown()
    server.server_close()
    with server.state_lock:
        if server.record_file:
            server.record_file.close()
            server.record_file = None
    return 0


if __name__ == "__main__":
    sys.exit(main())
