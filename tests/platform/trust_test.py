#!/usr/bin/env python3
"""The platform's signature check on real signatures: a small program image is
signed with test certificates made here (openssl, osslsigncode), then
trust_probe judges the copies through the file it holds open:

- signed by a code-signing certificate of a test root: trusted once the root
  is trusted, with the signer's subject attribute by attribute;
- unsigned, altered after signing, not a program;
- signed by a self-signed publisher, by a publisher of a root nobody trusts,
  and by a certificate of the trusted root that is not for code signing.

    trust_test.py --probe PATH --make-pe PATH [--runner EMULATOR]

Natively the root goes into the stand-in's trusted roots (chain and use are
checked there); under Wine (a runner given) the system judges, and Wine
trusts any root, so only the subjects and the hash rule are checked."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

NO_SIGNATURE = 0x800B0100
BAD_DIGEST = 0x80096010
FORM_UNKNOWN = 0x800B0003
UNTRUSTED_ROOT = 0x800B0109
WRONG_USAGE = 0x800B0110
SIGNER = "2.5.4.6=DE|2.5.4.10=Lumevia, Ltd|2.5.4.3=Lumevia Test Signer \u00dc"
OTHER = "2.5.4.3=Other Test Publisher"


def run(cmd, **kw):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


def make_ca(work, name, subject):
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{work}/{name}.key",
         "-out", f"{work}/{name}.pem", "-days", "2", "-subj", subject,
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"])


def issue(work, name, subject, ca, usage):
    run(["openssl", "req", "-utf8", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{work}/{name}.key",
         "-out", f"{work}/{name}.csr", "-subj", subject])
    with open(f"{work}/{name}.cnf", "w") as f:
        f.write(f"basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage={usage}\n")
    run(["openssl", "x509", "-req", "-in", f"{work}/{name}.csr", "-CA", f"{work}/{ca}.pem",
         "-CAkey", f"{work}/{ca}.key", "-CAcreateserial", "-out", f"{work}/{name}.pem", "-days", "2",
         "-extfile", f"{work}/{name}.cnf"])


def sign(work, cert, out, chain=None):
    extra = ["-ac", f"{work}/{chain}.pem"] if chain else []
    run(["osslsigncode", "sign", "-certs", f"{work}/{cert}.pem", *extra, "-key", f"{work}/{cert}.key",
         "-in", f"{work}/plain.exe", "-out", f"{work}/{out}"])


def make_files(work, make_pe):
    run([sys.executable, make_pe, f"{work}/plain.exe"])
    make_ca(work, "ca", "/CN=Lumevia Test Root")
    make_ca(work, "ca2", "/CN=Nobody's Root")
    issue(work, "signer", "/C=DE/O=Lumevia\\, Ltd/CN=Lumevia Test Signer \u00dc", "ca", "codeSigning")
    issue(work, "foreign", "/CN=Lumevia Test Signer", "ca2", "codeSigning")
    issue(work, "server", "/CN=Lumevia Test Signer", "ca", "serverAuth")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{work}/other.key",
         "-out", f"{work}/other.pem", "-days", "2", "-subj", "/CN=Other Test Publisher",
         "-addext", "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning"])
    sign(work, "signer", "signed.exe", "ca")
    sign(work, "foreign", "foreign.exe", "ca2")
    sign(work, "server", "server.exe", "ca")
    sign(work, "other", "selfsigned.exe")
    data = bytearray(open(f"{work}/signed.exe", "rb").read())
    data[data.find(b"lumevia test image")] ^= 1
    open(f"{work}/altered.exe", "wb").write(bytes(data))
    with open(f"{work}/notes.txt", "w") as f:
        f.write("not a program\n")


def judge(args, work, names, env):
    def where(name):
        path = os.path.join(work, name)
        return "Z:" + path.replace("/", "\\") if args.runner else path
    cmd = ([args.runner] if args.runner else []) + [args.probe]
    out = subprocess.run(cmd + [where(n) for n in names], check=True, capture_output=True, env=env,
                         timeout=300).stdout.decode("utf-8")
    answers = {}
    for name, line in zip(names, out.splitlines()):
        fields = dict(part.split("=", 1) for part in line.rstrip("\r").split(" ", 3))
        answers[name] = (int(fields["result"], 16), int(fields["lastError"], 16), fields["held"] == "1",
                         fields["signer"])
    if len(answers) != len(names):
        raise AssertionError(f"probe answered {out!r}")
    return answers


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--probe", required=True)
    ap.add_argument("--make-pe", required=True)
    ap.add_argument("--runner", default="")
    args = ap.parse_args()
    if not shutil.which("osslsigncode") or not shutil.which("openssl"):
        print("osslsigncode and openssl are needed", file=sys.stderr)
        return 1
    failures = []

    def check(what, got, want):
        if got != want:
            failures.append(f"{what}: got {got!r}, want {want!r}")

    with tempfile.TemporaryDirectory(prefix="lumevia-trust-") as work:
        make_files(work, args.make_pe)
        root = os.path.join(work, "root")
        env = dict(os.environ, LUMEVIA_POSIX_ROOT=root)
        names = ["signed.exe", "plain.exe", "altered.exe", "notes.txt", "selfsigned.exe", "foreign.exe",
                 "server.exe"]
        if not args.runner:
            # No trusted roots yet: the hash holds, the chain does not.
            a = judge(args, work, ["signed.exe"], env)["signed.exe"]
            check("no roots: result", a[0], UNTRUSTED_ROOT)
            check("no roots: signer", a[3], SIGNER)
            os.makedirs(os.path.join(root, "trust"))
            shutil.copy(os.path.join(work, "ca.pem"), os.path.join(root, "trust", "roots.pem"))
        a = judge(args, work, names, env)
        check("signed: result", a["signed.exe"][0], 0)
        check("signed: held", a["signed.exe"][2], True)
        check("signed: signer", a["signed.exe"][3], SIGNER)
        check("unsigned: result", a["plain.exe"][0], NO_SIGNATURE)
        check("unsigned: last error", a["plain.exe"][1], NO_SIGNATURE)
        check("unsigned: signer", a["plain.exe"][3], "")
        check("altered: result", a["altered.exe"][0], BAD_DIGEST)
        check("altered: last error", a["altered.exe"][1], BAD_DIGEST)
        check("not a program: result", a["notes.txt"][0], FORM_UNKNOWN)
        check("self-signed: signer", a["selfsigned.exe"][3], OTHER)
        if not args.runner:
            check("self-signed: result", a["selfsigned.exe"][0], UNTRUSTED_ROOT)
            check("root not trusted: result", a["foreign.exe"][0], UNTRUSTED_ROOT)
            check("not for code signing: result", a["server.exe"][0], WRONG_USAGE)

    for f in failures:
        print("FAIL", f)
    print("trust checks:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
