"""Self-test of the fake services.

Run from the repository root:  python3 -m unittest tests/fake_services/test_fake_services.py
"""

import base64
import hashlib
import http.client
import json
import os
import random
import shutil
import socket
import sys
import tempfile
import time
import unittest
from urllib.parse import quote, unquote, urljoin, urlsplit

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fakesvc import FakeServices  # noqa: E402
import fake_services  # noqa: E402

MiB = 1024 * 1024


def signed(target, tail="", when=None):
    """target with "&timestamp=", tail and the "&verify=" the data services want."""
    path, query = target.split("?", 1)
    query += "&timestamp=%d%s" % (time.time() if when is None else when, tail)
    verify = hashlib.md5((query + fake_services.DATA_SALT).encode()).hexdigest()
    return "%s?%s&verify=%s" % (path, query, verify)


def make_root():
    root = tempfile.mkdtemp(prefix="fakesvc-root-")
    rnd = random.Random(1234)
    files = {
        "a.bin": rnd.randbytes(300 * 1024),
        "two.bin": rnd.randbytes(2 * MiB),
        "empty.bin": b"",
    }
    for name, data in files.items():
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)
    with open(os.path.join(root, "downloader.xml"), "w") as f:
        f.write("<Downloader><Md5>0123</Md5></Downloader>")
    with open(os.path.join(root, "other.xml"), "w") as f:
        f.write("<Downloader><Md5>4567</Md5></Downloader>")
    os.mkdir(os.path.join(root, "responses"))
    with open(os.path.join(root, "responses", "kitDownloads.json"), "w") as f:
        f.write('{"status": 0, "msg": "ok", "data": [{"pid": 7, "download": "{base}/pkg/a.bin"}]}')
    return root, files


class FakeServicesTestBase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root, cls.files = make_root()
        cls.svc = FakeServices(cls.root).start()

    @classmethod
    def tearDownClass(cls):
        code = cls.svc.stop()
        cls.svc.cleanup()
        shutil.rmtree(cls.root, ignore_errors=True)
        if code != 0:
            raise AssertionError("server exit code %r: %s" % (code, cls.svc.stderr_text()))

    def setUp(self):
        self.svc.reset()
        self.mark = len(self.svc.records())

    def new_records(self):
        return self.svc.records()[self.mark:]

    def conn(self, timeout=5):
        return http.client.HTTPConnection("127.0.0.1", self.svc.port, timeout=timeout)

    def request(self, method, path, headers=None, body=None, timeout=5):
        c = self.conn(timeout)
        try:
            c.request(method, path, body=body, headers=headers or {})
            r = c.getresponse()
            return r.status, r.headers, r.read()
        finally:
            c.close()


class PackageHostTests(FakeServicesTestBase):
    def test_ranges_on_one_keep_alive_connection(self):
        data = self.files["a.bin"]
        size = len(data)
        cases = [("bytes=0-9", 0, 9), ("bytes=100-", 100, size - 1),
                 ("bytes=-50", size - 50, size - 1),
                 ("bytes=1048576-2097151", None, None),       # past the end: 416
                 ("bytes=10-99999999", 10, size - 1),           # end clamped
                 ("bytes=%d-%d" % (size - 1, size), size - 1, size - 1)]
        c = self.conn()
        for header, first, last in cases:
            with self.subTest(range=header):
                c.request("GET", "/pkg/a.bin", headers={"Range": header})
                r = c.getresponse()
                body = r.read()
                if first is None:
                    self.assertEqual(r.status, 416)
                    self.assertEqual(r.headers["Content-Range"], "bytes */%d" % size)
                    continue
                self.assertEqual(r.status, 206)
                self.assertEqual(r.headers["Content-Range"], "bytes %d-%d/%d" % (first, last, size))
                self.assertEqual(int(r.headers["Content-Length"]), last - first + 1)
                self.assertEqual(r.headers["Accept-Ranges"], "bytes")
                self.assertEqual(r.headers["Content-Type"], "application/octet-stream")
                self.assertEqual(body, data[first:last + 1])
        c.close()
        recs = self.new_records()
        self.assertEqual(len({r["conn"] for r in recs}), 1, "keep-alive connection was not reused")
        self.assertEqual([r["range"] for r in recs],
                         [[f, l] if f is not None else None for _, f, l in cases])

    def test_unsatisfiable_ranges_answer_416(self):
        size = len(self.files["a.bin"])
        for path, header, total in [("/pkg/a.bin", "bytes=%d-" % size, size),
                                    ("/pkg/a.bin", "bytes=-0", size),
                                    ("/pkg/empty.bin", "bytes=0-", 0)]:
            with self.subTest(path=path, range=header):
                status, headers, _ = self.request("GET", path, {"Range": header})
                self.assertEqual(status, 416)
                self.assertEqual(headers["Content-Range"], "bytes */%d" % total)

    def test_whole_file_head_and_missing_file(self):
        data = self.files["two.bin"]
        c = self.conn()
        c.request("HEAD", "/pkg/two.bin")
        r = c.getresponse()
        self.assertEqual((r.status, r.read()), (200, b""))
        self.assertEqual(int(r.headers["Content-Length"]), len(data))
        c.request("HEAD", "/pkg/two.bin", headers={"Range": "bytes=5-14"})
        r = c.getresponse()
        self.assertEqual((r.status, r.read()), (206, b""))
        self.assertEqual(r.headers["Content-Range"], "bytes 5-14/%d" % len(data))
        # A HEAD that sent a body would corrupt this next answer on the same connection.
        c.request("GET", "/pkg/two.bin")
        r = c.getresponse()
        self.assertEqual(r.status, 200)
        self.assertIsNone(r.headers["Content-Range"])
        self.assertEqual(r.read(), data)
        c.close()
        status, _, _ = self.request("GET", "/pkg/nothere.bin")
        self.assertEqual(status, 404)
        status, _, body = self.request("GET", "/a.bin", {"Range": "bytes=0-3"})
        self.assertEqual((status, body), (206, self.files["a.bin"][:4]), "root fallback")
        status, _, _ = self.request("GET", "/pkg/../../etc/passwd")
        self.assertEqual(status, 404)


class RedirectTests(FakeServicesTestBase):
    def follow(self, path, limit=25):
        """Follow redirects by hand; returns (hops, final status, final body, locations)."""
        locations = []
        for _ in range(limit):
            status, headers, body = self.request("GET", path)
            if status not in (301, 302, 303, 307, 308):
                return len(locations), status, body, locations
            loc = headers["Location"]
            locations.append(loc)
            parts = urlsplit(loc)
            if parts.netloc:
                self.assertEqual(parts.netloc, "127.0.0.1:%d" % self.svc.port)
            path = parts.path + ("?" + parts.query if parts.query else "")
        return len(locations), None, None, locations

    def test_single_relative_redirect(self):
        self.svc.set_rules([{"path": "/pkg/alias.bin", "redirect": "/pkg/a.bin"}])
        status, headers, _ = self.request("GET", "/pkg/alias.bin")
        self.assertEqual((status, headers["Location"]), (302, "/pkg/a.bin"))

    def test_chain_of_three_hops_reaches_target(self):
        self.svc.set_rules([{"path": "/pkg/alias.bin", "redirect": "/pkg/a.bin",
                             "redirect_hops": 3, "redirect_status": 307}])
        hops, status, body, _ = self.follow("/pkg/alias.bin")
        self.assertEqual((hops, status), (3, 200))
        self.assertEqual(body, self.files["a.bin"])
        statuses = [r["status"] for r in self.new_records()]
        self.assertEqual(statuses, [307, 307, 307, 200])

    def test_back_url_hop(self):
        target = self.svc.base + "/pkg/a.bin"
        for encode in (True, False):
            with self.subTest(encode=encode):
                self.svc.set_rules([{"path": "/pkg/cdn.bin", "redirect": "/pkg/a.bin",
                                     "back_url": True, "back_url_encode": encode}])
                status, headers, _ = self.request("GET", "/pkg/cdn.bin")
                self.assertEqual(status, 302)
                loc = headers["Location"]
                self.assertIn("back_url=", loc)
                after = loc.split("back_url=", 1)[1]
                self.assertEqual(after, quote(target, safe="") if encode else target)
                hops, status, body, locations = self.follow("/pkg/cdn.bin")
                self.assertEqual((hops, status, body), (2, 200, self.files["a.bin"]))
                self.assertEqual(unquote(locations[-1]), target)

    def test_relative_locations_are_sent_as_given_and_lead_to_the_file(self):
        for location in ("../pkg/a.bin", "a.bin", "./sub/../a.bin", "//127.0.0.1:{port}/pkg/a.bin"):
            with self.subTest(location=location):
                self.svc.set_rules([{"path": "/pkg/alias.bin", "redirect": location}])
                status, headers, _ = self.request("GET", "/pkg/alias.bin")
                sent = location.replace("{port}", str(self.svc.port))
                self.assertEqual((status, headers["Location"]), (302, sent))
                target = urlsplit(urljoin(self.svc.base + "/pkg/alias.bin", sent))
                status, _, body = self.request("GET", target.path)
                self.assertEqual((status, body), (200, self.files["a.bin"]))

    def test_redirect_loop_never_ends(self):
        self.svc.set_rules([{"path": "/pkg/loop.bin", "redirect_loop": True}])
        hops, status, _, locations = self.follow("/pkg/loop.bin", limit=12)
        self.assertIsNone(status)
        self.assertEqual(hops, 12)
        self.assertEqual(len(set(locations)), 12)


class BodyFaultTests(FakeServicesTestBase):
    def raw_get(self, path, timeout=5):
        """GET with "Connection: close" over a raw socket, read to the end.

        Returns (header bytes, body bytes, exception or None)."""
        s = socket.create_connection(("127.0.0.1", self.svc.port), timeout=timeout)
        s.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
                   % path).encode())
        buf = b""
        error = None
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                buf += chunk
        except (OSError, socket.timeout) as exc:
            error = exc
        finally:
            s.close()
        head, _, body = buf.partition(b"\r\n\r\n")
        return head, body, error

    def test_rate_limit_paces_body(self):
        self.svc.set_rules([{"path": "/pkg/two.bin", "rate": "1MiB"}])
        start = time.monotonic()
        status, _, body = self.request("GET", "/pkg/two.bin", timeout=10)
        elapsed = time.monotonic() - start
        self.assertEqual((status, body), (200, self.files["two.bin"]))
        self.assertGreater(elapsed, 2.0 * 0.85)
        self.assertLess(elapsed, 2.0 * 1.15)

    def test_reset_after_k_bytes_sends_rst(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "reset_after": 100000}])
        head, body, error = self.raw_get("/pkg/a.bin")
        self.assertIn(b"Content-Length: %d" % len(self.files["a.bin"]), head)
        self.assertIsInstance(error, ConnectionResetError)
        self.assertLessEqual(len(body), 100000)
        self.assertEqual(body, self.files["a.bin"][:len(body)])

    def test_close_after_k_bytes_gives_short_body(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "close_after": 70000}])
        head, body, error = self.raw_get("/pkg/a.bin")
        self.assertIsNone(error)
        self.assertEqual(body, self.files["a.bin"][:70000])

    def test_fault_only_on_nth_request(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "nth": [2, 3], "close_after": 10}])
        lengths = [len(self.raw_get("/pkg/a.bin")[1]) for _ in range(4)]
        full = len(self.files["a.bin"])
        self.assertEqual(lengths, [full, 10, 10, full])

    def test_stall_for_some_seconds_then_complete(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "stall_after": 1000, "stall_seconds": 0.4}])
        start = time.monotonic()
        status, _, body = self.request("GET", "/pkg/a.bin")
        self.assertGreaterEqual(time.monotonic() - start, 0.4)
        self.assertEqual((status, body), (200, self.files["a.bin"]))

    def test_stall_forever_until_client_hangs_up(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "stall_after": 5000}])
        head, body, error = self.raw_get("/pkg/a.bin", timeout=0.5)
        self.assertIsInstance(error, socket.timeout)
        self.assertEqual(body, self.files["a.bin"][:5000])
        status, _, _ = self.request("GET", "/pkg/two.bin", {"Range": "bytes=0-0"})
        self.assertEqual(status, 206)

    def test_ignore_range_answers_whole_file(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "ignore_range": True}])
        status, headers, body = self.request("GET", "/pkg/a.bin", {"Range": "bytes=0-99"})
        self.assertEqual((status, body), (200, self.files["a.bin"]))
        self.assertIsNone(headers["Content-Range"])

    def test_total_changes_only_on_second_request(self):
        size = len(self.files["a.bin"])
        self.svc.set_rules([{"name": "grow", "path": "/pkg/*.bin", "nth": 2, "total_delta": 7}])
        totals = []
        for _ in range(3):
            _, headers, body = self.request("GET", "/pkg/a.bin", {"Range": "bytes=0-99"})
            self.assertEqual(body, self.files["a.bin"][:100])
            totals.append(headers["Content-Range"])
        self.assertEqual(totals, ["bytes 0-99/%d" % size, "bytes 0-99/%d" % (size + 7),
                                  "bytes 0-99/%d" % size])
        self.assertEqual([r["rules"] for r in self.new_records()], [[], ["grow"], []])

    def test_drop_delay_status_and_headers(self):
        self.svc.set_rules([
            {"path": "/pkg/drop.bin", "drop": True},
            {"path": "/pkg/a.bin", "headers": {"CF-RAY": "8c1f-SJC", "CF-Cache-Status": "HIT"}},
            {"path": "/pkg/a.bin", "nth": 2, "status": 500},
            {"path": "/pkg/a.bin", "nth": 3, "delay": 0.3, "headers": [["X-Cache", "HIT from x{n}"]]},
        ])
        with self.assertRaises(http.client.RemoteDisconnected):
            self.request("GET", "/pkg/drop.bin")
        status, headers, _ = self.request("GET", "/pkg/a.bin", {"Range": "bytes=0-0"})
        self.assertEqual((status, headers["CF-RAY"], headers["CF-Cache-Status"]),
                         (206, "8c1f-SJC", "HIT"))
        status, headers, _ = self.request("GET", "/pkg/a.bin")
        self.assertEqual((status, headers["CF-RAY"]), (500, "8c1f-SJC"))
        start = time.monotonic()
        status, headers, _ = self.request("GET", "/pkg/a.bin", {"Range": "bytes=0-0"})
        self.assertGreaterEqual(time.monotonic() - start, 0.3)
        self.assertEqual((status, headers["X-Cache"]), (206, "HIT from x3"))


    def test_header_names_in_lower_or_upper_case(self):
        self.svc.set_rules([
            {"path": "/pkg/*", "header_case": "lower", "headers": {"CF-RAY": "8c1f-SJC"}},
            {"path": "/pkg/alias.bin", "redirect": "a.bin"},
            {"path": "/pkg/up.bin", "header_case": "upper", "file": "a.bin"},
        ])
        status, headers, body = self.request("GET", "/pkg/a.bin", {"Range": "bytes=10-19"})
        self.assertEqual((status, body), (206, self.files["a.bin"][10:20]))
        names = list(headers.keys())
        self.assertIn("content-range", names)
        self.assertIn("cf-ray", names)
        self.assertEqual(names, [n.lower() for n in names])
        status, headers, _ = self.request("HEAD", "/pkg/alias.bin")
        self.assertEqual((status, list(headers.keys())[-3:]), (302, ["location", "content-type", "content-length"]))
        status, headers, _ = self.request("GET", "/pkg/up.bin", {"Range": "bytes=999999-"})
        self.assertEqual(status, 416)
        self.assertIn("CONTENT-RANGE", list(headers.keys()))
        self.assertIn("header_case_lower", self.new_records()[0]["faults"])
        # Control answers keep their names; a bad case is refused whole.
        status, headers, _ = self.request("GET", "/__control/rules")
        self.assertIn("Content-Type", list(headers.keys()))
        status, _, body = self.request("POST", "/__control/rules",
                                       body=json.dumps([{"header_case": "title"}]))
        self.assertEqual(status, 400, body)


class ServiceTests(FakeServicesTestBase):
    def test_telemetry_sinks_answer_their_success_status(self):
        cases = [("/g/collect?v=2&cid=AB&tid=G-X", 204, b""),
                 ("/collect", 200, None), ("/collector", 200, None),
                 ("/api/exception/send", 200, None)]
        for path, expected, expected_body in cases:
            with self.subTest(path=path):
                status, _, body = self.request("POST", path, {"Content-Type": "application/json"},
                                               body=b'{"a": 1}')
                self.assertEqual(status, expected)
                if expected_body is not None:
                    self.assertEqual(body, expected_body)
                else:
                    self.assertEqual(json.loads(body)["code"], 200)

    def test_sink_faults_forced_by_rules(self):
        self.svc.set_rules([{"path": "/g/collect", "status": 200},
                            {"path": "/collect", "nth": 1, "drop": "rst"},
                            {"path": "/collect", "nth": 2, "status": 503}])
        status, _, body = self.request("POST", "/g/collect", body=b"")
        self.assertEqual((status, body), (200, b""))
        with self.assertRaises((ConnectionResetError, http.client.RemoteDisconnected)):
            self.request("POST", "/collect", body=b"{}")
        self.assertEqual(self.request("POST", "/collect", body=b"{}")[0], 503)
        self.assertEqual(self.request("POST", "/collect", body=b"{}")[0], 200)

    def test_download_information(self):
        q = "/queryDownloaderV2?LanguageId=0&SoftWareID=7&SiteID=3"
        status, headers, body = self.request("GET", q)
        self.assertEqual((status, body), (200, b"<Downloader><Md5>0123</Md5></Downloader>"))
        self.svc.set_rules([{"path": "/queryDownloaderV2", "query": "*SoftWareID=7*",
                             "file": "other.xml"}])
        self.assertEqual(self.request("GET", q)[2], b"<Downloader><Md5>4567</Md5></Downloader>")
        self.assertEqual(self.request("GET", q.replace("=7", "=8"))[2],
                         b"<Downloader><Md5>0123</Md5></Downloader>")
        self.svc.set_rules([{"path": "/queryDownloaderV2", "file": "absent.xml"}])
        self.assertEqual(self.request("GET", q)[0], 404)
        self.assertEqual(self.new_records()[0]["query"], "LanguageId=0&SoftWareID=7&SiteID=3")

    def test_download_information_made_from_a_package(self):
        q = "/queryDownloaderV2?LanguageId=1033&SoftWareID=642&SiteID=525&package_type=2"
        self.svc.set_rules([{"path": "/queryDownloaderV2", "package": "a.bin"}])
        status, _, body = self.request("GET", q)
        self.assertEqual(status, 200)
        text = body.decode("utf-8")
        start, end = text.index("<Downloader>"), text.index("</Downloader>")
        self.assertTrue(text[:start].strip() and text[end + 13:].strip(), "text around the element")
        element = text[start:end]
        data = self.files["a.bin"]
        self.assertIn("<Md5>%s</Md5>" % hashlib.md5(data).hexdigest(), element)
        self.assertIn("<Filesize>%d</Filesize>" % len(data), element)
        self.assertIn("<Download_url>%s/pkg/a.bin</Download_url>" % self.svc.base, element)
        self.assertIn("<Downloader_id>642</Downloader_id>", element)
        self.assertIn("<Site_id>525</Site_id>", element)
        self.assertIn("<Process_name>Velscape.exe\r\n</Process_name>", element)
        self.svc.set_rules([{"path": "/queryDownloaderV2", "error_page": True}])
        status, headers, body = self.request("GET", q)
        self.assertEqual(status, 200)
        self.assertTrue(headers["Content-Type"].startswith("text/html"))
        self.assertNotIn(b"<Downloader>", body)
        self.svc.set_rules([{"path": "/queryDownloaderV2", "package": "absent.bin"}])
        self.assertEqual(self.request("GET", q)[0], 404)

    def test_data_services(self):
        status, _, body = self.request("GET", "/kitDownloads?t=abc&package_type=2")
        self.assertEqual(status, 200)
        self.assertEqual(json.loads(body)["data"][0]["download"], self.svc.base + "/pkg/a.bin")
        status, _, body = self.request("GET", "/json")
        self.assertEqual(len(json.loads(body)["countryCode"]), 2)
        status, _, body = self.request("GET", signed("/api/v1/user_privacy_info?parent_pid=1"))
        self.assertEqual(json.loads(body)[0]["lang_code"], "en")
        banners = json.loads(self.request("GET", signed("/api/v1/banners?lang_code=en&parent_pid=1", "&type=1"))[2])
        status, _, picture = self.request("GET", urlsplit(banners[0]["banner_url"]).path)
        self.assertEqual((status, picture[:8]), (200, b"\x89PNG\r\n\x1a\n"))
        self.svc.set_rules([{"path": "/json", "body_json": {"countryCode": "CN"}}])
        self.assertEqual(json.loads(self.request("GET", "/json")[2]), {"countryCode": "CN"})
        status, _, _ = self.request("GET", "/no/such/route")
        self.assertEqual(status, 404)
        self.assertEqual(self.new_records()[-1]["path"], "/no/such/route")


    def test_signed_services_refuse_a_wrong_or_stale_signature(self):
        good = signed("/api/v1/user_privacy_info?parent_pid=9909")
        self.assertEqual(json.loads(self.request("GET", good)[2])[0]["lang_code"], "en")
        tampered = good.replace("parent_pid=9909", "parent_pid=9908")
        stale = signed("/api/v1/banners?lang_code=en&parent_pid=1", "&type=1", time.time() - 301)
        unsigned = "/api/v1/banners?lang_code=en&parent_pid=1&timestamp=%d&type=1" % time.time()
        for target in (tampered, stale, unsigned):
            status, _, body = self.request("GET", target)
            self.assertEqual((status, json.loads(body)), (200, {"code": 403}), target)
        self.assertEqual([r["faults"] for r in self.new_records()][-3:], [["bad_signature"]] * 3)
        # The salt is the program's: this digest was computed by the stub's tests.
        self.assertTrue(fake_services.signature_ok(
            "parent_pid=9909&timestamp=1700000000&verify=42cc67fec02727bed7f49261100a225b", now=1700000100))


class RecordAndRulesTests(FakeServicesTestBase):
    def test_record_lines_in_order_with_full_request(self):
        c1 = self.conn()
        c1.putrequest("GET", "/pkg/a.bin?x=1&y=%20")
        c1.putheader("Range", "bytes=10-19")
        c1.putheader("X-Dup", "one")
        c1.putheader("X-Dup", "two")
        c1.endheaders()
        c1.getresponse().read()
        c2 = self.conn()
        binary = bytes(range(256))
        c2.request("POST", "/api/exception/send", body=binary)
        c2.getresponse().read()
        c1.request("POST", "/collect", body="pid=5&type=2".encode())
        c1.getresponse().read()
        c1.close()
        c2.close()
        recs = self.new_records()
        self.assertEqual([(r["method"], r["path"]) for r in recs],
                         [("GET", "/pkg/a.bin"), ("POST", "/api/exception/send"),
                          ("POST", "/collect")])
        self.assertEqual([r["seq"] for r in recs], sorted(r["seq"] for r in recs))
        first, second, third = recs
        self.assertEqual(first["query"], "x=1&y=%20")
        self.assertEqual([v for k, v in first["headers"] if k == "X-Dup"], ["one", "two"])
        self.assertEqual((first["status"], first["range"], first["total"]),
                         (206, [10, 19], len(self.files["a.bin"])))
        self.assertEqual(base64.b64decode(second["body_b64"]), binary)
        self.assertIsNone(second["body_text"])
        self.assertEqual(third["body_text"], "pid=5&type=2")
        self.assertEqual(first["conn"], third["conn"])
        self.assertNotEqual(first["conn"], second["conn"])

    def test_rules_file_is_reread_when_it_changes(self):
        self.svc.write_rules_file([{"path": "/pkg/a.bin", "status": 404}])
        self.assertEqual(self.request("GET", "/pkg/a.bin")[0], 404)
        self.svc.write_rules_file({"rules": [{"path": "/pkg/a.bin", "status": 410}]})
        self.assertEqual(self.request("GET", "/pkg/a.bin")[0], 410)
        self.svc.write_rules_file([])
        self.assertEqual(self.request("GET", "/pkg/a.bin")[0], 200)

    def test_control_endpoint_sets_and_clears_rules(self):
        self.svc.set_rules([{"path": "/pkg/a.bin", "status": 404}])
        self.assertEqual(self.request("GET", "/pkg/a.bin")[0], 404)
        status, _, body = self.request("POST", "/__control/rules",
                                       body=b'[{"path": "/pkg/a.bin", "stauts": 500}]')
        self.assertEqual(status, 400, "a misspelt member must be refused")
        self.assertIn(b"stauts", body)
        self.assertEqual(self.request("GET", "/pkg/a.bin")[0], 404, "refused rules kept the old")
        self.svc.reset()
        self.assertEqual(self.request("GET", "/pkg/a.bin")[0], 200)


class LifecycleTests(unittest.TestCase):
    def test_sigterm_stops_cleanly_with_a_stalled_transfer(self):
        root, _ = make_root()
        try:
            with FakeServices(root, rules=[{"path": "/pkg/a.bin", "stall_after": 10}]) as svc:
                s = socket.create_connection(("127.0.0.1", svc.port), timeout=5)
                s.sendall(b"GET /pkg/a.bin HTTP/1.1\r\nHost: x\r\n\r\n")
                self.assertIn(b"200 OK", s.recv(4096))
                start = time.monotonic()
                self.assertEqual(svc.stop(), 0)
                self.assertLess(time.monotonic() - start, 3)
                s.close()
                self.assertEqual(svc.records()[0]["path"], "/pkg/a.bin")
        finally:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
