#!/usr/bin/env python3
"""Draws the installer's side picture and the program icon.

Usage: make_pictures.py OUTDIR
Writes OUTDIR/side.bmp (1 bit per pixel, 112 x 198) and OUTDIR/program.ico
(16, 32 and 48 px 16-colour images plus a palette PNG 256 px image).
Standard library only; the output depends on nothing but this file.
"""

import math
import os
import struct
import sys
import zlib

# Shapes are signed distance functions of (x, y), negative inside. Coordinates
# are y-down, in the units of whatever picture uses them.


def catmull_rom(points, steps):
    out = []
    ext = [points[0]] + list(points) + [points[-1]]
    for i in range(1, len(ext) - 2):
        p0, p1, p2, p3 = ext[i - 1], ext[i], ext[i + 1], ext[i + 2]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(
                tuple(
                    0.5
                    * (
                        2 * p1[k]
                        + (-p0[k] + p2[k]) * t
                        + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2
                        + (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3
                    )
                    for k in range(len(p1))
                )
            )
    out.append(tuple(points[-1]))
    return out


class Capsule:
    def __init__(self, a, b, r):
        self.a, self.b, self.r = a, b, r
        self.box = (
            min(a[0], b[0]) - r,
            min(a[1], b[1]) - r,
            max(a[0], b[0]) + r,
            max(a[1], b[1]) + r,
        )
        dx, dy = b[0] - a[0], b[1] - a[1]
        self.d = (dx, dy)
        self.len2 = dx * dx + dy * dy

    def dist(self, x, y):
        ax, ay = x - self.a[0], y - self.a[1]
        t = 0.0
        if self.len2 > 0:
            t = max(0.0, min(1.0, (ax * self.d[0] + ay * self.d[1]) / self.len2))
        return math.hypot(ax - self.d[0] * t, ay - self.d[1] * t) - self.r


class Ellipse:
    def __init__(self, cx, cy, rx, ry, tilt_deg=0.0):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        t = math.radians(tilt_deg)
        self.c, self.s = math.cos(t), math.sin(t)
        r = max(rx, ry)
        self.box = (cx - r, cy - r, cx + r, cy + r)

    def dist(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        u = dx * self.c + dy * self.s
        v = -dx * self.s + dy * self.c
        k0 = math.hypot(u / self.rx, v / self.ry)
        k1 = math.hypot(u / (self.rx * self.rx), v / (self.ry * self.ry))
        if k1 == 0:
            return -min(self.rx, self.ry)
        # Distance estimate k0 (k0 - 1) / k1: exact on the outline, which is all
        # the anti-aliasing and the 1-bit threshold need.
        return k0 * (k0 - 1.0) / k1


class RoundRect:
    def __init__(self, x0, y0, x1, y1, radius):
        self.cx, self.cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        self.hx, self.hy = (x1 - x0) / 2.0, (y1 - y0) / 2.0
        self.r = radius
        self.box = (x0, y0, x1, y1)

    def dist(self, x, y):
        qx = abs(x - self.cx) - self.hx + self.r
        qy = abs(y - self.cy) - self.hy + self.r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - self.r


class Polygon:
    """Convex polygon, vertices in either order."""

    def __init__(self, points):
        self.p = points
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.box = (min(xs), min(ys), max(xs), max(ys))
        area = sum(
            points[i][0] * points[(i + 1) % len(points)][1]
            - points[(i + 1) % len(points)][0] * points[i][1]
            for i in range(len(points))
        )
        self.sign = 1.0 if area > 0 else -1.0

    def dist(self, x, y):
        best = -1e9
        n = len(self.p)
        for i in range(n):
            (x0, y0), (x1, y1) = self.p[i], self.p[(i + 1) % n]
            ex, ey = x1 - x0, y1 - y0
            ln = math.hypot(ex, ey)
            nx, ny = ey / ln * self.sign, -ex / ln * self.sign
            best = max(best, (x - x0) * nx + (y - y0) * ny)
        return best


def stroke(points, widths, steps=8, scale=1.0, origin=(0.0, 0.0), flip_y=False):
    """Capsules along a smooth centre line whose width varies along it."""
    ox, oy = origin
    fy = -1.0 if flip_y else 1.0
    pts = [(ox + x * scale, oy + fy * y * scale) for x, y in points]
    path = catmull_rom(pts, steps)
    wpath = catmull_rom([(w * scale, 0.0) for w in widths], steps)
    return [Capsule(path[i], path[i + 1], wpath[i][0] / 2.0) for i in range(len(path) - 1)]


def distance_field(shapes, width, height, unit):
    """Union distance (in output pixels) at every pixel centre.

    unit is the size of one output pixel in shape units.
    """
    field = [[1e9] * width for _ in range(height)]
    for shape in shapes:
        x0, y0, x1, y1 = shape.box
        margin = 2.0 * unit
        i0 = max(0, int(math.floor((x0 - margin) / unit)))
        i1 = min(width - 1, int(math.ceil((x1 + margin) / unit)))
        j0 = max(0, int(math.floor((y0 - margin) / unit)))
        j1 = min(height - 1, int(math.ceil((y1 + margin) / unit)))
        for j in range(j0, j1 + 1):
            row = field[j]
            y = (j + 0.5) * unit
            for i in range(i0, i1 + 1):
                d = shape.dist((i + 0.5) * unit, y) / unit
                if d < row[i]:
                    row[i] = d
    return field


# --------------------------------------------------------------------------
# The side picture: a staff with a G clef and a short phrase between dithered
# bands crossed by white waves.

SIDE_W, SIDE_H = 112, 198

G_CLEF_PATH = [
    (225, -490), (280, -578), (362, -582), (412, -512), (406, -380), (392, -150),
    (378, 150), (372, 450), (382, 720), (404, 930), (446, 1075), (502, 1045),
    (524, 930), (486, 800), (404, 660), (300, 520), (182, 372), (108, 200),
    (102, 20), (180, -122), (322, -162), (452, -100), (512, 30), (472, 152),
    (362, 202), (252, 162), (212, 62), (252, -22), (332, -32),
]
G_CLEF_WIDTHS = [
    40, 38, 36, 38, 40, 42, 42, 40, 38, 36, 30, 30, 40, 62, 84, 90, 86, 76,
    62, 44, 36, 46, 58, 46, 34, 32, 34, 36, 38,
]

BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def side_picture():
    """Returns rows of booleans, True for black."""
    ink = [[False] * SIDE_W for _ in range(SIDE_H)]

    def paint(shapes, value, bias=0.0):
        field = distance_field(shapes, SIDE_W, SIDE_H, 1.0)
        for j in range(SIDE_H):
            for i in range(SIDE_W):
                if field[j][i] <= bias:
                    ink[j][i] = value

    # Dithered tone darkening towards the top and bottom edges; its inner edge
    # follows a slow wave so the bands do not look ruled.
    for j in range(SIDE_H):
        for i in range(SIDE_W):
            top = 52 + 6 * math.sin(i / 112.0 * 2 * math.pi)
            bottom = 156 + 6 * math.sin(i / 112.0 * 2 * math.pi + 2.0)
            if j < top:
                level = (top - j) / top
            elif j > bottom:
                level = (j - bottom) / (SIDE_H - bottom)
            else:
                continue
            if level * 17 > BAYER4[j % 4][i % 4] + 0.5:
                ink[j][i] = True

    # Thin white waves running through the dark bands.
    waves = []
    for base, amp, phase in ((16.5, 5.0, 0.0), (183.5, 5.0, 2.5)):
        pts = [(x, base + amp * math.sin(x / 56.0 * 2 * math.pi + phase)) for x in range(-4, 118)]
        waves += [Capsule(pts[k], pts[k + 1], 1.1) for k in range(len(pts) - 1)]
    paint(waves, False)

    # Staff: G line (second from the bottom), 10 px per staff space; lines sit
    # on pixel centres so they come out one pixel thick.
    space = 10.0
    g_line = 110.5
    scale = space / 250.0
    left, right = 4.5, 107.5
    staff_top, staff_bottom = g_line - 3 * space, g_line + space
    paint([RoundRect(0, staff_top - 26, SIDE_W, staff_bottom + 26, 10)], False)
    lines = [
        Capsule((left, g_line + space * k), (right, g_line + space * k), 0.5) for k in range(-3, 2)
    ]
    lines.append(Polygon([(right - 2.5, staff_top), (right + 0.5, staff_top),
                          (right + 0.5, staff_bottom), (right - 2.5, staff_bottom)]))
    lines.append(Capsule((right - 5, staff_top), (right - 5, staff_bottom), 0.5))
    paint(lines, True)

    clef = stroke(G_CLEF_PATH, G_CLEF_WIDTHS, steps=6, scale=scale, origin=(left, g_line),
                  flip_y=True)
    clef.append(Ellipse(left + 206 * scale, g_line + 470 * scale, 78 * scale, 74 * scale))
    paint(clef, True)

    # A short phrase: a crotchet G, a beamed pair of quavers A and B, a minim D.
    head_rx, head_ry = 150 * scale, 108 * scale
    heads, stems = [], []

    def stem_x(x, up):
        return x + (head_rx * 0.92 - 0.5) * (1 if up else -1)

    def stem(x, y, end, up):
        sx = stem_x(x, up)
        stems.append(Capsule((sx, y), (sx, end), 0.55))

    heads.append((40, g_line, False))
    stem(40, g_line, g_line - 3.5 * space, True)
    xa, ya = 58, g_line - 0.5 * space
    xb, yb = 75, g_line - space
    heads += [(xa, ya, False), (xb, yb, False)]
    ta, tb = ya - 3.5 * space, yb - 3.8 * space
    stem(xa, ya, ta, True)
    stem(xb, yb, tb, True)
    sa, sb = stem_x(xa, True), stem_x(xb, True)
    beam = Polygon([(sa - 0.55, ta), (sb + 0.55, tb), (sb + 0.55, tb + 4), (sa - 0.55, ta + 4)])
    heads.append((94, g_line - 2 * space, True))
    stem(94, g_line - 2 * space, g_line + 1.5 * space, False)

    paint([Ellipse(x, y, head_rx, head_ry, -20) for x, y, _ in heads] + stems + [beam], True)
    paint([Ellipse(x, y, head_rx * 0.75, head_ry * 0.4, -36) for x, y, h in heads if h], False)
    return ink


def write_bmp_1bit(path, ink):
    height, width = len(ink), len(ink[0])
    stride = ((width + 31) // 32) * 4
    rows = []
    for row in reversed(ink):
        bits = bytearray(stride)
        for i, black in enumerate(row):
            if not black:
                bits[i >> 3] |= 0x80 >> (i & 7)
        rows.append(bytes(bits))
    pixels = b"".join(rows)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(pixels), 2835, 2835, 2, 2)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + palette + pixels)


# --------------------------------------------------------------------------
# The icon: a dark-blue rounded square holding a white quaver over a wave.
# Drawn in a 256-unit square and rendered at every size from the same shapes.

ICON_TOP = (0x2E, 0x62, 0xB4)
ICON_BOTTOM = (0x0D, 0x27, 0x57)
WAVE = (0x8C, 0xC4, 0xFF)


def icon_shapes(with_wave):
    tile = [RoundRect(8, 8, 248, 248, 46)]
    note = [Ellipse(100, 170, 40, 29, -22)]
    note.append(Capsule((134, 164), (134, 46), 8))
    note += stroke(
        [(134, 48), (150, 78), (182, 100), (202, 130), (198, 168), (182, 192)],
        [18, 22, 24, 20, 14, 10],
        steps=8,
    )
    wave = []
    if with_wave:
        pts = [(x, 222 + 7 * math.sin((x - 36) / 44.0 * 2 * math.pi)) for x in range(36, 222, 4)]
        wave = [Capsule(pts[k], pts[k + 1], 5) for k in range(len(pts) - 1)]
    return tile, note, wave


def render_icon(size):
    """Returns rows of (r, g, b, a) tuples, straight (not premultiplied) alpha."""
    unit = 256.0 / size
    tile, note, wave = icon_shapes(size >= 32)
    layers = [(distance_field(tile, size, size, unit), None)]
    if wave:
        layers.append((distance_field(wave, size, size, unit), WAVE))
    layers.append((distance_field(note, size, size, unit), (255, 255, 255)))
    img = []
    for j in range(size):
        t = (j + 0.5) / size
        base = tuple(ICON_TOP[k] + (ICON_BOTTOM[k] - ICON_TOP[k]) * t for k in range(3))
        row = []
        for i in range(size):
            r = g = b = a = 0.0
            for field, colour in layers:
                cover = max(0.0, min(1.0, 0.5 - field[j][i]))
                if cover <= 0.0:
                    continue
                c = colour or base
                # Premultiplied "over".
                r = c[0] * cover + r * (1 - cover)
                g = c[1] * cover + g * (1 - cover)
                b = c[2] * cover + b * (1 - cover)
                a = 255.0 * cover + a * (1 - cover)
            if a > 0:
                px = (r * 255.0 / a, g * 255.0 / a, b * 255.0 / a, a)
            else:
                px = (0, 0, 0, 0)
            row.append(tuple(max(0, min(255, int(round(v)))) for v in px))
        img.append(row)
    return img


def quantize(img, count, alpha_levels):
    """Maps every pixel to one of at most `count` colours: the most frequent ones
    after rounding, every other pixel to its nearest. Keeps the icon small."""
    def key(px):
        r, g, b, a = px
        a = 0 if a < 128 and alpha_levels == 2 else int(round(a / 255.0 * (alpha_levels - 1)))
        a = a * 255 // (alpha_levels - 1)
        if a == 0:
            return (0, 0, 0, 0)
        return (r // 24 * 24, g // 24 * 24, b // 24 * 24, a)

    freq = {}
    for row in img:
        for px in row:
            k = key(px)
            freq[k] = freq.get(k, 0) + 1
    palette = sorted(freq, key=lambda k: (-freq[k], k))[:count]
    if (0, 0, 0, 0) in freq and (0, 0, 0, 0) not in palette:
        palette[-1] = (0, 0, 0, 0)
    cache = {}

    def nearest(k):
        if k not in cache:
            cache[k] = min(range(len(palette)),
                           key=lambda n: sum((palette[n][c] - k[c]) ** 2 for c in range(4)))
        return cache[k]

    indices = [[nearest(key(px)) for px in row] for row in img]
    return palette, indices


def dib_entry(img):
    """A 4-bit (16-colour) icon image with its AND mask: readable on every system."""
    size = len(img)
    palette, indices = quantize(img, 16, 2)
    palette = palette + [(0, 0, 0, 0)] * (16 - len(palette))
    xor_stride = ((size * 4 + 31) // 32) * 4
    xor = bytearray()
    for row in reversed(indices):
        bits = bytearray(xor_stride)
        for i, n in enumerate(row):
            bits[i >> 1] |= n << (4 if i % 2 == 0 else 0)
        xor += bits
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(indices):
        bits = bytearray(stride)
        for i, n in enumerate(row):
            if palette[n][3] == 0:
                bits[i >> 3] |= 0x80 >> (i & 7)
        mask += bits
    header = struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0
    )
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b, _ in palette)
    return header + colours + bytes(xor) + bytes(mask)


def png_entry(img):
    """The 256 px image as a palette PNG with transparency, compressed. Sixteen
    colours, as in the small images: every further colour costs more bytes in
    the executable than it adds to the picture."""
    size = len(img)
    palette, indices = quantize(img, 16, 4)
    raw = bytearray()
    for row in indices:
        raw.append(0)
        raw += bytes(row)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)
    plte = b"".join(bytes(c[:3]) for c in palette)
    trns = bytes(c[3] for c in palette)
    idat = zlib.compress(bytes(raw), 9)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"PLTE", plte) +
            chunk(b"tRNS", trns) + chunk(b"IDAT", idat) + chunk(b"IEND", b""))


def write_ico(path, sizes):
    images = []
    for size in sizes:
        img = render_icon(size)
        if size >= 256:
            images.append((size, 32, 0, png_entry(img)))
        else:
            images.append((size, 4, 16, dib_entry(img)))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, bits, colours, data in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(d for _, _, _, d in images))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_pictures.py OUTDIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp_1bit(os.path.join(out, "side.bmp"), side_picture())
    write_ico(os.path.join(out, "program.ico"), [16, 32, 48])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
