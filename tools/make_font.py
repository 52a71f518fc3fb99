#!/usr/bin/env python3
"""Builds Tonalis, the small TrueType music font carried by the plug-in.

Usage: make_font.py OUT.ttf

Units: 1000 per em, one staff space is 250 units and the origin sits on a
staff line, so the glyphs line up like the usual music fonts do.
"""

import math
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UNITS_PER_EM = 1000
ASCENT = 1150
DESCENT = 650
VERSION = "1.200"

# The head table counts seconds since 1904-01-01; Unix time since 1970-01-01.
HEAD_EPOCH_OFFSET = 2082844800
# The font's dates: the build's SOURCE_DATE_EPOCH (set by the build, see
# tools/source_date.sh), else 2026-01-01 00:00:00 UTC. Never the clock, so
# rebuilds are byte-identical.
FIXED_TIMESTAMP = 3849984000


def font_timestamp():
    value = os.environ.get("SOURCE_DATE_EPOCH", "")
    return int(value) + HEAD_EPOCH_OFFSET if value.isdigit() else FIXED_TIMESTAMP


def _pt(p):
    return (int(round(p[0])), int(round(p[1])))


def polygon(pen, points):
    """Closed straight-edged contour; points must already run clockwise."""
    pts = []
    for p in map(_pt, points):
        if not pts or pts[-1] != p:
            pts.append(p)
    if len(pts) > 1 and pts[0] == pts[-1]:
        pts.pop()
    pen.moveTo(pts[0])
    for p in pts[1:]:
        pen.lineTo(p)
    pen.closePath()


def signed_area(points):
    a = 0.0
    for i, (x0, y0) in enumerate(points):
        x1, y1 = points[(i + 1) % len(points)]
        a += x0 * y1 - x1 * y0
    return a / 2.0


def clockwise(points):
    return points if signed_area(points) < 0 else list(reversed(points))


def ellipse(pen, cx, cy, rx, ry, tilt_deg, outer=True):
    """Rotated ellipse as one all-off-curve quadratic contour.

    Eight off-curve points on a circle of radius 1/cos(pi/8) put the implied
    on-curve midpoints exactly on the unit circle; the affine map keeps that
    property for the ellipse. Outer contours run clockwise, holes the other way.
    """
    n = 8
    grow = 1.0 / math.cos(math.pi / n)
    t = math.radians(tilt_deg)
    ct, st = math.cos(t), math.sin(t)
    pts = []
    for k in range(n):
        a = 2.0 * math.pi * k / n
        if outer:
            a = -a
        x, y = math.cos(a) * grow * rx, math.sin(a) * grow * ry
        pts.append(_pt((cx + x * ct - y * st, cy + x * st + y * ct)))
    pen.qCurveTo(*pts, None)
    pen.closePath()


def catmull_rom(points, steps):
    """Samples a uniform Catmull-Rom spline through points."""
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
                    for k in range(2)
                )
            )
    out.append(tuple(points[-1]))
    return out


def ribbon(pen, centre, widths, steps=12):
    """Strokes a smooth centre line with a width that varies along it.

    The left edge is walked forwards and the right edge backwards, which makes
    the contour clockwise everywhere along the stroke; where the stroke crosses
    itself the winding number becomes 2 rather than 0, so the crossing stays
    filled under the non-zero rule TrueType rasterisers use.
    """
    path = catmull_rom(centre, steps)
    wpath = catmull_rom([(w, 0) for w in widths], steps)
    left, right = [], []
    for i, (x, y) in enumerate(path):
        xa, ya = path[max(i - 1, 0)]
        xb, yb = path[min(i + 1, len(path) - 1)]
        dx, dy = xb - xa, yb - ya
        d = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / d, dx / d
        h = wpath[i][0] / 2.0
        left.append((x + nx * h, y + ny * h))
        right.append((x - nx * h, y - ny * h))
    polygon(pen, left + list(reversed(right)))


def glyph_notdef():
    pen = TTGlyphPen(None)
    polygon(pen, clockwise([(50, 0), (50, 700), (450, 700), (450, 0)]))
    polygon(pen, list(reversed(clockwise([(100, 50), (100, 650), (400, 650), (400, 50)]))))
    return pen.glyph(), 500


def glyph_space():
    return TTGlyphPen(None).glyph(), 250


def glyph_black_head():
    pen = TTGlyphPen(None)
    ellipse(pen, 156, 0, 150, 108, 20)
    return pen.glyph(), 312


def glyph_white_head():
    pen = TTGlyphPen(None)
    ellipse(pen, 156, 0, 150, 108, 20)
    ellipse(pen, 156, 0, 118, 52, 38, outer=False)
    return pen.glyph(), 312


# G clef centre line, from the ball at the end of the tail, up the stem, round
# the top loop, down across the stem and into the bowl that curls round the
# G line (y = 0).
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


def glyph_g_clef():
    pen = TTGlyphPen(None)
    ribbon(pen, G_CLEF_PATH, G_CLEF_WIDTHS)
    ellipse(pen, 206, -470, 78, 74, 0)
    ellipse(pen, 332, -32, 19, 19, 0)
    return pen.glyph(), 620


def parallelogram(x0, x1, y0, y1, thick):
    return clockwise([(x0, y0), (x0, y0 + thick), (x1, y1 + thick), (x1, y1)])


def glyph_sharp():
    pen = TTGlyphPen(None)
    polygon(pen, clockwise([(72, -330), (72, 300), (96, 300), (96, -330)]))
    polygon(pen, clockwise([(156, -300), (156, 330), (180, 330), (180, -300)]))
    polygon(pen, parallelogram(24, 228, -170, -110, 72))
    polygon(pen, parallelogram(24, 228, 60, 120, 72))
    return pen.glyph(), 252


def glyph_flat():
    pen = TTGlyphPen(None)
    polygon(pen, clockwise([(36, -170), (36, 560), (62, 560), (62, -170)]))
    ribbon(
        pen,
        [(50, 120), (110, 205), (190, 215), (226, 140), (180, 30), (110, -80), (50, -158)],
        [22, 26, 34, 52, 60, 46, 26],
    )
    return pen.glyph(), 250


def glyph_natural():
    pen = TTGlyphPen(None)
    polygon(pen, clockwise([(36, -175), (36, 350), (62, 350), (62, -175)]))
    polygon(pen, clockwise([(166, -350), (166, 195), (192, 195), (192, -350)]))
    polygon(pen, parallelogram(36, 192, -175, -125, 70))
    polygon(pen, parallelogram(36, 192, 75, 125, 70))
    return pen.glyph(), 228


GLYPHS = [
    # name, builder, code points (ASCII stand-ins first, then the private-use
    # code points music fonts customarily use)
    (".notdef", glyph_notdef, []),
    ("space", glyph_space, [0x20]),
    ("noteheadBlack", glyph_black_head, [ord("q"), 0xE0A4]),
    ("noteheadHalf", glyph_white_head, [ord("h"), 0xE0A3]),
    ("gClef", glyph_g_clef, [ord("&"), ord("G"), 0xE050]),
    ("accidentalSharp", glyph_sharp, [ord("#"), 0xE262]),
    ("accidentalFlat", glyph_flat, [ord("b"), 0xE260]),
    ("accidentalNatural", glyph_natural, [ord("n"), 0xE261]),
]


def build(out_path):
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    order = [name for name, _, _ in GLYPHS]
    fb.setupGlyphOrder(order)
    cmap = {}
    glyphs = {}
    advances = {}
    for name, make, codes in GLYPHS:
        glyph, advance = make()
        glyphs[name] = glyph
        advances[name] = advance
        for c in codes:
            cmap[c] = name
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    glyf = fb.font["glyf"]
    metrics = {}
    for name in order:
        g = glyf[name]
        metrics[name] = (advances[name], getattr(g, "xMin", 0) if g.numberOfContours else 0)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    fb.setupNameTable(
        {
            "copyright": "Copyright (c) 2026 Scorewave Music Software",
            "familyName": "Tonalis",
            "styleName": "Regular",
            "uniqueFontIdentifier": "Scorewave: Tonalis Regular: " + VERSION,
            "fullName": "Tonalis",
            "version": "Version " + VERSION,
            "psName": "Tonalis-Regular",
            "manufacturer": "Scorewave Music Software",
        },
        windows=True,
        mac=True,
    )
    fb.setupOS2(
        achVendID="SCRW",
        fsType=0,
        usWeightClass=400,
        usWidthClass=5,
        fsSelection=0x40,
        sTypoAscender=ASCENT,
        sTypoDescender=-DESCENT,
        sTypoLineGap=0,
        usWinAscent=ASCENT,
        usWinDescent=DESCENT,
        ulCodePageRange1=1,
        ulUnicodeRange1=1,
        ulUnicodeRange2=1 << 28,
    )
    fb.setupPost()
    fb.updateHead(fontRevision=float(VERSION), created=font_timestamp(), modified=font_timestamp())
    fb.save(out_path)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_font.py OUT.ttf\n")
        return 2
    build(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
