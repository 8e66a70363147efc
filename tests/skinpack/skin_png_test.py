#!/usr/bin/env python3
"""The stub's pictures are packed re-encoded only when the pixels stay the same."""
import os
import shutil
import struct
import sys
import tempfile
import unittest
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "scripts"))
import skin_png  # noqa: E402

W, H = 7, 5
COLOURS = [(0, 0, 0, 0), (255, 0, 0, 255), (31, 111, 235, 128), (255, 255, 255, 255)]


def pixels():
    return [[COLOURS[(x * 3 + y) % len(COLOURS)] for x in range(W)] for y in range(H)]


def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)


def filtered(rows, bpp, cycle_filters):
    """Scanlines with filter bytes; each row its own filter type when cycling."""
    out, prior = b"", bytes(len(rows[0]))
    for y, line in enumerate(rows):
        f = y % 5 if cycle_filters else 0
        enc = bytearray()
        for i, v in enumerate(line):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prior[i], (prior[i - bpp] if i >= bpp else 0)
            if f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
            else:
                pred = [0, a, b, (a + b) >> 1][f]
            enc.append((v - pred) & 0xFF)
        out += bytes([f]) + bytes(enc)
        prior = line
    return out


def png(ihdr_tail, rows, bpp, extra=b"", cycle_filters=False):
    head = struct.pack(">II", W, H) + ihdr_tail
    body = zlib.compress(filtered(rows, bpp, cycle_filters), 9)
    return skin_png.SIGNATURE + chunk(b"IHDR", head) + extra + chunk(b"IDAT", body) + chunk(b"IEND", b"")


def rgba8(px, **kw):
    rows = [bytes(v for p in row for v in p) for row in px]
    return png(bytes([8, 6, 0, 0, 0]), rows, 4, **kw)


def rgba16(px):
    rows = [b"".join(struct.pack(">H", v * 257) for p in row for v in p) for row in px]
    return png(bytes([16, 6, 0, 0, 0]), rows, 8)


def palette4(px):
    index = {c: i for i, c in enumerate(COLOURS)}
    rows = []
    for row in px:
        idx = [index[p] for p in row] + [0]
        rows.append(bytes((idx[i] << 4) | idx[i + 1] for i in range(0, W, 2)))
    plte = chunk(b"PLTE", bytes(v for c in COLOURS for v in c[:3]))
    trns = chunk(b"tRNS", bytes(c[3] for c in COLOURS))
    return png(bytes([4, 3, 0, 0, 0]), rows, 1, extra=plte + trns)


class SamePicture(unittest.TestCase):
    def test_encodings_of_one_picture_compare_equal(self):
        base = rgba8(pixels())
        for name, other in [("filters", rgba8(pixels(), cycle_filters=True)),
                            ("16-bit", rgba16(pixels())), ("4-bit palette", palette4(pixels()))]:
            with self.subTest(name):
                self.assertTrue(skin_png.same_picture(base, other))

    def test_opaque_rgb_and_grey_read_as_opaque_rgba(self):
        grey = [[(v, v, v, 255) for v in (0, 17, 34, 51, 68, 85, 255)] for _ in range(H)]
        rgb_rows = [bytes(v for p in row for v in p[:3]) for row in grey]
        grey_rows = [bytes(p[0] for p in row) for row in grey]
        as_rgb = png(bytes([8, 2, 0, 0, 0]), rgb_rows, 3, cycle_filters=True)
        as_grey = png(bytes([8, 0, 0, 0, 0]), grey_rows, 1)
        self.assertTrue(skin_png.same_picture(rgba8(grey), as_rgb))
        self.assertTrue(skin_png.same_picture(rgba8(grey), as_grey))

    def test_any_changed_sample_or_colour_chunk_differs(self):
        base = rgba8(pixels())
        hidden = pixels()
        hidden[0][0] = (9, 9, 9, 0)  # a transparent pixel's colour, as lossy tools change it
        self.assertFalse(skin_png.same_picture(base, rgba8(hidden)))
        gamma = chunk(b"gAMA", struct.pack(">I", 45455))
        self.assertFalse(skin_png.same_picture(base, rgba8(pixels(), extra=gamma)))

    def test_broken_files_are_refused(self):
        good = rgba8(pixels())
        for bad in (b"GIF89a", good[:40], good.replace(b"IEND", b"IENX")):
            with self.assertRaises((skin_png.PngError, zlib.error, struct.error)):
                skin_png.decode(bad)


# Stands in for zopflipng: argv = scripts dir, mode, calls file, input, output.
FAKE_TOOL = r'''
import struct, sys, zlib
sys.path.insert(0, sys.argv[1])
import skin_png
mode, calls, src, dst = sys.argv[2:6]
with open(calls, "a") as fh:
    fh.write("x")
data = open(src, "rb").read()
if mode == "liar":  # smaller, but another picture: one transparent pixel
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    data = (skin_png.SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"\0\0\0\0\0")) + chunk(b"IEND", b""))
open(dst, "wb").write(data)
'''


class Shrink(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.cache = os.path.join(self.dir, "cache")
        self.calls_file = os.path.join(self.dir, "calls")
        self.tool_py = os.path.join(self.dir, "tool.py")
        with open(self.tool_py, "w") as fh:
            fh.write(FAKE_TOOL)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def calls(self):
        if not os.path.exists(self.calls_file):
            return 0
        with open(self.calls_file) as fh:
            return len(fh.read())

    def tool(self, mode):
        return [sys.executable, self.tool_py, os.path.join(TOP, "scripts"), mode, self.calls_file]

    def test_a_smaller_file_with_other_pixels_is_not_used(self):
        original = rgba8(pixels())
        self.assertEqual(skin_png.shrink(original, self.cache, self.tool("liar")), original)
        self.assertEqual(skin_png.shrink(original, self.cache, self.tool("liar")), original)
        self.assertEqual(self.calls(), 1, "the verdict is cached")

    def test_a_missing_tool_packs_the_original_and_caches_nothing(self):
        original = rgba8(pixels())
        self.assertEqual(skin_png.shrink(original, self.cache, ["no-such-png-tool"]), original)
        self.assertFalse(os.path.exists(self.cache))

    @unittest.skipUnless(shutil.which("zopflipng"), "zopflipng (Debian package zopfli) not installed")
    def test_skin_pictures_get_smaller_with_the_same_pixels(self):
        for name in ("bg_setting.png", "btn_yes.png", "progress.png"):
            with self.subTest(name), open(os.path.join(TOP, "skin", "skin", name), "rb") as fh:
                original = fh.read()
                out = skin_png.shrink(original, self.cache)
                self.assertLess(len(out), len(original))
                self.assertTrue(skin_png.same_picture(original, out))
                self.assertEqual(skin_png.shrink(original, self.cache), out)
        self.assertEqual(len([f for f in os.listdir(self.cache) if f.endswith(".png")]), 3)


if __name__ == "__main__":
    unittest.main()
