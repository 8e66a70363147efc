#!/usr/bin/env python3
"""Draws the program icon: a rounded square in the product blue with the
white ring mark, at 16, 32 and 48 pixels, as 32-bit DIB images in one .ico file."""
import math
import struct
import sys

BLUE = (0x1F, 0x6F, 0xEB)  # RGB, the skin's accent blue

def inside_square(px, py, n):
    r = n / 5.0
    cx = min(max(px, r), n - r)
    cy = min(max(py, r), n - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def inside_mark(px, py, n):
    # The product mark: an open white ring with a dot at its open end.
    cx, cy = n / 2.0, n * 0.53
    d = math.hypot(px - cx, py - cy)
    angle = math.degrees(math.atan2(cy - py, px - cx))  # 0 = right, 90 = up
    on_ring = n * 0.20 <= d <= n * 0.31 and not (35 <= angle <= 95)
    dot_x, dot_y = cx + n * 0.255 * math.cos(math.radians(40)), cy - n * 0.255 * math.sin(math.radians(40))
    on_dot = math.hypot(px - dot_x, py - dot_y) <= n * 0.075
    return on_ring or on_dot


def pixel(x, y, n):
    # 4x4 supersampling for smooth edges.
    square = mark = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            if inside_square(px, py, n):
                square += 1
                if inside_mark(px, py, n):
                    mark += 1
    if square == 0:
        return (0, 0, 0, 0)
    t = mark / square
    top = 1.0 - y / n  # a soft vertical gradient, lighter at the top
    blue = tuple(int(c + (255 - c) * 0.18 * top) for c in BLUE)
    rgb = tuple(int(b + (255 - b) * t) for b in blue)
    return rgb + (square * 255 // 16,)


def dib(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = b""
        for x in range(n):
            r, g, b, a = pixel(x, y, n)
            row += bytes((b, g, r, a))
        rows.append(row)
    mask_row = b"\x00" * (((n + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * n

def main(out):
    sizes = [16, 32, 48]
    images = [dib(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(out, "wb") as fh:
        fh.write(data + b"".join(images))

if __name__ == "__main__":
    main(sys.argv[1])
