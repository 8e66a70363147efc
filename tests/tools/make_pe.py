#!/usr/bin/env python3
"""Writes a minimal valid PE32+ image (x86-64 console program whose entry
returns 0): enough for signing tools and the system's trust check.

    make_pe.py OUT.exe [--marker TEXT]

The marker is stored in the data of the one section, so tests can make
distinct files and find a byte to change after signing."""
import argparse
import struct

FILE_ALIGN = 0x200
SECTION_ALIGN = 0x1000


def build(marker: bytes) -> bytes:
    dos = bytearray(0x80)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 0x80)  # e_lfanew

    code = b"\x31\xC0\xC3"  # xor eax, eax; ret
    body = code + b"\x00" * 13 + marker
    raw_size = (len(body) + FILE_ALIGN - 1) // FILE_ALIGN * FILE_ALIGN
    section = body.ljust(raw_size, b"\x00")

    headers_size = FILE_ALIGN
    image_size = SECTION_ALIGN + (raw_size + SECTION_ALIGN - 1) // SECTION_ALIGN * SECTION_ALIGN

    coff = struct.pack("<HHIIIHH", 0x8664, 1, 0, 0, 0, 240, 0x0022)  # executable, large-address aware
    opt = struct.pack("<HBBIIIII", 0x20B, 14, 0, raw_size, 0, 0, SECTION_ALIGN, SECTION_ALIGN)
    opt += struct.pack("<QII", 0x140000000, SECTION_ALIGN, FILE_ALIGN)
    opt += struct.pack("<HHHHHHI", 6, 0, 0, 0, 6, 0, 0)
    opt += struct.pack("<IIIHH", image_size, headers_size, 0, 3, 0x8160)  # console; NX, dynamic base, high entropy VA
    opt += struct.pack("<QQQQII", 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    opt += b"\x00" * (16 * 8)  # data directories, the certificate table among them
    assert len(opt) == 240
    sect = struct.pack("<8sIIIIIIHHI", b".text", len(body), SECTION_ALIGN, raw_size, headers_size,
                       0, 0, 0, 0, 0x60000020)  # code, execute, read

    headers = bytes(dos) + b"PE\x00\x00" + coff + opt + sect
    return headers.ljust(headers_size, b"\x00") + section


def main() -> None:
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--marker", default="lumevia test image")
    args = ap.parse_args()
    with open(args.out, "wb") as f:
        f.write(build(args.marker.encode()))


if __name__ == "__main__":
    main()
