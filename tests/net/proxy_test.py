"""Real transfers through the user's proxy settings, counted by a tiny proxy.

    python3 proxy_test.py --probe net_probe --fetch lumevia-fetch [--runner scripts/wine-run.sh]

Natively the settings live in the POSIX store (LUMEVIA_POSIX_ROOT/proxy/ie.ini);
under Wine in the user's Internet settings in the registry of a Wine prefix of
this test's own (LUMEVIA_WINEPREFIX + "-net"), so that no other test running
at the same time is sent through the proxy. Each case writes the settings,
then runs fresh processes (the settings are read once per process).
"""

import argparse
import hashlib
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "fake_services"))
sys.path.insert(0, os.path.join(HERE, "..", "telemetry"))
from fakesvc import FakeServices  # noqa: E402
from tiny_proxy import TinyProxy  # noqa: E402

PROBE = FETCH = None
RUNNER = []
PACKAGE = bytes((i * 7 + 3) % 251 for i in range(3 * 1024 * 1024 + 5))
INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"


def dead_port():
    """A port of 127.0.0.1 where nothing listens."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Settings:
    """Writes the user's proxy settings where the probe's platform reads them."""

    def __init__(self, tmp):
        self.env = dict(os.environ)
        if RUNNER:
            base = os.environ.get("LUMEVIA_WINEPREFIX", "/var/cache/lumevia/wineprefix")
            self.env["LUMEVIA_WINEPREFIX"] = base + "-net"
        else:
            self.env["LUMEVIA_POSIX_ROOT"] = os.path.join(tmp, "posix")

    def write(self, proxy="", bypass="", script=""):
        if RUNNER:
            self._write_registry(proxy, bypass, script)
            return
        folder = os.path.join(self.env["LUMEVIA_POSIX_ROOT"], "proxy")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "ie.ini"), "w") as f:
            f.write("[Proxy]\nAutoConfigUrl=%s\nProxy=%s\nProxyBypass=%s\n" % (script, proxy, bypass))

    def _write_registry(self, proxy, bypass, script):
        # WinHTTP reads the binary DefaultConnectionSettings; the plain values
        # are what the Internet settings dialog keeps beside it.
        flags = 1 | (2 if proxy else 0) | (4 if script else 0)
        blob = struct.pack("<III", 0x46, 1, flags)
        for text in (proxy, bypass, script):
            raw = text.encode("ascii")
            blob += struct.pack("<I", len(raw)) + raw
        blob += b"\0" * 32
        self._reg(INTERNET_SETTINGS + r"\Connections", "DefaultConnectionSettings", "REG_BINARY", blob.hex())
        self._reg(INTERNET_SETTINGS, "ProxyEnable", "REG_DWORD", "1" if proxy else "0")
        self._reg(INTERNET_SETTINGS, "ProxyServer", "REG_SZ", proxy)
        self._reg(INTERNET_SETTINGS, "ProxyOverride", "REG_SZ", bypass)

    def _reg(self, key, name, kind, data):
        subprocess.run(RUNNER + ["reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"], env=self.env,
                       check=True, capture_output=True, timeout=120)


class ProxyCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="net-proxy-")
        root = os.path.join(self.tmp, "root")
        os.makedirs(root)
        with open(os.path.join(root, "pkg.bin"), "wb") as f:
            f.write(PACKAGE)
        self.settings = Settings(self.tmp)
        self.svc = FakeServices(root).start()
        self.proxy = TinyProxy().__enter__()

    def tearDown(self):
        self.proxy.__exit__(None, None, None)
        self.svc.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def run_exe(self, exe, *args):
        out = subprocess.run(RUNNER + [exe] + list(args), capture_output=True, text=True, errors="replace",
                             timeout=300, env=self.settings.env, cwd=self.tmp)
        self.assertEqual(out.returncode, 0, out.stderr)
        return dict(part.split("=", 1) for part in out.stdout.split() if "=" in part and "://" not in part), out

    def probe(self, kind, url, *extra):
        facts, _ = self.run_exe(PROBE, kind, url, *extra)
        return {k: int(v) for k, v in facts.items()}

    def download(self):
        target = os.path.join(self.tmp, "pkg.bin")
        path = "Z:" + target.replace("/", "\\") if RUNNER else target
        facts, _ = self.run_exe(FETCH, self.svc.base + "/pkg/pkg.bin", path)
        self.assertEqual(facts["result"], "1")
        self.assertEqual(facts["md5"], hashlib.md5(PACKAGE).hexdigest())

    def through_proxy(self, path):
        return [s for s in self.proxy.seen if s["target"].split("?")[0].endswith(path)]

    def proxy_address(self):
        return "127.0.0.1:%d" % self.proxy.port


class ThroughTheProxy(ProxyCase):
    def test_download_and_service_get_pass_the_proxy(self):
        self.settings.write(proxy=self.proxy_address(), bypass="<local>")
        self.download()
        methods = [s["method"] for s in self.through_proxy("/pkg/pkg.bin")]
        self.assertIn("HEAD", methods)  # the size probe
        self.assertGreaterEqual(methods.count("GET"), 3)  # the slices of a file of 3 MiB and a bit
        facts = self.probe("get", self.svc.base + "/json")
        self.assertEqual(facts["rc"], 0)
        self.assertGreater(facts["bytes"], 0)
        self.assertEqual(len(self.through_proxy("/json")), 1)

    def test_scheme_entries_pick_the_http_proxy(self):
        self.settings.write(proxy="https=127.0.0.1:%d;http=%s" % (dead_port(), self.proxy_address()))
        self.assertEqual(self.probe("head", self.svc.base + "/pkg/pkg.bin")["status"], 200)
        self.assertEqual([s["method"] for s in self.through_proxy("/pkg/pkg.bin")], ["HEAD"])

    def test_telemetry_post_uses_the_system_proxy_and_the_proxy_file_wins(self):
        self.settings.write(proxy=self.proxy_address())
        facts = self.probe("report", self.svc.base + "/g/collect")
        self.assertEqual((facts["rc"], facts["status"]), (0, 204))
        self.assertEqual(len(self.through_proxy("/g/collect")), 1)
        # The proxy file's address (here a second proxy) is taken instead.
        with TinyProxy() as second:
            facts = self.probe("report", self.svc.base + "/g/collect", "127.0.0.1:%d" % second.port)
            self.assertEqual((facts["rc"], facts["status"]), (0, 204))
            self.assertEqual(len(second.seen), 1)
        self.assertEqual(len(self.through_proxy("/g/collect")), 1)


class AroundTheProxy(ProxyCase):
    def test_bypassed_host_goes_direct(self):
        self.settings.write(proxy=self.proxy_address(), bypass="<local>;127.0.0.*")
        self.download()
        facts = self.probe("get", self.svc.base + "/json")
        self.assertEqual(facts["rc"], 0)
        self.assertEqual(self.proxy.seen, [])
        self.assertTrue(any(r["path"] == "/json" for r in self.svc.records()))

    def test_bypassed_host_keeps_the_environments_proxy(self):
        # The settings name no proxy for the address: libcurl's defaults, the
        # environment's proxy variables, decide.
        self.settings.write(proxy="127.0.0.1:%d" % dead_port(), bypass="127.0.0.*")
        for name in ("no_proxy", "NO_PROXY"):
            self.settings.env.pop(name, None)
        self.settings.env["http_proxy"] = "http://" + self.proxy_address()
        facts = self.probe("get", self.svc.base + "/json")
        self.assertEqual(facts["rc"], 0)
        self.assertEqual(len(self.through_proxy("/json")), 1)

    def test_dead_proxy_is_skipped_once_per_transfer(self):
        self.settings.write(proxy="127.0.0.1:%d" % dead_port())
        self.download()
        for kind, path in (("get", "/json"), ("post", "/api/exception/send"), ("report", "/g/collect")):
            with self.subTest(kind=kind):
                self.assertEqual(self.probe(kind, self.svc.base + path)["rc"], 0)
        paths = [r["path"] for r in self.svc.records()]
        self.assertEqual(paths.count("/json"), 1)
        self.assertEqual(paths.count("/api/exception/send"), 1)

    def test_script_chooses_per_host(self):
        with open(os.path.join(self.svc.root, "proxy.pac"), "w") as f:
            f.write('function FindProxyForURL(url, host) {\n'
                    '  return host == "127.0.0.1" ? "PROXY %s" : "DIRECT";\n}\n' % self.proxy_address())
        self.settings.write(script=self.svc.base + "/proxy.pac")
        local = self.svc.base.replace("127.0.0.1", "localhost")
        self.assertEqual(self.probe("get", self.svc.base + "/json")["rc"], 0)
        self.assertEqual(self.probe("get", local + "/json")["rc"], 0)
        # Scripts are run through WinHTTP; the POSIX stand-in runs none and
        # leaves every transfer direct.
        self.assertEqual(len(self.through_proxy("/json")), 1 if RUNNER else 0)

    def test_window_reads_the_settings(self):
        self.settings.write(proxy=self.proxy_address(), bypass="<local>")
        facts, out = self.run_exe(PROBE, "ieproxy")
        self.assertEqual(facts["result"], "3")
        self.assertIn(" Proxy info2: " + self.proxy_address(), out.stdout)
        self.assertIn(" Proxy info3: <local>", out.stdout)
        self.assertRegex(out.stdout, r" Get proxy: 1, \d+")


def main():
    global PROBE, FETCH, RUNNER
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--fetch", required=True)
    parser.add_argument("--runner", default="")
    args, rest = parser.parse_known_args()
    PROBE, FETCH = os.path.abspath(args.probe), os.path.abspath(args.fetch)
    RUNNER = [os.path.abspath(args.runner)] if args.runner else []
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
