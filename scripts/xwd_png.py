#!/usr/bin/env python3
"""Turns an X window dump (xwd) into a PNG, with the standard library only.

    xwd -silent -id WINDOW | python3 scripts/xwd_png.py OUT.png

Reads the dump from standard input. Exit status 1 with a message when the
dump is not a true-colour Z pixmap of 16, 24 or 32 bits per pixel, or when
every pixel has the same colour (a window not drawn yet is not a picture).
"""

import struct
import sys
import zlib

HEADER_FIELDS = 25  # CARD32 each, big-endian
ZPIXMAP = 2
TRUE_COLOR, DIRECT_COLOR = 4, 5


class DumpError(Exception):
    pass


def channel(mask):
    """(shift, largest value) of a colour mask."""
    if not mask:
        raise DumpError("a colour mask is zero")
    shift = (mask & -mask).bit_length() - 1
    return shift, mask >> shift


def rgb_rows(dump):
    if len(dump) < HEADER_FIELDS * 4:
        raise DumpError("shorter than a dump header")
    h = struct.unpack(">%dI" % HEADER_FIELDS, dump[:HEADER_FIELDS * 4])
    header_size, version, fmt, _depth, width, height = h[:6]
    byte_order, bpp, bytes_per_line, visual = h[7], h[11], h[12], h[13]
    masks, ncolors = h[14:17], h[19]
    if version != 7 or fmt != ZPIXMAP:
        raise DumpError("not a version 7 Z pixmap dump")
    if visual not in (TRUE_COLOR, DIRECT_COLOR) or bpp not in (16, 24, 32):
        raise DumpError("visual %d with %d bits per pixel is not handled" % (visual, bpp))
    if not width or not height or bytes_per_line < width * bpp // 8:
        raise DumpError("an empty or inconsistent picture (%dx%d)" % (width, height))
    start = header_size + 12 * ncolors
    if len(dump) < start + bytes_per_line * height:
        raise DumpError("the pixels are cut short")
    step, order = bpp // 8, "little" if byte_order == 0 else "big"
    fast = bpp == 32 and order == "little" and masks == (0xFF0000, 0xFF00, 0xFF)
    shifts = [channel(m) for m in masks]
    for y in range(height):
        row = dump[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        out = bytearray(width * 3)
        if fast:  # B, G, R, unused per pixel
            out[0::3], out[1::3], out[2::3] = row[2::4], row[1::4], row[0::4]
        else:
            for x in range(width):
                pixel = int.from_bytes(row[x * step:x * step + step], order)
                for c, (shift, top) in enumerate(shifts):
                    out[x * 3 + c] = ((pixel >> shift) & top) * 255 // top
        yield bytes(out), width, height


def png(rows):
    raw, size, colours = bytearray(), None, set()
    for row, width, height in rows:
        size = (width, height)
        if len(colours) < 2:
            colours.update(row[i:i + 3] for i in range(0, len(row), 3))
        raw += b"\0" + row  # filter type 0 per row
    if len(colours) < 2:
        raise DumpError("every pixel has the same colour")

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", size[0], size[1], 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 6))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: xwd_png.py OUT.png  (the dump on standard input)")
    try:
        picture = png(rgb_rows(sys.stdin.buffer.read()))
    except DumpError as e:
        sys.exit("xwd_png: %s" % e)
    with open(sys.argv[1], "wb") as f:
        f.write(picture)


if __name__ == "__main__":
    main()
