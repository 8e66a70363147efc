#!/usr/bin/env python3
"""Smaller PNG files for the skin package, with the same pixels.

  skin_png.py same A.png B.png     exit 0 when both decode to the same picture
  skin_png.py shrink IN.png OUT.png [CACHE_DIR]

The skin's pictures are drawn as plain 8-bit RGBA with zlib; zopflipng
(Debian package zopfli) finds a smaller encoding (palette, no alpha, better
filters and deflate). A result is only used when it decodes to exactly the
same pixels as the original, checked here with a decoder of our own rather
than trusting the tool; otherwise the original is kept. Results are cached
by the original's hash, since zopflipng takes seconds per picture."""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
# Chunks that change how the pixels are shown; they must match too.
COLOUR_CHUNKS = (b"gAMA", b"cHRM", b"sRGB", b"iCCP", b"sBIT")
TOOL = ["zopflipng", "-y"]


class PngError(ValueError):
    pass


def _chunks(data):
    if not data.startswith(SIGNATURE):
        raise PngError("not a PNG file")
    pos = len(SIGNATURE)
    while pos + 8 <= len(data):
        length, tag = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            raise PngError("truncated chunk %r" % tag)
        yield tag, body
        pos += 12 + length
        if tag == b"IEND":
            return
    raise PngError("no IEND chunk")


def _unfilter(raw, width, height, bits_per_pixel):
    """The scanlines without their filter bytes."""
    bpp = max(1, bits_per_pixel // 8)
    stride = (width * bits_per_pixel + 7) // 8
    if len(raw) != height * (stride + 1):
        raise PngError("image data has the wrong size")
    out = bytearray(height * stride)
    prior = bytearray(stride)
    for y in range(height):
        ftype = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if ftype == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif ftype == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, prior))
        elif ftype == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prior[i]) >> 1)) & 0xFF
        elif ftype == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prior[i]
                c = prior[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        elif ftype != 0:
            raise PngError("unknown filter %d" % ftype)
        out[y * stride:(y + 1) * stride] = line
        prior = line
    return bytes(out), stride


def _samples(rows, stride, width, height, depth, channels):
    """Every sample as an integer, row by row."""
    if depth == 8:
        return [b for y in range(height) for b in rows[y * stride:y * stride + width * channels]]
    if depth == 16:
        return [int.from_bytes(rows[y * stride + 2 * i:y * stride + 2 * i + 2], "big")
                for y in range(height) for i in range(width * channels)]
    per_byte, mask = 8 // depth, (1 << depth) - 1
    out = []
    for y in range(height):
        line = rows[y * stride:(y + 1) * stride]
        vals = [(b >> (8 - depth * (k + 1))) & mask for b in line for k in range(per_byte)]
        out.extend(vals[:width * channels])
    return out


def decode(data):
    """(width, height, RGBA samples scaled to 16 bits, colour chunks) of a PNG."""
    header, idat, palette, trns, colour = None, [], None, None, {}
    for tag, body in _chunks(data):
        if tag == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif tag == b"IDAT":
            idat.append(body)
        elif tag == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif tag == b"tRNS":
            trns = body
        elif tag in COLOUR_CHUNKS:
            colour[tag] = body
    if header is None or not idat:
        raise PngError("no IHDR or IDAT chunk")
    width, height, depth, ctype, _method, _filter, interlace = header
    if ctype not in CHANNELS or interlace:
        raise PngError("colour type %d / interlace %d not handled" % (ctype, interlace))
    channels = CHANNELS[ctype]
    rows, stride = _unfilter(zlib.decompress(b"".join(idat)), width, height, depth * channels)
    s = _samples(rows, stride, width, height, depth, channels)
    scale = 0xFFFF // ((1 << depth) - 1)
    top = 0xFFFF
    if ctype == 3:
        if palette is None:
            raise PngError("palette image without PLTE")
        alpha = list(trns or b"") + [255] * (256 - len(trns or b""))
        rgba = []
        for i in s:
            r, g, b = palette[i]
            rgba += (r * 257, g * 257, b * 257, alpha[i] * 257)
        return width, height, rgba, colour
    if ctype == 6:
        return width, height, [v * scale for v in s], colour
    key = None
    if trns is not None and ctype in (0, 2):
        key = tuple(struct.unpack(">%dH" % channels, trns[:2 * channels]))
    rgba = []
    for p in range(width * height):
        px = s[p * channels:(p + 1) * channels]
        if ctype in (0, 4):
            v = px[0] * scale
            rgba += (v, v, v, px[1] * scale if ctype == 4 else top)
        else:
            a = px[3] * scale if ctype == 6 else top
            rgba += (px[0] * scale, px[1] * scale, px[2] * scale, a)
        if key is not None and tuple(px) == key:
            rgba[-1] = 0
    return width, height, rgba, colour


def same_picture(a, b):
    """Whether two PNG files show the same pixels (and colour information)."""
    return decode(a) == decode(b)


def shrink(data, cache_dir=None, tool=None):
    """The smallest encoding of data that decodes to the same picture."""
    tool = tool or TOOL
    key = hashlib.sha256(" ".join(tool).encode() + b"\0" + data).hexdigest()
    cached = os.path.join(cache_dir, key + ".png") if cache_dir else None
    if cached and os.path.exists(cached):
        with open(cached, "rb") as fh:
            return fh.read()
    best = data
    if shutil.which(tool[0]):
        with tempfile.TemporaryDirectory() as tmp:
            src, dst = os.path.join(tmp, "in.png"), os.path.join(tmp, "out.png")
            with open(src, "wb") as fh:
                fh.write(data)
            done = subprocess.run(tool + [src, dst], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if done.returncode == 0 and os.path.exists(dst):
                with open(dst, "rb") as fh:
                    out = fh.read()
                try:
                    if len(out) < len(data) and same_picture(data, out):
                        best = out
                except (PngError, zlib.error):
                    pass
    else:
        # Without the tool the package is only bigger; do not cache that.
        return data
    if cached:
        os.makedirs(cache_dir, exist_ok=True)
        tmp = "%s.%d.tmp" % (cached, os.getpid())
        with open(tmp, "wb") as fh:
            fh.write(best)
        os.replace(tmp, cached)
    return best


def main(argv):
    if len(argv) == 3 and argv[0] == "same":
        with open(argv[1], "rb") as a, open(argv[2], "rb") as b:
            return 0 if same_picture(a.read(), b.read()) else 1
    if len(argv) in (3, 4) and argv[0] == "shrink":
        with open(argv[1], "rb") as fh:
            out = shrink(fh.read(), argv[3] if len(argv) == 4 else None)
        with open(argv[2], "wb") as fh:
            fh.write(out)
        return 0
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
