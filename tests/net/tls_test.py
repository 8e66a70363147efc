"""The certificate policy against a local HTTPS server whose certificate is
self-signed (made here with openssl).

    python3 tls_test.py --probe net_probe --noverify-probe net_probe_noverify
                        --nohooks-probe net_probe_nohooks
                        [--runner scripts/wine-run.sh] [--default-verifies 0|1]

The default build (net_probe, test hooks on) must refuse every kind of
transfer with libcurl's certificate error, also when it trusts another CA
(LUMEVIA_TEST_CA_FILE), and, trusting the server's own certificate that way,
accept the server by its name but not by its address. The build with the
checks turned off (net_probe_noverify, LUMEVIA_VERIFY_TLS=0) completes every
kind. A program without test hooks (net_probe_nohooks, as shipped) never
reads LUMEVIA_TEST_CA_FILE.

Under Wine, Schannel checks nothing by itself (its automatic validation
accepts any certificate), so there the refusal without a CA file is not
seen; the checks against a CA file are Schannel's own chain and name checks.
"""

import argparse
import http.server
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import unittest

PROBE = NOVERIFY_PROBE = NOHOOKS_PROBE = None
RUNNER = []
DEFAULT_VERIFIES = True
CERT_ERROR = 60  # CURLE_PEER_FAILED_VERIFICATION
BODY = bytes(range(256)) * 4
KINDS = ("get", "head", "range", "post", "report")


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def _answer(self, with_body):
        status, data = 200, BODY
        rng = self.headers.get("Range", "")
        if rng.startswith("bytes="):
            first, last = (int(x) for x in rng[6:].split("-"))
            status, data = 206, BODY[first:last + 1]
        self.send_response(status)
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, len(BODY)))
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if with_body:
            self.wfile.write(data)

    def do_GET(self):
        self._answer(True)

    def do_HEAD(self):
        self._answer(False)

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length") or 0))
        self.send_response(200)
        self.send_header("Content-Length", "2")
        self.end_headers()
        self.wfile.write(b"{}")


def make_certificate(folder, name):
    """A self-signed certificate for the host name "localhost"."""
    cert, key = os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost"],
                   check=True, capture_output=True)
    return cert, key


def probe_path(path):
    return "Z:" + path.replace("/", "\\") if RUNNER else path


class TlsPolicy(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="net-tls-")
        cls.cert, key = make_certificate(cls.tmp, "server")
        cls.other_ca, _ = make_certificate(cls.tmp, "other")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cls.cert, key)
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        cls.server.socket = context.wrap_socket(cls.server.socket, server_side=True)
        cls.port = cls.server.server_address[1]
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def run_probe(self, probe, kind, host="localhost", ca=None):
        env = dict(os.environ)
        env.pop("LUMEVIA_TEST_CA_FILE", None)
        if ca:
            env["LUMEVIA_TEST_CA_FILE"] = probe_path(ca)
        url = "https://%s:%d/file.bin" % (host, self.port)
        out = subprocess.run(RUNNER + [probe, kind, url], capture_output=True, text=True, timeout=120, env=env,
                             cwd=self.tmp)
        self.assertEqual(out.returncode, 0, out.stderr)
        facts = dict(part.split("=", 1) for part in out.stdout.split() if "=" in part)
        return {k: int(v) for k, v in facts.items()}

    def expect_refused(self, probe, kind, **kw):
        self.assertEqual(self.run_probe(probe, kind, **kw)["rc"], CERT_ERROR, kind)

    def expect_accepted(self, probe, kind, **kw):
        facts = self.run_probe(probe, kind, **kw)
        self.assertEqual(facts["rc"], 0, kind)
        expected = {"get": len(BODY), "range": 100, "post": 2, "report": 2, "head": 0}[kind]
        self.assertEqual(facts["bytes"], expected, kind)
        if kind in ("head", "report"):
            self.assertEqual(facts["status"], 200, kind)

    def test_default_build_refuses_the_self_signed_server(self):
        if RUNNER and DEFAULT_VERIFIES:
            self.skipTest("Wine's Schannel does not validate certificates by itself")
        for kind in KINDS:
            with self.subTest(kind=kind):
                if DEFAULT_VERIFIES:
                    self.expect_refused(PROBE, kind)
                else:
                    self.expect_accepted(PROBE, kind)

    def test_build_without_checks_accepts_the_self_signed_server(self):
        for kind in KINDS:
            with self.subTest(kind=kind):
                self.expect_accepted(NOVERIFY_PROBE, kind)

    def test_default_build_refuses_a_server_another_ca_did_not_sign(self):
        self.needs_checks()
        for kind in KINDS:
            with self.subTest(kind=kind):
                self.expect_refused(PROBE, kind, ca=self.other_ca)

    def test_default_build_checks_the_name_against_a_trusted_ca(self):
        self.needs_checks()
        for kind in ("get", "report"):
            with self.subTest(kind=kind):
                self.expect_accepted(PROBE, kind, ca=self.cert)
                self.expect_refused(PROBE, kind, host="127.0.0.1", ca=self.cert)

    def test_a_program_without_test_hooks_ignores_the_test_ca_file(self):
        self.needs_checks()
        for kind in ("get", "report"):
            with self.subTest(kind=kind):
                if RUNNER:
                    # The other CA would refuse the server (see above); Wine's
                    # own validation accepts it: the file was never read.
                    self.expect_accepted(NOHOOKS_PROBE, kind, ca=self.other_ca)
                else:
                    # The server's own certificate would be trusted; the
                    # system's bundle does not know it.
                    self.expect_refused(NOHOOKS_PROBE, kind, ca=self.cert)

    def needs_checks(self):
        if not DEFAULT_VERIFIES:
            self.skipTest("this tree was configured with LUMEVIA_VERIFY_TLS=OFF")


def main():
    global PROBE, NOVERIFY_PROBE, NOHOOKS_PROBE, RUNNER, DEFAULT_VERIFIES
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--noverify-probe", required=True)
    parser.add_argument("--nohooks-probe", required=True)
    parser.add_argument("--runner", default="")
    parser.add_argument("--default-verifies", default="1")
    args, rest = parser.parse_known_args()
    PROBE = os.path.abspath(args.probe)
    NOVERIFY_PROBE, NOHOOKS_PROBE = os.path.abspath(args.noverify_probe), os.path.abspath(args.nohooks_probe)
    RUNNER = [os.path.abspath(args.runner)] if args.runner else []
    DEFAULT_VERIFIES = args.default_verifies.upper() in ("1", "ON", "TRUE", "YES")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
