#!/usr/bin/env python3
"""The platform's signature check on real signatures: a small program image is
signed with a test CA made here (openssl, osslsigncode), then trust_probe
judges the signed, unsigned and altered copies.

    trust_test.py --probe PATH --make-pe PATH [--runner EMULATOR]

Natively the CA is put into the stand-in's trusted roots for the chain check;
under Wine (a runner given) the system judges, and Wine trusts any root."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

NO_SIGNATURE = 0x800B0100
BAD_DIGEST = 0x80096010
FORM_UNKNOWN = 0x800B0003
SIGNER = "Lumevia Test Signer"


def run(cmd, **kw):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


def make_files(work, make_pe):
    run([sys.executable, make_pe, f"{work}/plain.exe"])
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{work}/ca.key",
         "-out", f"{work}/ca.pem", "-days", "2", "-subj", "/CN=Lumevia Test Root",
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"])
    run(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{work}/signer.key",
         "-out", f"{work}/signer.csr", "-subj", f"/CN={SIGNER}/O=Lumevia"])
    with open(f"{work}/ext.cnf", "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    run(["openssl", "x509", "-req", "-in", f"{work}/signer.csr", "-CA", f"{work}/ca.pem",
         "-CAkey", f"{work}/ca.key", "-CAcreateserial", "-out", f"{work}/signer.pem", "-days", "2",
         "-extfile", f"{work}/ext.cnf"])
    run(["osslsigncode", "sign", "-certs", f"{work}/signer.pem", "-ac", f"{work}/ca.pem",
         "-key", f"{work}/signer.key", "-in", f"{work}/plain.exe", "-out", f"{work}/signed.exe"])
    data = bytearray(open(f"{work}/signed.exe", "rb").read())
    data[data.find(b"lumevia test image")] ^= 1
    open(f"{work}/altered.exe", "wb").write(bytes(data))
    with open(f"{work}/notes.txt", "w") as f:
        f.write("not a program\n")


def judge(args, work, names, full, env):
    def where(name):
        path = os.path.join(work, name)
        return "Z:" + path.replace("/", "\\") if args.runner else path
    cmd = ([args.runner] if args.runner else []) + [args.probe] + (["--full"] if full else [])
    out = subprocess.run(cmd + [where(n) for n in names], check=True, capture_output=True, text=True,
                         env=env, timeout=300).stdout
    answers = {}
    for name, line in zip(names, out.splitlines()):
        fields = dict(part.split("=", 1) for part in line.split(" ", 3))
        answers[name] = (int(fields["result"], 16), int(fields["lastError"], 16), fields["chain"] == "1",
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
        names = ["signed.exe", "plain.exe", "altered.exe", "notes.txt"]
        a = judge(args, work, names, False, env)
        check("signed: result", a["signed.exe"][0], 0)
        check("signed: signer", a["signed.exe"][3], SIGNER)
        check("unsigned: result", a["plain.exe"][0], NO_SIGNATURE)
        check("unsigned: last error", a["plain.exe"][1], NO_SIGNATURE)
        check("unsigned: signer", a["plain.exe"][3], "")
        check("altered: result", a["altered.exe"][0], BAD_DIGEST)
        check("not a program: result", a["notes.txt"][0], FORM_UNKNOWN)
        check("altered: last error", a["altered.exe"][1], BAD_DIGEST)
        check("no chain asked", a["signed.exe"][2], False)

        if not args.runner:
            # No trusted roots yet: the signature verifies, its chain does not.
            b = judge(args, work, ["signed.exe"], True, env)["signed.exe"]
            check("no roots: result", b[0], 0)
            check("no roots: chain", b[2], False)
            os.makedirs(os.path.join(root, "trust"))
            shutil.copy(os.path.join(work, "ca.pem"), os.path.join(root, "trust", "roots.pem"))
        c = judge(args, work, ["signed.exe", "altered.exe"], True, env)
        check("trusted root: chain", c["signed.exe"][2], True)
        check("trusted root: signer", c["signed.exe"][3], SIGNER)
        check("trusted root, altered: chain", c["altered.exe"][2], False)

    for f in failures:
        print("FAIL", f)
    print("trust checks:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
