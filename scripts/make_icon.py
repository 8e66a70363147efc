#!/usr/bin/env python3
"""Draws the program icon: a rounded square in the product blue with a white
"L", at 16, 32 and 48 pixels, as 32-bit DIB images in one .ico file."""
import struct
import sys

BLUE = (0x2B, 0x6C, 0xF0)  # RGB

def pixel(x, y, n):
    # Rounded square with radius n/5, anti-aliased by 4x4 supersampling.
    r = n / 5.0
    cover = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, r), n - r)
            cy = min(max(py, r), n - r)
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                cover += 1
    a = cover * 255 // 16
    # The "L": a vertical and a horizontal bar.
    u, v = x / n, y / n
    in_l = (0.30 <= u < 0.44 and 0.22 <= v < 0.78) or (0.30 <= u < 0.72 and 0.64 <= v < 0.78)
    rgb = (255, 255, 255) if in_l else BLUE
    return rgb + (a,)

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
