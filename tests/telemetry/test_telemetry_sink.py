"""Real telemetry requests against the local sink, checked byte for byte.

    python3 test_telemetry_sink.py --probe build/.../telemetry_probe [--runner scripts/wine-run.sh]

Each case copies the probe into a folder of its own with a
"zq_downloader.cfg" that points every service at the sink (and, for one
case, switches telemetry off), runs it in a working folder of its own
(where "proxy.txt" and "test" are looked up) and reads the sink's record.
"""

import argparse
import base64
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "fake_services"))
sys.path.insert(0, HERE)
from fakesvc import FakeServices  # noqa: E402
from tiny_proxy import TinyProxy  # noqa: E402

PROBE = None
RUNNER = []

QUERY_TAIL_84 = ("&tid=G-Q4WJN82RZD&ep.zq_productname=Downloader&ep.zq_productversion=1.0.0.0"
                 "&ep.zq_category=DownloadTime&ep.zq_action=CDN&ep.zq_label=%5b21~30s%5d&en=CDN"
                 "&ep.cd1=1.0.0.0&ep.cd2=PPC&ep.cd3=GoogleSearch&ep.cd4=Lumevia&ep.cd5=United%20States"
                 "&ep.cd6=English&ep.cd7=Windows%2010%2064bit&ep.cd8=1")
JSON_HEADER = "application/json; charset=utf-8"


def native_path(path):
    """The path as the probe sees it (a Z: path under Wine)."""
    if RUNNER:
        return "Z:" + path.replace("/", "\\")
    return path


class SinkCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="telemetry-sink-")
        self.bin = os.path.join(self.tmp, "bin")
        self.work = os.path.join(self.tmp, "work")
        self.galog = os.path.join(self.tmp, "galog")
        for d in (self.bin, self.work, self.galog, os.path.join(self.tmp, "root")):
            os.makedirs(d)
        self.probe = os.path.join(self.bin, os.path.basename(PROBE))
        shutil.copy2(PROBE, self.probe)

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def sink(self, rules=None):
        return FakeServices(os.path.join(self.tmp, "root"), rules=rules or [])

    def configure(self, base, autorun=False):
        with open(os.path.join(self.bin, "zq_downloader.cfg"), "w") as f:
            f.write("[Settings]\r\nAutoRun=%d\r\n[Endpoints]\r\nServiceBase=%s\r\n" % (1 if autorun else 0, base))

    def run_probe(self, *args, timeout=120):
        start = time.monotonic()
        out = subprocess.run(RUNNER + [self.probe] + list(args), cwd=self.work, capture_output=True,
                             timeout=timeout, text=True, errors="replace")
        self.elapsed = time.monotonic() - start
        self.assertEqual(out.returncode, 0, out.stderr)
        facts = {}
        for line in out.stdout.splitlines():
            if "=" in line:
                k, v = line.strip().split("=", 1)
                facts[k] = v
        return facts

    def events(self, *extra, **kw):
        return self.run_probe("events", "--galog", native_path(self.galog), "--date", "2026-12-08", *extra, **kw)

    @staticmethod
    def hits(records, path="/g/collect"):
        return [r for r in records if r["path"] == path]

    @staticmethod
    def payloads(records, path="/collect"):
        return [json.loads(base64.b64decode(r["body_b64"]).decode("utf-8")) for r in records if r["path"] == path]

    def check_ga4_request(self, rec):
        self.assertEqual(rec["method"], "POST")
        headers = {k.lower(): v for k, v in rec["headers"]}
        self.assertEqual(headers.get("content-type"), JSON_HEADER)
        self.assertEqual(rec["body_len"], 0)
        m = re.match(r"^v=2&cid=([0-9A-F]*)(&tid=.*)$", rec["query"])
        self.assertIsNotNone(m, rec["query"])
        return m.group(2)


class EventsAgainstSink(SinkCase):
    def test_hits_and_records_byte_for_byte(self):
        with self.sink() as svc:
            self.configure(svc.base)
            facts = self.events("--site", "84")
            records = svc.records()
        self.assertEqual(facts["results"], "0,0,0,0,0,0,0,")
        self.assertEqual(facts["pending"], "0,0")
        self.assertEqual(facts["is_new"], "1")
        tails = [self.check_ga4_request(r) for r in self.hits(records)]
        self.assertEqual(len(tails), 5)
        self.assertEqual(tails[0], QUERY_TAIL_84)
        self.assertIn("&ep.zq_category=Download&ep.zq_action=1.Launch&ep.zq_label=&en=1.Launch&", tails[1])
        self.assertIn("&ep.zq_action=FlowError&ep.zq_label=DL010&en=FlowError&", tails[2])
        self.assertIn("&ep.zq_label=DL011&", tails[3])
        self.assertIn("&ep.zq_category=CrashRate&ep.zq_action=Close&ep.zq_label=&", tails[4])

        posts = [r for r in records if r["path"] == "/collect"]
        for r in posts:
            self.assertEqual(r["method"], "POST")
            self.assertEqual({k.lower(): v for k, v in r["headers"]}.get("content-type"), JSON_HEADER)
        payloads = self.payloads(records)
        steps = [(p["actions"].get("core_func_name"), p["actions"].get("func_step"), p["actions"]["event_action"])
                 for p in payloads]
        self.assertEqual(steps, [("FlowError", 0, "CoreFuncStart"), ("FlowError", 1, "DL010"),
                                 ("FlowError", 2, "DL011"), ("FlowError", 0, "CoreFuncEnd"),
                                 (None, None, "DownloadConfigReady"), ("Downloading", 1, "Downloading_3")])
        first = payloads[0]
        self.assertEqual(first["version"], "2.0")
        common = first["common"]
        self.assertRegex(common["uid"], r"^([0-9a-f]{32})?$")
        self.assertRegex(common["session_id"], r"^[0-9A-Fa-f]{32}$")
        self.assertEqual(len({p["common"]["session_id"] for p in payloads}), 1)
        self.assertRegex(common["mac"], r"^([0-9A-F]{12})?$")
        self.assertEqual(common["os"], "Win")
        self.assertRegex(common["os_version"], r" x(64|32)$")
        self.assertEqual((common["pid"], common["is_new"], common["product"], common["product_version"]),
                         (42, 1, "Lumevia", "3.2.1"))
        self.assertEqual((common["brand"], common["model"], common["channel"]), ("PC", "PC", ""))
        self.assertEqual((common["cross_end_id"], common["rnclid"], common["source_type"]),
                         ("1234", "1234", "downloader"))
        self.assertEqual((common["tools_version"], common["tools_lang"], common["kit_type"]), ("1.0.0.0", "en", 0))
        self.assertIsNone(common["is_vip"])
        self.assertIsInstance(first["ts"], int)
        self.assertEqual(payloads[4]["actions"]["DownloadConfigReadyCDN"], "Download_url")
        self.assertEqual(payloads[5]["common"]["kit_type"], 2)
        with open(os.path.join(self.galog, "galog.json")) as f:
            self.assertEqual(json.load(f)["version"], "1.0.0.0")

    def test_seo_site_and_toolkit_marks(self):
        with self.sink() as svc:
            self.configure(svc.base)
            self.events("--site", "3", "--toolkit", "1")
            records = svc.records()
        tail = self.check_ga4_request(self.hits(records)[0])
        self.assertIn("&ep.cd2=SEO&ep.cd3=3&", tail)
        self.assertTrue(tail.endswith("&ep.cd8=0"), tail)
        kit = [p["common"]["kit_type"] for p in self.payloads(records)]
        self.assertEqual(kit, [1, 1, 1, 1, 1, 2])

    def test_two_runs_on_one_day_are_new_then_known(self):
        with self.sink() as svc:
            self.configure(svc.base)
            self.assertEqual(self.events()["is_new"], "1")
            self.assertEqual(self.events()["is_new"], "0")
            records = svc.records()
        is_new = [p["common"]["is_new"] for p in self.payloads(records)]
        self.assertEqual(is_new, [1] * 6 + [0] * 6)

    def test_test_marker_sends_records_to_the_test_collector(self):
        open(os.path.join(self.work, "test"), "w").close()
        with self.sink() as svc:
            self.configure(svc.base)
            self.events()
            records = svc.records()
        self.assertEqual(len([r for r in records if r["path"] == "/collector"]), 6)
        self.assertEqual(len([r for r in records if r["path"] == "/collect"]), 0)
        self.assertEqual(len(self.hits(records)), 5)

    def test_proxy_file_routes_requests_through_the_proxy(self):
        with self.sink() as svc, TinyProxy() as proxy:
            with open(os.path.join(self.work, "proxy.txt"), "w") as f:
                f.write("127.0.0.1:%d and further words\n" % proxy.port)
            self.configure(svc.base)
            facts = self.events()
            records = svc.records()
            seen = proxy.seen
        self.assertEqual(facts["results"], "0,0,0,0,0,0,0,")
        self.assertEqual(len(seen), 11)
        self.assertTrue(all(s["target"].startswith(svc.base + "/") for s in seen), seen)
        self.assertEqual(len(records), 11)

    def test_off_switch_sends_nothing(self):
        with self.sink() as svc:
            self.configure(svc.base, autorun=True)
            facts = self.events()
            records = svc.records()
        self.assertEqual(facts["results"], "-99,-99,-99,-99,-99,-99,-99,")
        self.assertEqual(records, [])
        self.assertLess(float(facts["exit_ms"]), 1000)
        self.assertTrue(os.path.exists(os.path.join(self.galog, "galog.json")))


class FaultsAgainstSink(SinkCase):
    def test_answers_that_count_as_failures(self):
        with self.sink([{"path": "/g/collect", "status": 200}, {"path": "/collect", "status": 204}]) as svc:
            self.configure(svc.base)
            self.assertEqual(self.run_probe("ga4", "&tid=x")["rc"], "-1")
            self.assertEqual(self.run_probe("funnel", "{}")["rc"], "4")
            self.assertEqual(self.run_probe("ga4", "")["rc"], "254")
            records = svc.records()
        self.assertEqual([r["path"] for r in records], ["/g/collect", "/collect"])

    def test_record_that_is_not_json_still_gives_defaults(self):
        with self.sink() as svc:
            self.configure(svc.base)
            self.assertEqual(self.run_probe("funnel", "not json {")["rc"], "0")
            payload = self.payloads(svc.records())[0]
        c = payload["common"]
        self.assertEqual((c["pid"], c["is_new"], c["product"], c["kit_type"]), (0, 0, "", ""))
        self.assertIsNone(payload["actions"])
        self.assertNotIn("start", payload)

    def test_dropping_sink_spends_the_budgets_then_drops(self):
        rules = [{"path": "/g/collect", "drop": True}, {"path": "/collect", "drop": True}]
        with self.sink(rules) as svc:
            self.configure(svc.base)
            facts = self.events("--timeouts", "2", "3")
            records = svc.records()
        self.assertEqual(facts["pending"], "0,0")
        actions = [re.search(r"&ep\.zq_action=([^&]*)", r["query"]).group(1) for r in self.hits(records)]
        self.assertEqual(actions, ["CDN", "1.Launch", "FlowError", "FlowError", "Close", "CDN", "1.Launch",
                                   "FlowError"])
        self.assertEqual(len([r for r in records if r["path"] == "/collect"]), 6 + 3)

    def test_sink_down_costs_at_most_the_time_outs(self):
        with self.sink() as svc:
            port = svc.port
        self.configure("http://127.0.0.1:%d" % port)     # nothing listens any more
        facts = self.events("--timeouts", "2", "3")
        self.assertEqual(facts["pending"], "0,0")
        self.assertLess(self.elapsed, 60)

    def test_hanging_sink_and_the_exit_bound(self):
        rules = [{"path": "/g/collect", "delay": 30}, {"path": "/collect", "delay": 30}]
        with self.sink(rules) as svc:
            self.configure(svc.base)
            facts = self.events("--timeouts", "1", "2", "--exit-wait", "3000", timeout=60)
        # Each request ends at its 2 s time-out; the wait for the queue ends at 3 s.
        self.assertLess(float(facts["exit_ms"]), 6000)
        self.assertNotEqual(facts["pending"], "0,0")
        self.assertLess(self.elapsed, 20)


def main():
    global PROBE, RUNNER
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--runner", default="")
    args, rest = parser.parse_known_args()
    PROBE = os.path.abspath(args.probe)
    RUNNER = [os.path.abspath(args.runner)] if args.runner else []
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
