#!/usr/bin/env python3
"""Test signing of the demo package.

  sign_package.py certs --openssl TOOL --out DIR
      a test root "Lumevia Test Root", a publisher "Lumevia Test Publisher"
      signed by it, and a self-signed "Other Test Publisher" (RSA 2048);
      kept when already there.
  sign_package.py variants --osslsigncode TOOL --certs DIR --unsigned EXE --out DIR
      Lumevia_Setup.exe (signed, root included), _unsigned, _tampered (a code
      byte changed after signing), _appended (bytes added inside the
      certificate table, which keep the signature valid), _trailing (bytes
      after the certificate table), _other (signed by the other publisher),
      roots.pem, package.json (each file's name, MD5 and size).
"""
import argparse
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

DAYS = "3650"
CODE_SIGNING = ["-addext", "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning"]


def run(*cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0:
        sys.stderr.write(r.stdout + r.stderr)
        raise SystemExit(f"{cmd[0]} {cmd[1]} failed with {r.returncode}")


def make_certs(openssl, out):
    names = ["ca.pem", "chain.pem", "publisher.key", "other.pem", "other.key"]
    if all(os.path.exists(os.path.join(out, n)) for n in names):
        return
    os.makedirs(out, exist_ok=True)
    p = lambda n: os.path.join(out, n)
    run(openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", DAYS, "-subj", "/CN=Lumevia Test Root",
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
        "-keyout", p("ca.key"), "-out", p("ca.pem"))
    run(openssl, "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Lumevia Test Publisher",
        "-keyout", p("publisher.key"), "-out", p("publisher.csr"))
    with open(p("publisher.ext"), "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    run(openssl, "x509", "-req", "-in", p("publisher.csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
        "-set_serial", "2", "-days", DAYS, "-extfile", p("publisher.ext"), "-out", p("publisher.pem"))
    run(openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", DAYS, "-subj", "/CN=Other Test Publisher",
        *CODE_SIGNING, "-keyout", p("other.key"), "-out", p("other.pem"))
    with open(p("chain.pem"), "wb") as f:
        for n in ("publisher.pem", "ca.pem"):
            with open(p(n), "rb") as part:
                f.write(part.read())


def pe_header(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    return pe


def code_section(data):
    """(offset, size) of the first section holding code in a PE file."""
    pe = pe_header(data)
    count, opt_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + opt_size
    for i in range(count):
        at = table + 40 * i
        size, offset = struct.unpack_from("<II", data, at + 16)
        flags = struct.unpack_from("<I", data, at + 36)[0]
        if flags & 0x20 and size:  # contains code
            return offset, size
    raise ValueError("no code section")


def append_after_signature(data, extra):
    """The signed file with extra bytes after its signature. They go at the end
    of the one certificate entry, whose length and the table's grow with them:
    the hash leaves the table out, so the signature still verifies. (Bytes
    past the table's end make the signature unreadable instead.)"""
    if len(extra) % 8:
        raise ValueError("certificate entries stay 8-byte aligned")
    out = bytearray(data) + extra
    pe = pe_header(out)
    pe32plus = struct.unpack_from("<H", out, pe + 24)[0] == 0x20B
    directory = pe + 24 + (112 if pe32plus else 96) + 8 * 4  # the certificate table's entry
    offset, size = struct.unpack_from("<II", out, directory)
    if offset + size != len(data):
        raise ValueError("the certificate table is not at the end of the file")
    struct.pack_into("<II", out, directory, offset, size + len(extra))
    entry_length = struct.unpack_from("<I", out, offset)[0]
    struct.pack_into("<I", out, offset, entry_length + len(extra))
    return bytes(out)


def sign(tool, cert, key, src, dst):
    if os.path.exists(dst):
        os.remove(dst)
    run(tool, "sign", "-certs", cert, "-key", key, "-n", "Lumevia", "-h", "sha256", "-in", src, "-out", dst)


def make_variants(tool, certs, unsigned, out):
    c = lambda n: os.path.join(certs, n)
    o = lambda n: os.path.join(out, n)
    if os.path.abspath(unsigned) != os.path.abspath(o("Lumevia_Setup_unsigned.exe")):
        shutil.copyfile(unsigned, o("Lumevia_Setup_unsigned.exe"))
    with tempfile.TemporaryDirectory(dir=out) as tmp:
        signed = os.path.join(tmp, "signed.exe")
        sign(tool, c("chain.pem"), c("publisher.key"), unsigned, signed)
        other = os.path.join(tmp, "other.exe")
        sign(tool, c("other.pem"), c("other.key"), unsigned, other)
        with open(signed, "rb") as f:
            data = bytearray(f.read())
        offset, size = code_section(data)
        tampered = bytearray(data)
        tampered[offset + size // 2] ^= 0xFF
        variants = {
            "Lumevia_Setup.exe": bytes(data),
            "Lumevia_Setup_tampered.exe": bytes(tampered),
            "Lumevia_Setup_appended.exe": append_after_signature(data, b"LUMEVIA-APPENDED" * 64),
            "Lumevia_Setup_trailing.exe": bytes(data) + b"LUMEVIA-TRAILING" * 64,
        }
        with open(other, "rb") as f:
            variants["Lumevia_Setup_other.exe"] = f.read()
    for name, content in variants.items():
        with open(o(name), "wb") as f:
            f.write(content)
    shutil.copyfile(c("ca.pem"), o("roots.pem"))
    files = []
    for name in ["Lumevia_Setup.exe", "Lumevia_Setup_unsigned.exe", "Lumevia_Setup_tampered.exe",
                 "Lumevia_Setup_appended.exe", "Lumevia_Setup_trailing.exe", "Lumevia_Setup_other.exe"]:
        with open(o(name), "rb") as f:
            content = f.read()
        files.append({"name": name, "md5": hashlib.md5(content).hexdigest(), "size": len(content)})
    with open(o("package.json"), "w") as f:
        json.dump({"files": files}, f, indent=2)
        f.write("\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("what", choices=["certs", "variants"])
    ap.add_argument("--openssl", default="openssl")
    ap.add_argument("--osslsigncode", default="osslsigncode")
    ap.add_argument("--certs")
    ap.add_argument("--unsigned")
    ap.add_argument("--out", required=True)
    a = ap.parse_args()
    if a.what == "certs":
        make_certs(a.openssl, a.out)
    else:
        make_variants(a.osslsigncode, a.certs, a.unsigned, a.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
