#!/usr/bin/env python3
"""Draws every image of the skin package into skin/ (standard library only).

Shapes are signed distance functions rasterised with analytic anti-aliasing
(coverage = 0.5 - distance), composited in premultiplied floating point and
written as 8-bit RGBA PNG files with zlib. Nothing depends on the clock or
on random numbers, so every run writes the same bytes.

The accent is the skin's blue #1F6FEB: the toolkit paints the layouts' accent
marker (red-green-blue 000001) in that colour, so pictures and drawn controls
match.

Button pictures are horizontal strips of equal cells, left to right:
normal, hover, pressed, disabled (use source='x0,0,x1,h' per state):
  btn_install.png, btn_start_now.png   4 x 240x52  primary
  btn_yes.png                          4 x 110x34  primary
  btn_no.png, btn_browse.png           4 x 110x34 / 4 x 96x32  secondary
  button_close.png, button_min.png     4 x 36x36   caption buttons
  btn_min.png                          4 x 28x28   small minimise button
Check boxes and options are single 16x16 pictures per state; the combo is
two 200x32 pictures with a 6-pixel corner. scrollbar.bmp is one 24-bit strip
of 16x16 cells: up arrow (normal, hover, pressed), down arrow (normal, hover,
pressed), thumb (normal, hover, pressed), rail.

Usage: draw_skin_images.py [skin folder]   (default: the skin folder beside
this script's parent)
"""
import math
import os
import struct
import sys
import zlib

ACCENT = (0x1F, 0x6F, 0xEB)
ACCENT_LIGHT = (0x4C, 0x8D, 0xF6)
ACCENT_DARK = (0x17, 0x58, 0xC4)
INK = (0x1F, 0x24, 0x2B)
GREY_TEXT = (0x5F, 0x66, 0x70)
BORDER = (0xC9, 0xCE, 0xD6)
TRACK = (0xE6, 0xE9, 0xEF)
PANEL = (0xF7, 0xF8, 0xFA)
WHITE = (0xFF, 0xFF, 0xFF)
AMBER = (0xF5, 0x9E, 0x0B)
RED = (0xE5, 0x48, 0x4D)
GREEN = (0x22, 0xA0, 0x6B)


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


# ---- signed distance functions (pixel units, negative inside) ----------------

def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_rrect(x0, y0, x1, y1, rad):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - rad, (y1 - y0) / 2.0 - rad

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - rad
    return f


def sd_segment(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def f(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / ll)
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return f


def sd_polyline(points, r):
    segs = [sd_segment(a[0], a[1], b[0], b[1], r) for a, b in zip(points, points[1:])]
    return lambda x, y: min(s(x, y) for s in segs)


def sd_arc(cx, cy, radius, a0, a1, width):
    """Ring from angle a0 to a1 (degrees, clockwise on screen) with round caps."""
    a0r, a1r = math.radians(a0), math.radians(a1)
    span = (a1r - a0r) % (2 * math.pi)
    p0 = (cx + radius * math.cos(a0r), cy + radius * math.sin(a0r))
    p1 = (cx + radius * math.cos(a1r), cy + radius * math.sin(a1r))
    half = width / 2.0

    def f(x, y):
        ang = (math.atan2(y - cy, x - cx) - a0r) % (2 * math.pi)
        if ang <= span:
            return abs(math.hypot(x - cx, y - cy) - radius) - half
        return min(math.hypot(x - p0[0], y - p0[1]), math.hypot(x - p1[0], y - p1[1])) - half
    return f


def sd_polygon(points, rounding=0.0):
    """Convex polygon, corners rounded by `rounding` (points clockwise on screen)."""
    edges = []
    n = len(points)
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        ln = math.hypot(ex, ey)
        edges.append((ax, ay, ey / ln, -ex / ln))  # outward normal for clockwise order
    segs = [sd_segment(points[i][0], points[i][1], points[(i + 1) % n][0], points[(i + 1) % n][1], 0)
            for i in range(n)]

    def f(x, y):
        inside = max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)
        if inside <= 0:
            return inside - rounding
        return min(s(x, y) for s in segs) - rounding
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


# ---- canvas ------------------------------------------------------------------

class Canvas:
    def __init__(self, w, h, bg=None):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]
        if bg:
            self.fill_rect(0, 0, w, h, bg)

    def blend(self, i, rgb, a):
        if a <= 0.0:
            return
        p = self.px[i]
        k = 1.0 - a
        p[0] = rgb[0] * a + p[0] * k
        p[1] = rgb[1] * a + p[1] * k
        p[2] = rgb[2] * a + p[2] * k
        p[3] = a + p[3] * k

    def fill_rect(self, x0, y0, x1, y1, paint, alpha=1.0):
        for y in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for x in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                rgb, a = paint_at(paint, x + 0.5, y + 0.5)
                self.blend(y * self.w + x, rgb, a * alpha)

    def shape(self, sdf, bbox, paint, alpha=1.0, soft=0.0):
        """Fills where sdf < 0; `soft` > 0 blurs the edge over that many pixels (shadows, glows)."""
        margin = soft + 2
        x0, y0, x1, y1 = bbox
        for y in range(max(0, int(y0 - margin)), min(self.h, int(math.ceil(y1 + margin)))):
            for x in range(max(0, int(x0 - margin)), min(self.w, int(math.ceil(x1 + margin)))):
                d = sdf(x + 0.5, y + 0.5)
                if soft > 0:
                    t = clamp(0.5 - d / (2.0 * soft))
                    cov = t * t * (3 - 2 * t)
                else:
                    cov = clamp(0.5 - d)
                if cov <= 0.0:
                    continue
                rgb, a = paint_at(paint, x + 0.5, y + 0.5)
                self.blend(y * self.w + x, rgb, cov * a * alpha)

    def paste(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                tx, ty = x + ox, y + oy
                if 0 <= tx < self.w and 0 <= ty < self.h:
                    p = other.px[y * other.w + x]
                    if p[3] > 0:
                        q = self.px[ty * self.w + tx]
                        k = 1.0 - p[3]
                        for c in range(4):
                            q[c] = p[c] + q[c] * k

    def rgba_rows(self):
        rows = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a > 0:
                    row += bytes((int(clamp(r / a, 0, 255) + 0.5), int(clamp(g / a, 0, 255) + 0.5),
                                  int(clamp(b / a, 0, 255) + 0.5), int(clamp(a) * 255 + 0.5)))
                else:
                    row += b"\0\0\0\0"
            rows.append(bytes(row))
        return rows


def paint_at(paint, x, y):
    """A paint is an (r,g,b) colour, (r,g,b,a), or a function of the point."""
    if callable(paint):
        return paint(x, y)
    if len(paint) == 4:
        return paint[:3], paint[3]
    return paint, 1.0


def vgrad(y0, y1, c0, c1, a0=1.0, a1=1.0):
    def p(x, y):
        t = clamp((y - y0) / float(y1 - y0))
        return mix(c0, c1, t), a0 + (a1 - a0) * t
    return p


def hgrad(x0, x1, c0, c1, a0=1.0, a1=1.0):
    def p(x, y):
        t = clamp((x - x0) / float(x1 - x0))
        return mix(c0, c1, t), a0 + (a1 - a0) * t
    return p


def dgrad(x0, y0, x1, y1, c0, c1):
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy

    def p(x, y):
        t = clamp(((x - x0) * dx + (y - y0) * dy) / ll)
        return mix(c0, c1, t), 1.0
    return p


# ---- file writers ------------------------------------------------------------

def write_png(path, canvas):
    raw = b"".join(b"\0" + row for row in canvas.rgba_rows())

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    ihdr = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as fh:
        fh.write(data)


def write_bmp(path, canvas, bg=WHITE):
    """24-bit bottom-up BMP; transparent parts become bg."""
    stride = (canvas.w * 3 + 3) & ~3
    body = bytearray()
    rows = canvas.rgba_rows()
    for row in reversed(rows):
        line = bytearray()
        for x in range(canvas.w):
            r, g, b, a = row[4 * x:4 * x + 4]
            k = a / 255.0
            line += bytes((int(b * k + bg[2] * (1 - k) + 0.5), int(g * k + bg[1] * (1 - k) + 0.5),
                           int(r * k + bg[0] * (1 - k) + 0.5)))
        body += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as fh:
        fh.write(header + info + bytes(body))


# ---- pieces ------------------------------------------------------------------

def logo_mark(c, x, y, n, shadow=True):
    """The product mark: an accent tile with a white open ring and a spark."""
    rad = n * 0.26
    if shadow:
        c.shape(sd_rrect(x + n * 0.06, y + n * 0.12, x + n * 0.94, y + n * 1.02, rad), (x, y, x + n, y + n * 1.05),
                ACCENT, alpha=0.28, soft=n * 0.08)
    tile = sd_rrect(x, y, x + n, y + n, rad)
    c.shape(tile, (x, y, x + n, y + n), dgrad(x, y, x + n, y + n, ACCENT_LIGHT, ACCENT_DARK))
    c.shape(subtract(tile, sd_circle(x + n * 0.5, y + n * 1.25, n * 0.95)), (x, y, x + n, y + n), WHITE, alpha=0.10)
    cx, cy = x + n * 0.5, y + n * 0.52
    c.shape(sd_arc(cx, cy, n * 0.22, -40, 230, n * 0.095), (x, y, x + n, y + n), WHITE)
    c.shape(sd_circle(cx + n * 0.19, cy - n * 0.2, n * 0.07), (x, y, x + n, y + n), WHITE)


def check_glyph(c, cx, cy, s, colour, width):
    pts = [(cx - s * 0.5, cy + s * 0.02), (cx - s * 0.15, cy + s * 0.36), (cx + s * 0.52, cy - s * 0.34)]
    c.shape(sd_polyline(pts, width / 2.0), (cx - s, cy - s, cx + s, cy + s), colour)


def exclamation(c, cx, cy, s, colour):
    c.shape(sd_segment(cx, cy - s * 0.42, cx, cy + s * 0.1, s * 0.1), (cx - s, cy - s, cx + s, cy + s), colour)
    c.shape(sd_circle(cx, cy + s * 0.38, s * 0.11), (cx - s, cy - s, cx + s, cy + s), colour)


def question(c, cx, cy, s, colour):
    w = s * 0.19
    c.shape(sd_arc(cx, cy - s * 0.2, s * 0.24, 180, 60, w), (cx - s, cy - s, cx + s, cy + s), colour)
    ex, ey = cx + s * 0.24 * math.cos(math.radians(60)), cy - s * 0.2 + s * 0.24 * math.sin(math.radians(60))
    c.shape(sd_polyline([(ex, ey), (cx, cy + s * 0.1), (cx, cy + s * 0.14)], w / 2.0),
            (cx - s, cy - s, cx + s, cy + s), colour)
    c.shape(sd_circle(cx, cy + s * 0.4, s * 0.11), (cx - s, cy - s, cx + s, cy + s), colour)


def primary_button(c, ox, w, h, state, rad):
    tops = [ACCENT_LIGHT, (0x5E, 0x9B, 0xF8), (0x1D, 0x66, 0xDB), (0xC9, 0xD4, 0xE6)]
    bots = [ACCENT, (0x2E, 0x7B, 0xF0), ACCENT_DARK, (0xBE, 0xCA, 0xDD)]
    body = sd_rrect(ox + 0.5, 0.5, ox + w - 0.5, h - 0.5, rad)
    c.shape(body, (ox, 0, ox + w, h), vgrad(0, h, tops[state], bots[state]))
    if state != 2:
        # a thin light along the top edge gives the button its lift
        c.shape(subtract(body, sd_rrect(ox + 0.5, 1.6, ox + w - 0.5, h + 2, rad)), (ox, 0, ox + w, h), WHITE,
                alpha=0.35 if state != 3 else 0.2)


def secondary_button(c, ox, w, h, state, rad):
    fills = [WHITE, (0xF2, 0xF7, 0xFF), (0xE3, 0xED, 0xFF), (0xF3, 0xF4, 0xF6)]
    borders = [BORDER, ACCENT, ACCENT, (0xE1, 0xE4, 0xE8)]
    outer = sd_rrect(ox + 0.5, 0.5, ox + w - 0.5, h - 0.5, rad)
    inner = sd_rrect(ox + 1.5, 1.5, ox + w - 1.5, h - 1.5, rad - 1)
    c.shape(outer, (ox, 0, ox + w, h), borders[state])
    c.shape(inner, (ox, 0, ox + w, h), vgrad(0, h, fills[state], mix(fills[state], (0xF4, 0xF5, 0xF7), 0.5)))


def strip(name, cell_w, h, draw, states=4):
    c = Canvas(cell_w * states, h)
    for s in range(states):
        draw(c, s * cell_w, s)
    return c


def caption_button(glyph, n, hover_red):
    def draw(c, ox, s):
        bg = sd_rrect(ox + 2, 2, ox + n - 2, n - 2, 6)
        if s == 1:
            c.shape(bg, (ox, 0, ox + n, n), RED if hover_red else (0, 0, 0, 0.06))
        elif s == 2:
            c.shape(bg, (ox, 0, ox + n, n), (0xC7, 0x36, 0x3B) if hover_red else (0, 0, 0, 0.12))
        col = WHITE if hover_red and s in (1, 2) else ((0xB4, 0xB9, 0xC1) if s == 3 else GREY_TEXT)
        cx, cy, g = ox + n / 2.0, n / 2.0, n * 0.16
        if glyph == "close":
            c.shape(union(sd_segment(cx - g, cy - g, cx + g, cy + g, 0.75), sd_segment(cx + g, cy - g, cx - g, cy + g, 0.75)),
                    (ox, 0, ox + n, n), col)
        else:
            c.shape(sd_segment(cx - g, cy, cx + g, cy, 0.75), (ox, 0, ox + n, n), col)
    return draw


def checkbox(state):
    c = Canvas(16, 16)
    box = sd_rrect(0.5, 0.5, 15.5, 15.5, 4)
    if state == "selected":
        c.shape(box, (0, 0, 16, 16), vgrad(0, 16, ACCENT_LIGHT, ACCENT))
        check_glyph(c, 8, 8.3, 8.5, WHITE, 1.9)
        return c
    border = {"normal": (0xB8, 0xBE, 0xC8), "h": ACCENT, "p": ACCENT}[state]
    fill = {"normal": WHITE, "h": WHITE, "p": (0xDC, 0xE8, 0xFD)}[state]
    c.shape(box, (0, 0, 16, 16), border)
    c.shape(sd_rrect(1.7, 1.7, 14.3, 14.3, 3), (0, 0, 16, 16), fill)
    return c


def radio(selected):
    c = Canvas(16, 16)
    c.shape(sd_circle(8, 8, 7.5), (0, 0, 16, 16), ACCENT if selected else (0xB8, 0xBE, 0xC8))
    c.shape(sd_circle(8, 8, 6.3), (0, 0, 16, 16), WHITE)
    if selected:
        c.shape(sd_circle(8, 8, 3.6), (0, 0, 16, 16), ACCENT)
    return c


def combo(over):
    w, h = 200, 32
    c = Canvas(w, h)
    c.shape(sd_rrect(0.5, 0.5, w - 0.5, h - 0.5, 6), (0, 0, w, h), ACCENT if over else BORDER)
    c.shape(sd_rrect(1.5, 1.5, w - 1.5, h - 1.5, 5), (0, 0, w, h),
            (0xF7, 0xFA, 0xFF) if over else WHITE)
    cx, cy = w - 18, h / 2.0
    c.shape(sd_polyline([(cx - 4.5, cy - 2), (cx, cy + 2.5), (cx + 4.5, cy - 2)], 0.8), (cx - 8, 0, cx + 8, h),
            ACCENT if over else GREY_TEXT)
    return c


def soft_blobs(c, blobs):
    for cx, cy, r, col, a in blobs:
        c.shape(sd_circle(cx, cy, r), (cx - r, cy - r, cx + r, cy + r), col, alpha=a, soft=r * 0.35)


def main_background(with_logo, complete):
    """The start page (with or without the mark) and the result view, whose
    calmer light suits both the success and the failure view."""
    w, h = 650, 560
    c = Canvas(w, h, WHITE)
    c.fill_rect(0, 0, w, 340, vgrad(0, 340, (0xEA, 0xF1, 0xFE), WHITE))
    if complete:
        soft_blobs(c, [(70, 40, 170, ACCENT, 0.08), (600, 280, 120, ACCENT, 0.05), (330, -40, 120, WHITE, 0.7)])
        c.shape(sd_arc(70, 40, 150, -20, 90, 1.2), (0, 0, 250, 200), ACCENT, alpha=0.16)
    else:
        soft_blobs(c, [(585, 30, 170, ACCENT, 0.10), (60, 250, 120, ACCENT, 0.06), (330, -40, 120, WHITE, 0.7)])
        # fine rings for depth
        c.shape(sd_arc(585, 30, 150, 90, 200, 1.2), (400, 0, 650, 200), ACCENT, alpha=0.18)
        c.shape(sd_arc(60, 250, 100, 250, 20, 1.2), (0, 130, 180, 370), ACCENT, alpha=0.14)
    if with_logo:
        logo_mark(c, 325 - 44, 96, 88)
    return c


def panel(w, h, hairline=True):
    c = Canvas(w, h, PANEL)
    if hairline:
        c.fill_rect(0, 0, w, 1, (0xE6, 0xE9, 0xEE))
        c.fill_rect(0, 1, w, 7, vgrad(1, 7, (0, 0, 0), (0, 0, 0), 0.035, 0.0))
    return c


def message_background():
    w, h = 448, 184
    c = Canvas(w, h)
    outer = sd_rrect(0.5, 0.5, w - 0.5, h - 0.5, 8)
    c.shape(outer, (0, 0, w, h), (0xD9, 0xDD, 0xE3))
    c.shape(sd_rrect(1.5, 1.5, w - 1.5, h - 1.5, 7), (0, 0, w, h), vgrad(0, 60, (0xF2, 0xF6, 0xFE), WHITE))
    return c


def circle_icon(n, colour, glyph):
    c = Canvas(n, n)
    c.shape(sd_circle(n / 2.0, n / 2.0 + 1, n / 2.0 - 2), (0, 0, n, n), colour, alpha=0.25, soft=2)
    c.shape(sd_circle(n / 2.0, n / 2.0, n / 2.0 - 2), (0, 0, n, n), vgrad(0, n, mix(colour, WHITE, 0.18), colour))
    glyph(c, n / 2.0, n / 2.0, n * 0.5, WHITE)
    return c


def triangle_icon(n):
    c = Canvas(n, n)
    m = n * 0.08
    tri = sd_polygon([(n / 2.0, m + n * 0.04), (n - m, n - m - n * 0.04), (m, n - m - n * 0.04)], n * 0.07)
    c.shape(tri, (0, 0, n, n), vgrad(0, n, (0xFB, 0xB9, 0x38), AMBER))
    s = n * 0.44
    cx, cy = n / 2.0, n * 0.6
    c.shape(sd_segment(cx, cy - s * 0.45, cx, cy + s * 0.05, s * 0.1), (0, 0, n, n), WHITE)
    c.shape(sd_circle(cx, cy + s * 0.32, s * 0.11), (0, 0, n, n), WHITE)
    return c


def spinner(n, frame, frames, with_mark):
    c = Canvas(n, n)
    cx = cy = n / 2.0
    radius, width = n * 0.36, n * 0.055
    c.shape(sd_arc(cx, cy, radius, 0, 359.99, width), (0, 0, n, n), TRACK)
    phase = frame / float(frames)
    start = 360.0 * phase - 90
    length = 70 + 60 * (0.5 - 0.5 * math.cos(2 * math.pi * phase))
    # the tail fades towards its back end
    def tail(x, y):
        t = ((math.degrees(math.atan2(y - cy, x - cx)) - start) % 360.0) / length
        t = clamp(t if t <= 1.0 else (0.0 if t > 1.5 else 1.0))
        return mix(ACCENT_LIGHT, ACCENT, t), 0.12 + 0.88 * t
    c.shape(sd_arc(cx, cy, radius, start, start + length, width), (0, 0, n, n), tail)
    if with_mark:
        m = n * 0.3
        logo_mark(c, cx - m / 2, cy - m / 2, m, shadow=False)
    return c


def rotated(sdf, cx, cy, deg):
    a = math.radians(-deg)
    ca, sa = math.cos(a), math.sin(a)

    def f(x, y):
        dx, dy = x - cx, y - cy
        return sdf(cx + dx * ca - dy * sa, cy + dx * sa + dy * ca)
    return f


def rotated_paint(paint, cx, cy, deg):
    if not callable(paint):
        return paint
    a = math.radians(-deg)
    ca, sa = math.cos(a), math.sin(a)

    def p(x, y):
        dx, dy = x - cx, y - cy
        return paint(cx + dx * ca - dy * sa, cy + dx * sa + dy * ca)
    return p


def card(c, x0, y0, x1, y1, deg, fill=WHITE, rad=12):
    """A card with a soft shadow, turned by deg around its centre; returns a
    function that draws further shapes in the card's own frame."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    reach = math.hypot(x1 - x0, y1 - y0) / 2.0 + 4
    box = (cx - reach, cy - reach, cx + reach, cy + reach + 8)
    c.shape(rotated(sd_rrect(x0 + 4, y0 + 10, x1 - 4, y1 + 6, rad), cx, cy, deg), box, (0x1B, 0x3A, 0x6B),
            alpha=0.16, soft=10)
    c.shape(rotated(sd_rrect(x0, y0, x1, y1, rad), cx, cy, deg), box, rotated_paint(fill, cx, cy, deg))

    def inner(sdf, paint, alpha=1.0):
        c.shape(rotated(sdf, cx, cy, deg), box, rotated_paint(paint, cx, cy, deg), alpha=alpha)
    return inner


def slide_base():
    w, h = 650, 300
    c = Canvas(w, h)
    c.fill_rect(0, 0, w, h, vgrad(0, h, (0xF4, 0xF8, 0xFF), (0xE2, 0xEB, 0xFB)))
    soft_blobs(c, [(80, 260, 110, ACCENT, 0.07), (600, 120, 130, ACCENT, 0.06)])
    return c


def slide_documents():
    c = slide_base()
    doc = card(c, 200, 112, 318, 270, -8)
    doc(sd_rrect(216, 128, 302, 142, 5), ACCENT)
    for i, wd in enumerate((80, 70, 84, 60, 76, 50)):
        doc(sd_rrect(216, 156 + i * 17, 216 + wd, 163 + i * 17, 3.5), (0xDD, 0xE2, 0xEA))
    photo = card(c, 300, 128, 452, 248, 6)
    photo(sd_rrect(312, 140, 440, 236, 7), vgrad(140, 236, (0xBF, 0xD6, 0xFC), (0xEA, 0xF1, 0xFE)))
    photo(sd_circle(410, 166, 11), (0xFF, 0xC8, 0x57))
    photo(sd_polygon([(312, 236), (360, 178), (404, 236)], 0), ACCENT)
    photo(sd_polygon([(372, 236), (410, 196), (440, 236)], 0), ACCENT_LIGHT)
    note = card(c, 420, 186, 520, 272, -4, fill=(0xEA, 0xF1, 0xFE), rad=10)
    for i, wd in enumerate((70, 56, 64)):
        note(sd_rrect(434, 204 + i * 18, 434 + wd, 210 + i * 18, 3), (0xA9, 0xC4, 0xF5))
    return c


def slide_search():
    c = slide_base()
    win = card(c, 170, 112, 470, 282, 0)
    win(sd_rrect(170, 112, 470, 140, 12), (0xF1, 0xF4, 0xF9))
    win(sd_rrect(170, 128, 470, 140, 0), (0xF1, 0xF4, 0xF9))
    for i, col in enumerate(((0xFF, 0x6B, 0x6B), (0xFF, 0xC8, 0x57), (0x3C, 0xC5, 0x8A))):
        win(sd_circle(188 + i * 14, 126, 4), col)
    win(sd_rrect(236, 119, 420, 133, 7), WHITE)
    for row in range(2):
        for col in range(3):
            x0, y0 = 188 + col * 92, 154 + row * 62
            hot = row == 1 and col == 1
            win(sd_rrect(x0, y0, x0 + 80, y0 + 50, 8), (0xDC, 0xE8, 0xFD) if hot else (0xEE, 0xF1, 0xF5))
            win(sd_rrect(x0 + 10, y0 + 34, x0 + 56, y0 + 40, 3), ACCENT if hot else (0xD3, 0xD9, 0xE2))
    # magnifier over the found tile
    mx, my = 336, 226
    c.shape(sd_segment(mx + 32, my + 32, mx + 62, my + 62, 8), (mx + 18, my + 18, mx + 76, my + 76), (0x1B, 0x3A, 0x6B),
            alpha=0.18, soft=6)
    c.shape(sd_circle(mx, my, 34), (mx - 42, my - 42, mx + 42, my + 42), WHITE, alpha=0.35)
    c.shape(sd_segment(mx + 28, my + 28, mx + 58, my + 58, 7), (mx + 18, my + 18, mx + 70, my + 70),
            vgrad(my + 26, my + 62, ACCENT, ACCENT_DARK))
    c.shape(sd_arc(mx, my, 34, 0, 359.99, 9), (mx - 42, my - 42, mx + 42, my + 42),
            dgrad(mx - 32, my - 34, mx + 32, my + 34, ACCENT_LIGHT, ACCENT))
    return c


def slide_backup():
    c = slide_base()
    cloud = union(sd_circle(290, 200, 42), sd_circle(345, 180, 56), sd_circle(398, 208, 36),
                  sd_rrect(250, 200, 434, 246, 23))
    c.shape(lambda x, y: cloud(x, y - 10), (220, 120, 470, 270), (0x1B, 0x3A, 0x6B), alpha=0.14, soft=12)
    c.shape(cloud, (240, 118, 440, 250), vgrad(120, 246, WHITE, (0xF0, 0xF5, 0xFE)))
    # circling arrows: two arcs with heads
    c.shape(sd_arc(342, 214, 26, 200, 330, 5), (300, 170, 380, 250), ACCENT)
    c.shape(sd_polygon([(364, 190), (374, 206), (356, 206)], 0.5), (350, 186, 378, 210), ACCENT)
    c.shape(sd_arc(342, 214, 26, 20, 150, 5), (300, 170, 380, 250), ACCENT_LIGHT)
    c.shape(sd_polygon([(320, 238), (310, 222), (328, 222)], 0.5), (306, 218, 332, 242), ACCENT_LIGHT)
    # the safe badge
    c.shape(sd_circle(420, 246, 24), (390, 216, 450, 280), (0x0F, 0x6B, 0x45), alpha=0.2, soft=6)
    c.shape(sd_circle(420, 242, 24), (394, 216, 446, 268), vgrad(218, 266, (0x3C, 0xC5, 0x8A), GREEN))
    check_glyph(c, 420, 243, 22, WHITE, 4.2)
    return c


def progress_parts():
    w, h = 590, 8
    track = Canvas(w, h)
    track.shape(sd_rrect(0, 0, w, h, 4), (0, 0, w, h), TRACK)
    bar = Canvas(w, h)
    bar.shape(sd_rrect(0, 0, w, h, 4), (0, 0, w, h), hgrad(0, w, ACCENT_LIGHT, ACCENT))
    bar.fill_rect(0, 0, w, 3, (255, 255, 255, 0.18))
    light = Canvas(120, h)
    light.fill_rect(0, 0, 120, h, lambda x, y: (WHITE, 0.55 * math.exp(-((x - 60) / 26.0) ** 2)))
    return track, bar, light


def scrollbar_strip():
    n = 16
    c = Canvas(n * 10, n, (0xF4, 0xF5, 0xF7))
    for i in range(9):
        ox = i * n
        part, state = divmod(i, 3)
        shade = [(0xA9, 0xB0, 0xBA), (0x7D, 0x86, 0x92), ACCENT][state]
        if part < 2:
            if state:
                c.shape(sd_rrect(ox + 1, 1, ox + n - 1, n - 1, 3), (ox, 0, ox + n, n), (0, 0, 0, 0.06 * state))
            d = -1 if part == 0 else 1
            cx, cy = ox + 8, 8
            c.shape(sd_polyline([(cx - 3.5, cy - 1.75 * d), (cx, cy + 1.75 * d), (cx + 3.5, cy - 1.75 * d)], 0.8),
                    (ox, 0, ox + n, n), shade)
        else:
            c.shape(sd_rrect(ox + 4, 1, ox + n - 4, n - 1, 4), (ox, 0, ox + n, n), shade)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    skin = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "skin")
    out = lambda *p: os.path.join(skin, *p)
    s = lambda *p: out("skin", *p)

    write_png(s("backgroud.png"), main_background(True, False))
    write_png(s("backgroud_nologo.png"), main_background(False, False))
    write_png(s("backgroud_complete.png"), main_background(False, True))
    write_png(s("bg_bottom.png"), panel(650, 120))
    write_png(s("bg_setting.png"), panel(650, 200))
    write_png(s("bg_message.png"), message_background())

    write_png(s("btn_install.png"), strip("install", 240, 52, lambda c, ox, st: primary_button(c, ox, 240, 52, st, 10)))
    write_png(s("btn_start_now.png"), strip("start", 240, 52, lambda c, ox, st: primary_button(c, ox, 240, 52, st, 10)))
    write_png(s("btn_yes.png"), strip("yes", 110, 34, lambda c, ox, st: primary_button(c, ox, 110, 34, st, 8)))
    write_png(s("btn_no.png"), strip("no", 110, 34, lambda c, ox, st: secondary_button(c, ox, 110, 34, st, 8)))
    write_png(s("btn_browse.png"), strip("browse", 96, 32, lambda c, ox, st: secondary_button(c, ox, 96, 32, st, 6)))
    write_png(s("button_close.png"), strip("close", 36, 36, caption_button("close", 36, True)))
    write_png(s("button_min.png"), strip("min", 36, 36, caption_button("min", 36, False)))
    write_png(s("btn_min.png"), strip("min_small", 28, 28, caption_button("min", 28, False)))

    for state in ("normal", "h", "p", "selected"):
        write_png(s("checkbox_%s.png" % state), checkbox(state))
    write_png(s("Combo_nor.png"), combo(False))
    write_png(s("combo_over.png"), combo(True))
    write_png(s("OptionNormal.png"), radio(False))
    write_png(s("OptionSelected.png"), radio(True))

    track, bar, light = progress_parts()
    write_png(s("bkprogress.png"), track)
    write_png(s("bar.png"), bar)
    write_png(s("progress.png"), light)

    for name, n, pad in (("logo.png", 88, 8), ("logo_left_top.png", 28, 0), ("logo_running.png", 48, 4)):
        c = Canvas(n + 2 * pad, n + 2 * pad)
        logo_mark(c, pad, pad * 0.6, n, shadow=pad > 0)
        write_png(s(name), c)

    write_png(s("message_exclamation.png"), circle_icon(40, RED, exclamation))
    write_png(s("message_help.png"), circle_icon(40, ACCENT, question))
    write_png(s("message_warn.png"), triangle_icon(40))
    write_png(s("warning.png"), triangle_icon(16))
    write_png(s("waiting.png"), spinner(48, 0, 21, False))

    for i, draw in enumerate((slide_documents, slide_search, slide_backup), 1):
        write_png(s("anima", "%d.png" % i), draw())
    for f in range(21):
        write_png(s("gif", "bg%.2d.png" % f), spinner(160, f, 21, True))
    write_bmp(out("scrollbar.bmp"), scrollbar_strip(), (0xF4, 0xF5, 0xF7))


if __name__ == "__main__":
    main()
