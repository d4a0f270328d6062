#!/usr/bin/env python3
"""Draws every picture the program shows and writes them into assets/.

    /usr/bin/python3 tools/gen_assets.py [--out assets] [--contact-sheet DIR]

Everything is drawn from code with Pillow and the WenQuanYi Micro Hei font
(Debian package fonts-wqy-microhei). The output is deterministic: fixed
palettes, fixed JPEG settings, no timestamps and a fixed seed wherever noise
is used, so running it again gives the same bytes. The results are committed;
building the program needs neither this script nor the font.

Outputs:
  dial_strip.bin         110 GIF pictures of the speed dial, each followed by
                         the GBK-encoded split marker
  main_background.jpg    art of the main window (635 x 400)
  result_panel.jpg       backdrop of the result panel (195 x 195)
  proxy_background.jpg   art of the proxy window (400 x 200)
  settings_background.jpg  art of the settings window (600 x 400)
  btn_<id>_<state>.jpg   buttons, state in normal / hover / pressed
"""

import argparse
import io
import math
import os
import random
import sys
from fractions import Fraction

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# The program splits the strip at this marker (GBK bytes of the text).
MARKER = "play图片分割线.....play图片分割线".encode("gbk")

JPEG_OPTIONS = dict(format="JPEG", quality=88, subsampling=0, optimize=True,
                    progressive=False)

_font_cache = {}


def font(size):
    """WenQuanYi Micro Hei at the given pixel size (basic layout, so the
    glyph placement does not depend on whether libraqm is installed)."""
    key = int(round(size))
    if key not in _font_cache:
        _font_cache[key] = ImageFont.truetype(
            FONT_PATH, key, index=0, layout_engine=ImageFont.Layout.BASIC)
    return _font_cache[key]


def draw_text_centered(draw, center, text, size, fill, stroke=0,
                       stroke_fill=None):
    f = font(size)
    x0, y0, x1, y1 = draw.textbbox((0, 0), text, font=f, stroke_width=stroke)
    cx, cy = center
    draw.text((cx - (x0 + x1) / 2.0, cy - (y0 + y1) / 2.0), text, font=f,
              fill=fill, stroke_width=stroke,
              stroke_fill=stroke_fill if stroke_fill is not None else fill)


def gain(img, factor):
    """Brightens an RGB image by a constant factor (clipped)."""
    lut = [min(255, int(v * factor + 0.5)) for v in range(256)] * 3
    return img.point(lut)


def glow(layer, ss, halos=((9, 1.3), (3.5, 1.4))):
    """The neon look: the sharp lines of `layer` plus blurred copies."""
    out = layer
    for radius, factor in halos:
        blurred = layer.filter(ImageFilter.GaussianBlur(radius * ss))
        out = ImageChops.add(out, gain(blurred, factor))
    return out


def scale_pts(pts, ss, dx=0.0, dy=0.0):
    return [((x + dx) * ss, (y + dy) * ss) for x, y in pts]


def inset_polygon(pts, d):
    """Moves every edge of a convex polygon (listed clockwise on screen,
    y pointing down) inwards by d; negative d moves it outwards."""
    n = len(pts)
    lines = []
    for i in range(n):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        ex, ey = x1 - x0, y1 - y0
        length = math.hypot(ex, ey)
        nx, ny = -ey / length, ex / length  # inward normal for clockwise
        lines.append(((x0 + nx * d, y0 + ny * d), (ex, ey)))
    out = []
    for i in range(n):
        (p, r), (q, s) = lines[i - 1], lines[i]
        cross = r[0] * s[1] - r[1] * s[0]
        t = ((q[0] - p[0]) * s[1] - (q[1] - p[1]) * s[0]) / cross
        out.append((p[0] + t * r[0], p[1] + t * r[1]))
    return out


def polyline(draw, pts, fill, width, closed=True):
    pts = list(pts)
    if closed:
        pts = pts + [pts[0]]
    draw.line(pts, fill=fill, width=int(round(width)), joint="curve")


def save_jpeg(img, path):
    buf = io.BytesIO()
    img.convert("RGB").save(buf, **JPEG_OPTIONS)
    data = buf.getvalue()
    with open(path, "wb") as fh:
        fh.write(data)
    return data


# ---------------------------------------------------------------------------
# The speed dial
# ---------------------------------------------------------------------------

DIAL_W, DIAL_H = 304, 300
DIAL_COUNT = 110

# (first picture, last picture, band width in bytes/s, start of the first band)
BAND_GROUPS = [
    (1, 30, 10240, 0),
    (31, 40, 30720, 307200),
    (41, 50, 40960, 614400),
    (51, 70, 51200, 1024000),
    (71, 80, 102400, 2048000),
    (81, 90, 204800, 3072000),
    (91, 100, 512000, 5120000),
    (101, 110, 1024000, 10240000),
]

# Marks printed on the scale. They count in units of 0.1 MB/s (100 KB/s):
# the mark 10 is 1 MB/s and the mark 200 is 20 MB/s, the top of the table.
SCALE_MARKS = [0, 1, 2, 3, 6, 10, 15, 20, 30, 50, 100, 200]
# Arc colours: (from mark, to mark, colour).
SCALE_COLOURS = [
    (0, 1, (235, 40, 40)),
    (1, 3, (245, 215, 30)),
    (3, 30, (40, 130, 255)),
    (30, 200, (40, 220, 80)),
]

# Geometry of the scale. The marks sit at equal angular steps. With twelve
# marks and the mark 10 (index 5) straight up, the scale cannot be symmetric:
# mark 0 lies five steps left of the top and mark 200 six steps right of it.
# A step of 24 degrees gives a 264 degree sweep: mark 0 at 210 degrees
# (30 degrees below the horizon on the left), mark 200 at -54 degrees.
# Angles are mathematical (counter-clockwise, 0 = pointing right).
MARK_STEP_DEG = 24.0
TOP_MARK_INDEX = 5
MARK0_DEG = 90.0 + TOP_MARK_INDEX * MARK_STEP_DEG

DIAL_CX, DIAL_CY = 152.0, 146.0
ARC_R_OUT, ARC_R_IN = 136.0, 125.0
NEEDLE_LEN = 112.0
MINOR_TICKS = 1  # short ticks between two marks
INNER_RING_R = 66.0


def band_upper_end(k):
    """Upper end (bytes/s) of speed band k, k = 1..110."""
    for first, last, width, start in BAND_GROUPS:
        if first <= k <= last:
            return start + (k - first + 1) * width
    raise ValueError("no speed band %d" % k)


def dial_speed(k):
    """The speed (bytes/s) picture k stands for; picture 1 is the rest
    position and stands for zero."""
    return 0 if k == 1 else band_upper_end(k)


def speed_mb(bytes_per_s):
    """MB/s as an exact fraction: 1 KB = 1024 bytes, 1 MB = 1000 KB."""
    return Fraction(bytes_per_s, 1024 * 1000)


def _round_half_up(frac):
    return int(frac + Fraction(1, 2)) if frac >= 0 else -int(-frac + Fraction(1, 2))


def format_speed(mb):
    """Three significant digits: 0.00, 0.02, 0.30, 1.00, 9.99, 10.0, 20.0."""
    mb = Fraction(mb)
    hundredths = _round_half_up(mb * 100)
    if hundredths < 1000:
        return "%d.%02d" % (hundredths // 100, hundredths % 100)
    tenths = _round_half_up(mb * 10)
    if tenths < 1000:
        return "%d.%d" % (tenths // 10, tenths % 10)
    return "%d" % _round_half_up(mb)


def scale_position(mb):
    """Position on the scale in mark intervals (0 = mark 0, 11 = mark 200),
    linear between neighbouring marks."""
    v = Fraction(mb) * 10  # in units of the marks
    if v <= SCALE_MARKS[0]:
        return Fraction(0)
    for i in range(len(SCALE_MARKS) - 1):
        lo, hi = SCALE_MARKS[i], SCALE_MARKS[i + 1]
        if v <= hi:
            return i + (v - lo) / Fraction(hi - lo)
    return Fraction(len(SCALE_MARKS) - 1)


def position_angle(pos):
    return MARK0_DEG - float(pos) * MARK_STEP_DEG


def needle_angle(k):
    """Needle angle of picture k. The needle points at the value the picture
    reads. The band table puts exactly ten pictures into every interval
    between neighbouring marks, so from picture 2 on the needle advances a
    tenth of an interval (2.4 degrees) per picture: picture 1 rests on 0,
    picture 50 (1.00 MB/s) points straight up at 10 and picture 110
    (20.0 MB/s) at 200."""
    return position_angle(scale_position(speed_mb(dial_speed(k))))


def _polar(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy - r * math.sin(a)


def _arc_band(draw, ss, r_in, r_out, a_from, a_to, fill):
    """Filled ring segment from angle a_from down to a_to (clockwise)."""
    steps = max(2, int(abs(a_from - a_to) * 2))
    outer = [_polar(DIAL_CX, DIAL_CY, r_out, a_from + (a_to - a_from) * i / steps)
             for i in range(steps + 1)]
    inner = [_polar(DIAL_CX, DIAL_CY, r_in, a_to + (a_from - a_to) * i / steps)
             for i in range(steps + 1)]
    draw.polygon(scale_pts(outer + inner, ss), fill=fill)


def _mark_position(value):
    return SCALE_MARKS.index(value)


def draw_dial_face(ss):
    """Everything that does not move: scale, marks, labels, caption."""
    W, H = DIAL_W * ss, DIAL_H * ss
    base = Image.new("RGB", (W, H), (0, 0, 0))
    bd = ImageDraw.Draw(base)

    # coloured scale band
    for lo, hi, colour in SCALE_COLOURS:
        _arc_band(bd, ss, ARC_R_IN, ARC_R_OUT,
                  position_angle(_mark_position(lo)),
                  position_angle(_mark_position(hi)), colour)

    # thin inner ring along the sweep
    _arc_band(bd, ss, INNER_RING_R - 0.8, INNER_RING_R + 0.8,
              position_angle(0), position_angle(len(SCALE_MARKS) - 1),
              (40, 120, 210))

    # ticks: a long one on every mark, a short one half way between marks
    for i in range(len(SCALE_MARKS)):
        for sub in range(MINOR_TICKS + 1 if i < len(SCALE_MARKS) - 1 else 1):
            ang = position_angle(i + sub / float(MINOR_TICKS + 1))
            if sub == 0:
                p0 = _polar(DIAL_CX, DIAL_CY, ARC_R_IN - 14, ang)
                p1 = _polar(DIAL_CX, DIAL_CY, ARC_R_OUT, ang)
                bd.line(scale_pts([p0, p1], ss), fill=(255, 255, 255),
                        width=int(3 * ss))
            else:
                p0 = _polar(DIAL_CX, DIAL_CY, ARC_R_IN - 7, ang)
                p1 = _polar(DIAL_CX, DIAL_CY, ARC_R_IN + 4, ang)
                bd.line(scale_pts([p0, p1], ss), fill=(200, 210, 230),
                        width=int(2 * ss))

    # labels inside the ticks
    for i, value in enumerate(SCALE_MARKS):
        ang = position_angle(i)
        cx, cy = _polar(DIAL_CX, DIAL_CY, ARC_R_IN - 31, ang)
        draw_text_centered(bd, (cx * ss, cy * ss), str(value), 20 * ss,
                           (235, 240, 250), stroke=int(0.4 * ss))

    # caption
    draw_text_centered(bd, (DIAL_CX * ss, (DIAL_CY - 44) * ss), "MB/S",
                       22 * ss, (120, 190, 255), stroke=int(0.5 * ss))

    # frame of the read-out
    bx0, by0, bx1, by1 = DIAL_CX - 50, DIAL_CY + 104, DIAL_CX + 50, DIAL_CY + 142
    bd.rounded_rectangle([bx0 * ss, by0 * ss, bx1 * ss, by1 * ss],
                         radius=6 * ss, fill=(6, 18, 36),
                         outline=(40, 120, 210), width=int(2 * ss))
    return base


def draw_dial(face, ss, k):
    img = face.copy()
    W, H = img.size
    ang = needle_angle(k)
    # needle: green, tapered, with a short tail, glowing
    neon = Image.new("RGB", (W, H), (0, 0, 0))
    nd = ImageDraw.Draw(neon)
    tip = _polar(DIAL_CX, DIAL_CY, NEEDLE_LEN, ang)
    tail = _polar(DIAL_CX, DIAL_CY, -20, ang)
    left = _polar(DIAL_CX, DIAL_CY, 5.5, ang + 90)
    right = _polar(DIAL_CX, DIAL_CY, 5.5, ang - 90)
    nd.polygon(scale_pts([tip, left, tail, right], ss), fill=(20, 110, 40))
    img = ImageChops.add(img, glow(neon, ss, halos=((4, 0.8),)))
    d = ImageDraw.Draw(img)
    d.polygon(scale_pts([tip, left, tail, right], ss), fill=(40, 220, 80))
    # spine highlight
    d.line(scale_pts([_polar(DIAL_CX, DIAL_CY, NEEDLE_LEN - 4, ang),
                      _polar(DIAL_CX, DIAL_CY, 0, ang)], ss),
           fill=(200, 255, 210), width=int(1.2 * ss))
    # hub
    for r, colour in ((12, (40, 220, 80)), (8.5, (0, 0, 0)), (4, (200, 255, 210))):
        d.ellipse([(DIAL_CX - r) * ss, (DIAL_CY - r) * ss,
                   (DIAL_CX + r) * ss, (DIAL_CY + r) * ss], fill=colour)
    # read-out
    text = format_speed(speed_mb(dial_speed(k)))
    draw_text_centered(d, (DIAL_CX * ss, (DIAL_CY + 123) * ss), text, 30 * ss,
                       (255, 255, 255), stroke=int(0.6 * ss))
    return img


def render_dials():
    """The 110 dial pictures as RGB images at their final size."""
    ss = 3
    face = draw_dial_face(ss)
    out = []
    for k in range(1, DIAL_COUNT + 1):
        big = draw_dial(face, ss, k)
        out.append(big.resize((DIAL_W, DIAL_H), Image.LANCZOS))
    return out


# Fixed palette of the dial pictures: black, the panel colour of the
# read-out, and each drawing colour at full, two-thirds and one-third
# strength so that antialiased edges over black keep their smoothness.
DIAL_KEY_COLOURS = [
    (255, 255, 255),   # ticks, labels, read-out
    (235, 40, 40),     # red part of the scale
    (245, 215, 30),    # yellow part
    (40, 130, 255),    # blue part
    (40, 220, 80),     # green part, needle
    (120, 190, 255),   # caption
    (40, 120, 210),    # read-out frame, inner ring
    (200, 255, 210),   # needle highlight
]
DIAL_BOX_FILL = (6, 18, 36)


def dial_palette():
    colours = [(0, 0, 0), DIAL_BOX_FILL]
    for key in DIAL_KEY_COLOURS:
        for level in (3, 2, 1):
            colours.append(tuple(c * level // 3 for c in key))
    assert len(colours) <= 32
    return colours


def map_to_palette(frame, palette):
    """Index of the nearest palette colour for every pixel."""
    cache = {}
    out = bytearray()
    for px in frame.getdata():
        idx = cache.get(px)
        if idx is None:
            best, idx = None, 0
            for i, c in enumerate(palette):
                d = ((px[0] - c[0]) * (px[0] - c[0]) * 3
                     + (px[1] - c[1]) * (px[1] - c[1]) * 4
                     + (px[2] - c[2]) * (px[2] - c[2]) * 2)
                if best is None or d < best:
                    best, idx = d, i
            cache[px] = idx
        out.append(idx)
    return bytes(out)


def lzw_compress(indices, min_code_size):
    """GIF flavour of LZW: variable code width from min_code_size + 1 up to
    12 bits, codes packed least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    width = min_code_size + 1
    next_code = end + 1
    table = {}
    emit(clear, width)
    it = iter(indices)
    prefix = next(it)
    for k in it:
        key = (prefix << 8) | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix, width)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            # the decoder adds its entries one code later, so it widens its
            # codes once the table holds one entry beyond 2**width
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = {}
            width = min_code_size + 1
            next_code = end + 1
        prefix = k
    emit(prefix, width)
    emit(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def encode_gif(indices, width, height, palette):
    """A single-image GIF89a: global colour table, no extensions."""
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    bits = max(bits, 2)
    table = bytearray()
    for c in palette:
        table += bytes(c)
    table += bytes(3 * ((1 << bits) - len(palette)))
    out = bytearray(b"GIF89a")
    out += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    out.append(0x80 | ((bits - 1) << 4) | (bits - 1))
    out += b"\x00\x00"  # background colour 0, no aspect ratio
    out += table
    out.append(0x2C)
    out += bytes(4) + width.to_bytes(2, "little") + height.to_bytes(2, "little")
    out.append(0)  # no local table, not interlaced
    out.append(bits)
    data = lzw_compress(indices, bits)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    out.append(0x3B)
    return bytes(out)


def check_speed_table():
    for i, (first, last, width, start) in enumerate(BAND_GROUPS):
        if i == 0:
            assert first == 1 and start == 0
        else:
            pfirst, plast, pwidth, pstart = BAND_GROUPS[i - 1]
            assert first == plast + 1, "gap in band table"
            assert start == pstart + (plast - pfirst + 1) * pwidth, \
                "band groups do not join up"
    assert BAND_GROUPS[-1][1] == DIAL_COUNT
    expected = {1: "0.00", 2: "0.02", 30: "0.30", 50: "1.00", 70: "2.00",
                90: "5.00", 100: "10.0", 110: "20.0"}
    for k, text in expected.items():
        got = format_speed(speed_mb(dial_speed(k)))
        if got != text:
            raise SystemExit("picture %d reads %s, expected %s" % (k, got, text))
    angles = [needle_angle(k) for k in range(1, DIAL_COUNT + 1)]
    for k in range(1, DIAL_COUNT):
        if not angles[k] < angles[k - 1]:
            raise SystemExit("needle does not move forward at picture %d" % (k + 1))
    for k, want in ((1, position_angle(0)), (50, 90.0),
                    (110, position_angle(len(SCALE_MARKS) - 1))):
        if abs(angles[k - 1] - want) > 1e-9:
            raise SystemExit("needle of picture %d at %.3f, expected %.3f"
                             % (k, angles[k - 1], want))


def verify_strip(strip, expected_indices=None):
    """Splits the strip the way the program does and checks every piece;
    with expected_indices also checks that each picture decodes to exactly
    the pixels that were encoded."""
    pieces = strip.split(MARKER)
    if pieces[-1] != b"":
        raise SystemExit("strip does not end with the marker")
    pieces = pieces[:-1]
    if len(pieces) != DIAL_COUNT:
        raise SystemExit("strip splits into %d pictures, expected %d"
                         % (len(pieces), DIAL_COUNT))
    for i, piece in enumerate(pieces, 1):
        if not piece.startswith(b"GIF89a"):
            raise SystemExit("picture %d does not start with GIF89a" % i)
        with Image.open(io.BytesIO(piece)) as im:
            if im.size != (DIAL_W, DIAL_H):
                raise SystemExit("picture %d is %dx%d" % ((i,) + im.size))
            if expected_indices is not None:
                im.load()
                if im.mode != "P" or im.tobytes() != expected_indices[i - 1]:
                    raise SystemExit("picture %d does not decode to what was "
                                     "encoded" % i)


def build_dial_strip(path):
    check_speed_table()
    frames = render_dials()
    palette = dial_palette()
    parts = []
    all_indices = []
    for k, frame in enumerate(frames, 1):
        indices = map_to_palette(frame, palette)
        data = encode_gif(indices, DIAL_W, DIAL_H, palette)
        if MARKER in data:
            raise SystemExit("picture %d contains the split marker" % k)
        all_indices.append(indices)
        parts.append(data + MARKER)
    strip = b"".join(parts)
    verify_strip(strip, all_indices)
    with open(path, "wb") as fh:
        fh.write(strip)
    shown = [Image.open(io.BytesIO(p[:-len(MARKER)])).convert("RGB")
             for p in parts]
    return shown, strip


# ---------------------------------------------------------------------------
# Window art and buttons
# ---------------------------------------------------------------------------

CYAN = (60, 200, 255)
BLUE = (30, 120, 255)
CORE = (190, 240, 255)
DIM = (20, 70, 140)
PANEL = (5, 14, 30)
PANEL_HI = (10, 28, 56)


class Art:
    """A supersampled canvas with a dark base and a neon layer."""

    def __init__(self, w, h, ss=2, background=(0, 0, 0)):
        self.w, self.h, self.ss = w, h, ss
        self.base = Image.new("RGB", (w * ss, h * ss), background)
        self.neon = Image.new("RGB", (w * ss, h * ss), (0, 0, 0))
        self.top = Image.new("RGBA", (w * ss, h * ss), (0, 0, 0, 0))
        self.bd = ImageDraw.Draw(self.base)
        self.nd = ImageDraw.Draw(self.neon)
        self.td = ImageDraw.Draw(self.top)
        self.keepouts = []

    def p(self, pts, dx=0.0, dy=0.0):
        return scale_pts(pts, self.ss, dx, dy)

    def panel(self, pts, fill=PANEL):
        self.bd.polygon(self.p(pts), fill=fill)

    def line(self, pts, colour=CYAN, width=2.0, closed=False, core=True):
        polyline(self.nd, self.p(pts), colour, width * self.ss, closed)
        if core and width >= 1.5:
            polyline(self.nd, self.p(pts), CORE, max(1.0, width * 0.4) * self.ss,
                     closed)

    def circle(self, c, r, colour=CYAN, width=2.0, core=True, fill=None):
        box = [(c[0] - r) * self.ss, (c[1] - r) * self.ss,
               (c[0] + r) * self.ss, (c[1] + r) * self.ss]
        if fill is not None:
            self.bd.ellipse(box, fill=fill)
        self.nd.ellipse(box, outline=colour, width=int(round(width * self.ss)))
        if core and width >= 1.5:
            self.nd.ellipse(box, outline=CORE,
                            width=int(round(max(1.0, width * 0.4) * self.ss)))

    def keepout(self, x, y, w, h, margin=2):
        """Areas a widget covers: no neon is drawn there."""
        self.keepouts.append((x - margin, y - margin, x + w + margin, y + h + margin))

    def render(self, halos=((9, 1.2), (3, 1.3))):
        s = self.ss
        if self.keepouts:
            kd = ImageDraw.Draw(self.neon)
            for x0, y0, x1, y1 in self.keepouts:
                kd.rectangle([x0 * s, y0 * s, x1 * s, y1 * s], fill=(0, 0, 0))
        img = ImageChops.add(self.base, glow(self.neon, s, halos))
        img = Image.alpha_composite(img.convert("RGBA"), self.top).convert("RGB")
        if s != 1:
            img = img.resize((self.w, self.h), Image.LANCZOS)
        return img


def vertical_gradient(size, top, bottom):
    w, h = size
    col = Image.new("RGB", (1, h))
    for y in range(h):
        t = y / max(1, h - 1)
        col.putpixel((0, y), tuple(int(round(a + (b - a) * t))
                                   for a, b in zip(top, bottom)))
    return col.resize((w, h), Image.NEAREST)


def parallelogram(x, y, w, h, slant, lean):
    """Clockwise corner list. lean '/' puts the top edge to the right,
    lean '\\' puts it to the left."""
    if lean == "/":
        return [(x + slant, y), (x + w, y), (x + w - slant, y + h), (x, y + h)]
    return [(x, y), (x + w - slant, y), (x + w, y + h), (x + slant, y + h)]


# Buttons --------------------------------------------------------------------

BUTTON_STATES = ("normal", "hover", "pressed")

WIDE_BUTTONS = {
    "proxy_abroad": ("代理国外测速", "\\"),
    "direct_abroad": ("本地国外测速", "\\"),
    "direct_domestic": ("本地国内测速", "/"),
    "proxy_domestic": ("代理国内测速", "/"),
    "confirm": ("确定", "/"),
}
CHEVRON_BUTTONS = {"settings": "设置", "exit": "退出"}

WIDE_SLANT = 18
WIDE_INSET = (5, 6)  # horizontal, vertical margin inside the 200 x 60 image


def _state_style(state):
    if state == "hover":
        return dict(edge=(110, 225, 255), glow=((6, 1.6), (2.5, 1.6)),
                    fill=((14, 44, 88), (6, 20, 44)), text=(255, 255, 255),
                    shift=0)
    if state == "pressed":
        return dict(edge=(30, 120, 200), glow=((4, 0.7), (2, 0.8)),
                    fill=((2, 8, 18), (6, 20, 40)), text=(200, 215, 235),
                    shift=1)
    return dict(edge=CYAN, glow=((5, 1.0), (2.5, 1.1)),
                fill=((8, 26, 54), (3, 10, 24)), text=(255, 255, 255), shift=0)


def _shaded_panel(art, pts, top, bottom):
    """Panel with a vertical gradient fill."""
    mask = Image.new("L", art.base.size, 0)
    ImageDraw.Draw(mask).polygon(art.p(pts), fill=255)
    grad = vertical_gradient(art.base.size, top, bottom)
    art.base.paste(grad, (0, 0), mask)
    art.bd = ImageDraw.Draw(art.base)


def _button_frame(art, pts, style, pressed):
    _shaded_panel(art, pts, *style["fill"])
    if pressed:
        # inset look: a dark rim along the top and left inside the panel
        inner = inset_polygon(pts, 2.5)
        art.bd.line(art.p([inner[3], inner[0], inner[1]]), fill=(0, 0, 0),
                    width=int(3 * art.ss), joint="curve")
    art.line(pts, style["edge"], 2.0, closed=True)
    inner = inset_polygon(pts, 5)
    art.line(inner, DIM if not pressed else (12, 40, 80), 1.0, closed=True,
             core=False)


def wide_button(text, lean, state):
    style = _state_style(state)
    art = Art(200, 60, ss=3)
    s = style["shift"]
    ix, iy = WIDE_INSET
    pts = parallelogram(ix + s, iy + s, 200 - 2 * ix, 60 - 2 * iy, WIDE_SLANT,
                        lean)
    _button_frame(art, pts, style, state == "pressed")
    size = 22 if len(text) > 3 else 24
    draw_text_centered(art.td, ((100 + s) * art.ss, (30 + s) * art.ss), text,
                       size * art.ss, style["text"] + (255,),
                       stroke=int(0.3 * art.ss))
    return art.render(style["glow"])


def chevron_points(dx=0.0, dy=0.0):
    # a chevron pointing left, notched on the right
    pts = [(5, 30), (27, 5), (76, 5), (56, 30), (76, 55), (27, 55)]
    return [(x + dx, y + dy) for x, y in pts]


def chevron_button(text, state):
    style = _state_style(state)
    art = Art(80, 60, ss=3)
    s = style["shift"]
    pts = chevron_points(s, s)
    _shaded_panel(art, pts, *style["fill"])
    art.line(pts, style["edge"], 2.0, closed=True)
    # small inner chevron accent at the tip
    art.line([(15 + s, 21 + s), (8.5 + s, 30 + s), (15 + s, 39 + s)],
             DIM if state != "hover" else BLUE, 1.2, core=False)
    draw_text_centered(art.td, ((36 + s) * art.ss, (30 + s) * art.ss), text,
                       17 * art.ss, style["text"] + (255,),
                       stroke=int(0.3 * art.ss))
    return art.render(style["glow"])


def close_button(state):
    style = _state_style(state)
    art = Art(70, 60, ss=3)
    s = style["shift"]
    pts = parallelogram(6 + s, 10 + s, 58, 40, 12, "/")
    _button_frame(art, pts, style, state == "pressed")
    red = {"normal": (235, 50, 50), "hover": (255, 90, 80),
           "pressed": (170, 30, 30)}[state]
    cx, cy, r = 35 + s, 30 + s, 9
    for a, b in (((cx - r, cy - r), (cx + r, cy + r)),
                 ((cx - r, cy + r), (cx + r, cy - r))):
        art.nd.line(art.p([a, b]), fill=red, width=int(round(3.2 * art.ss)))
    return art.render(style["glow"])


def all_buttons():
    out = {}
    for bid, (text, lean) in WIDE_BUTTONS.items():
        for st in BUTTON_STATES:
            out[(bid, st)] = wide_button(text, lean, st)
    for bid, text in CHEVRON_BUTTONS.items():
        for st in BUTTON_STATES:
            out[(bid, st)] = chevron_button(text, st)
    for st in BUTTON_STATES:
        out[("close", st)] = close_button(st)
    return out


# Main window ---------------------------------------------------------------

# Widgets of the main window: (x, y, w, h).
MAIN_BUTTONS = {
    "proxy_abroad": (29, 9, 200, 60),
    "direct_abroad": (233, 32, 200, 60),
    "direct_domestic": (235, 306, 200, 60),
    "proxy_domestic": (26, 344, 200, 60),
    "settings": (198, 233, 80, 60),
    "exit": (199, 111, 80, 60),
}
MAIN_DIAL = (279, 103, 195, 195)
MAIN_TEXTS = {
    "rate": (499, 191, 66, 13),
    "grade": (509, 166, 49, 16),
    "bandwidth": (509, 217, 49, 16),
    "countdown": (578, 192, 16, 16),
}


def button_outline(bid, rect):
    """The neon edge of a placed button, in window coordinates."""
    x, y, w, h = rect
    if bid in WIDE_BUTTONS:
        ix, iy = WIDE_INSET
        return parallelogram(x + ix, y + iy, w - 2 * ix, h - 2 * iy,
                             WIDE_SLANT, WIDE_BUTTONS[bid][1])
    if bid in CHEVRON_BUTTONS:
        return chevron_points(x, y)
    return parallelogram(x + 6, y + 10, 58, 40, 12, "/")


def socket(art, bid, rect, gap=5.0, colour=BLUE, width=1.4):
    """A slightly larger dim outline around a placed button."""
    art.line(inset_polygon(button_outline(bid, rect), -gap), colour, width,
             closed=True, core=False)


def main_background():
    W, H = 635, 400
    art = Art(W, H, ss=2)
    cy = 200.5
    dx0, dy0, dw, dh = MAIN_DIAL
    dcx, dcy = dx0 + dw / 2.0, dy0 + dh / 2.0

    # arrow head with the pod at its tip
    head_x, tip_x, half = 487.0, 626.0, 150.0
    head = [(head_x, cy - half), (tip_x, cy), (head_x, cy + half)]
    art.panel(head, (3, 10, 22))
    art.line(head, CYAN, 2.2, closed=False)
    inner_head = [(head_x + 10, cy - half + 38), (tip_x - 30, cy),
                  (head_x + 10, cy + half - 38)]
    art.line(inner_head, DIM, 1.2, core=False)
    pod_c, pod_r = (586.0, 200.0), 19.0
    art.circle(pod_c, pod_r + 6, BLUE, 1.2, core=False)
    art.circle(pod_c, pod_r, CYAN, 2.2, fill=(0, 0, 0))

    # bay: chamfered square around the dial, and a ring peeking out behind it
    m, ch = 10.0, 18.0
    bx0, by0, bx1, by1 = dx0 - m, dy0 - m, dx0 + dw + m, dy0 + dh + m
    bay = [(bx0 + ch, by0), (bx1 - ch, by0), (bx1, by0 + ch), (bx1, by1 - ch),
           (bx1 - ch, by1), (bx0 + ch, by1), (bx0, by1 - ch), (bx0, by0 + ch)]
    # the bay stays black: the dial picture and the result panel have black
    # grounds and must not show as darker squares
    art.line(bay, CYAN, 2.2, closed=True)
    art.circle((dcx, dcy), dw / 2.0 + 5, BLUE, 1.6, core=False)
    # head joins the bay
    art.line([(bx1, cy - 60), (head_x, cy - 60)], BLUE, 1.4, core=False)
    art.line([(bx1, cy + 60), (head_x, cy + 60)], BLUE, 1.4, core=False)
    art.line([(head_x, cy - half), (head_x, cy + half)], BLUE, 1.4, core=False)

    # read-out windows inside the head: dim frames, dark inside
    for key in ("grade", "rate", "bandwidth"):
        x, y, w, h = MAIN_TEXTS[key]
        frame = parallelogram(x - 7, y - 4, w + 14, h + 8, 5, "/")
        art.panel(frame, (0, 0, 0))
        art.line(frame, DIM, 1.0, closed=True, core=False)

    # shaft from the tail into the bay, with the nock at the tail
    art.line([(20, cy - 9), (bx0, cy - 9)], CYAN, 2.0)
    art.line([(20, cy + 9), (bx0, cy + 9)], CYAN, 2.0)
    art.line([(6, cy - 24), (28, cy), (6, cy + 24)], CYAN, 2.0)
    art.line([(40, cy), (150, cy)], DIM, 1.0, core=False)

    # fletching: slanted vanes above and below the shaft, swept back
    vane_top, vane_bottom, vane_slant = 80.0, cy - 17, 36.0
    for x0, x1 in ((44, 84), (98, 138), (152, 190)):
        upper = [(x0 - vane_slant, vane_top), (x1 - vane_slant, vane_top),
                 (x1, vane_bottom), (x0, vane_bottom)]
        lower = [(x, 2 * cy - y) for x, y in upper]
        for vane in (upper, lower):
            art.panel(vane, (3, 13, 30))
            art.line(vane, BLUE, 1.4, closed=True, core=False)
            art.line([vane[2], vane[3]], CYAN, 2.0)  # root on the shaft

    # sockets around the buttons at the far ends of the wings and the chevrons
    for bid in ("proxy_abroad", "proxy_domestic", "exit", "settings"):
        socket(art, bid, MAIN_BUTTONS[bid], gap=9.0)

    for bid, rect in MAIN_BUTTONS.items():
        art.keepout(*rect, margin=1)
    art.keepout(*MAIN_DIAL, margin=0)
    return art.render()


# Result panel --------------------------------------------------------------

def brush_text(text, size, ss=4, slant=0.18, seed=1):
    """White lettering with rough, brush-like edges, returned as an L mask
    at scale ss. Noise comes from a fixed seed."""
    f = font(size * ss)
    d0 = ImageDraw.Draw(Image.new("L", (1, 1)))
    x0, y0, x1, y1 = d0.textbbox((0, 0), text, font=f, stroke_width=int(0.5 * ss))
    pad = 6 * ss
    w, h = x1 - x0 + 2 * pad + int(slant * (y1 - y0)), y1 - y0 + 2 * pad
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).text((pad - x0, pad - y0), text, font=f, fill=255,
                              stroke_width=int(0.5 * ss), stroke_fill=255)
    # lean the letters forward
    mask = mask.transform(mask.size, Image.AFFINE,
                          (1, slant, -slant * h, 0, 1, 0), Image.BICUBIC)
    # rough edges: soften, push the edge in and out with smooth noise from a
    # fixed seed, then cut hard again
    rng = random.Random(seed)
    cell = int(1.5 * ss)
    nw, nh = w // cell + 2, h // cell + 2
    noise = Image.new("L", (nw, nh))
    noise.putdata([rng.randrange(0, 256) for _ in range(nw * nh)])
    noise = noise.resize((nw * cell, nh * cell), Image.BICUBIC).crop((0, 0, w, h))
    soft = mask.filter(ImageFilter.GaussianBlur(0.7 * ss))
    wobble = noise.point(lambda v: (v - 128) * 36 // 128 + 128)
    rough = ImageChops.add(soft, wobble, scale=1.0, offset=-128)
    rough = rough.point(lambda v: 255 if v >= 128 else 0)
    # dry-brush streaks: a few thin gaps running along the strokes
    streaks = Image.new("L", (w, h), 255)
    sd = ImageDraw.Draw(streaks)
    for _ in range(14):
        y = rng.randrange(pad, h - pad)
        x = rng.randrange(0, w)
        length = rng.randrange(6 * ss, 18 * ss)
        sd.line([(x, y), (x + length, y - length * 0.12)], fill=0,
                width=max(1, ss // 3))
    return ImageChops.multiply(rough, streaks)


def result_panel():
    W = H = 195
    ss = 4
    img = Image.new("RGB", (W * ss, H * ss), (0, 0, 0))
    mask = brush_text("星澜测速大师", 27, ss=ss)
    if mask.width > (W - 8) * ss:
        mask = mask.resize(((W - 8) * ss, int(mask.height * (W - 8) * ss / mask.width)),
                           Image.LANCZOS)
    x = (W * ss - mask.width) // 2
    y = 4 * ss
    halo = Image.new("L", img.size, 0)
    halo.paste(mask, (x, y))
    halo = halo.filter(ImageFilter.GaussianBlur(4 * ss))
    img = Image.composite(Image.new("RGB", img.size, (20, 90, 170)), img,
                          halo.point(lambda v: v // 2))
    img.paste(Image.new("RGB", mask.size, (255, 255, 255)), (x, y), mask)
    d = ImageDraw.Draw(img)
    # dotted line under the caption
    ly = 52
    for i in range(31):
        cx = 12 + i * 5.7
        r = 1.1
        d.ellipse([(cx - r) * ss, (ly - r) * ss, (cx + r) * ss, (ly + r) * ss],
                  fill=(90, 180, 255))
    # corner brackets at the bottom, out of the way of the text rows
    for sx in (1, -1):
        x0 = 6 if sx == 1 else W - 6
        d.line([(x0 * ss, (H - 20) * ss), (x0 * ss, (H - 6) * ss),
                ((x0 + sx * 14) * ss, (H - 6) * ss)], fill=(30, 100, 190),
               width=int(1.5 * ss))
    return img.resize((W, H), Image.LANCZOS)


# Proxy and settings windows ------------------------------------------------

PROXY_WIDGETS = {
    "labels": [(128, 24, 61, 30), (88, 80, 61, 30)],
    "edits": [(191, 24, 100, 30), (150, 80, 157, 30)],
    "confirm": (62, 128, 200, 60),
    "close": (302, 0, 70, 60),
}

SETTINGS_WIDGETS = {
    "labels": [(206, 8), (179, 64), (160, 100), (143, 137), (116, 191),
               (97, 227), (80, 264)],
    "edits": [(269, 8, 215, 30), (271, 64, 265, 30), (252, 100, 265, 30),
              (235, 137, 265, 30), (208, 191, 265, 30), (189, 227, 265, 30),
              (172, 264, 265, 30)],
    "confirm": (136, 302, 200, 60),
    "progress": (190, 367, 90, 30),
    "close": (516, -1, 70, 60),
}


def edit_backing(art, rect, slant=10):
    x, y, w, h = rect
    pts = parallelogram(x - 6 - slant / 2.0, y - 3, w + 12 + slant, h + 6,
                        slant, "/")
    art.panel(pts, (7, 20, 42))
    art.line(pts, DIM, 1.0, closed=True, core=False)
    # a brighter tick on the left edge
    art.line([pts[3], (pts[3][0] + (pts[0][0] - pts[3][0]) * 0.5,
                       pts[3][1] + (pts[0][1] - pts[3][1]) * 0.5)],
             CYAN, 1.6, core=False)


def proxy_background():
    W, H = 400, 200
    art = Art(W, H, ss=2)
    # the close button interrupts the top edge; it sits on the frame
    frame = [(30, 3), (380, 3), (396, 19), (396, 180), (380, 196), (14, 196),
             (4, 186), (4, 29)]
    # the inside stays black so the buttons' black grounds blend in
    art.line(frame, CYAN, 2.0, closed=True)
    art.line(inset_polygon(frame, 7), DIM, 1.0, closed=True, core=False)
    for rect in PROXY_WIDGETS["edits"]:
        edit_backing(art, rect)
    socket(art, "confirm", PROXY_WIDGETS["confirm"], gap=9.0)
    # accent lines on the right
    for i in range(3):
        art.line([(322 + i * 14, 110), (340 + i * 14, 110 + 40)], BLUE, 1.4,
                 core=False)
    art.keepout(*PROXY_WIDGETS["confirm"], margin=1)
    art.keepout(*PROXY_WIDGETS["close"], margin=1)
    return art.render()


def settings_background():
    W, H = 600, 400
    art = Art(W, H, ss=2)
    frame = [(176, 2), (590, 2), (597, 9), (597, 393), (592, 398), (12, 398),
             (7, 393)]
    # the inside stays black so the buttons' black grounds blend in
    art.line(frame, CYAN, 2.0, closed=True)
    # inner line only along the slanted left side; the top row sits too
    # close to the top edge for a full inner frame
    inner = inset_polygon(frame, 7)
    art.line([inner[-1], inner[0]], DIM, 1.0, core=False)
    for rect in SETTINGS_WIDGETS["edits"]:
        edit_backing(art, rect)
    edit_backing(art, SETTINGS_WIDGETS["progress"])
    # slanted accent stripes in the empty lower right
    for i in range(5):
        x = 420 + i * 26
        art.line([(x + 40, 318), (x, 378)], DIM if i % 2 else BLUE, 1.4,
                 core=False)
    art.keepout(*SETTINGS_WIDGETS["confirm"], margin=1)
    art.keepout(*SETTINGS_WIDGETS["close"], margin=1)
    return art.render()


# Contact sheets ------------------------------------------------------------

def dial_contact_sheet(frames, path):
    cols, cell_w, cell_h = 10, 195, 195 + 22
    rows = (len(frames) + cols - 1) // cols
    sheet = Image.new("RGB", (cols * cell_w + (cols + 1) * 6,
                              rows * cell_h + (rows + 1) * 6), (40, 40, 48))
    d = ImageDraw.Draw(sheet)
    for i, frame in enumerate(frames):
        k = i + 1
        cx = 6 + (i % cols) * (cell_w + 6)
        cy = 6 + (i // cols) * (cell_h + 6)
        sheet.paste(frame.resize((195, 195), Image.LANCZOS), (cx, cy + 22))
        label = "#%d  %s MB/s" % (k, format_speed(speed_mb(dial_speed(k))))
        d.text((cx + 2, cy + 2), label, font=font(14), fill=(255, 255, 160))
        d.text((cx + 193, cy + 4), "%d B/s" % dial_speed(k), font=font(11),
               fill=(170, 170, 190), anchor="ra")
    sheet.save(path, format="PNG")


def art_contact_sheet(pictures, buttons, dial_frame, path):
    main = pictures["main_background.jpg"]
    mock = main.copy()
    for bid, rect in MAIN_BUTTONS.items():
        mock.paste(buttons[(bid, "normal")], rect[:2])
    mock.paste(dial_frame.resize((195, 195), Image.LANCZOS), MAIN_DIAL[:2])
    md = ImageDraw.Draw(mock)
    samples = {"rate": "955 kb/s", "grade": "汽车", "bandwidth": "8/M",
               "countdown": "9"}
    for key, (x, y, w, h) in MAIN_TEXTS.items():
        md.text((x + 1, y - 1), samples[key], font=font(12 if key == "rate" else 13),
                fill=(230, 240, 255))

    res_mock = pictures["result_panel.jpg"].copy()
    rd = ImageDraw.Draw(res_mock)
    for i, (a, b) in enumerate((("带宽：", "8M"), ("速率：", "955 KB/s"),
                                ("评估：", "汽车"))):
        rd.text((20, 70 + i * 34), a + b, font=font(16), fill=(235, 240, 255))

    def mock_window(bg, widgets, labels_text):
        m = bg.copy()
        dd = ImageDraw.Draw(m)
        for j, lab in enumerate(widgets["labels"]):
            dd.text((lab[0] + 2, lab[1] + 6), labels_text[j % len(labels_text)],
                    font=font(13), fill=(230, 240, 255))
        for (x, y, w, h) in widgets["edits"]:
            dd.rectangle([x, y, x + w - 1, y + h - 1], outline=(120, 120, 120))
            dd.text((x + 4, y + 7), "127.0.0.1", font=font(13), fill=(230, 240, 255))
        if "progress" in widgets:
            x, y, w, h = widgets["progress"]
            dd.rectangle([x, y, x + w - 1, y + h - 1], outline=(120, 120, 120))
        m.paste(buttons[("confirm", "normal")], widgets["confirm"][:2])
        cx, cyy = widgets["close"][:2]
        m.paste(buttons[("close", "normal")], (cx, max(0, cyy)))
        return m

    proxy_mock = mock_window(pictures["proxy_background.jpg"], PROXY_WIDGETS,
                             ["代理端口：", "代理地址："])
    settings_mock = mock_window(pictures["settings_background.jpg"],
                                SETTINGS_WIDGETS, ["设置项："])

    items = [("main_background.jpg", main), ("main window, assembled", mock),
             ("settings_background.jpg", pictures["settings_background.jpg"]),
             ("settings window, assembled", settings_mock),
             ("proxy_background.jpg", pictures["proxy_background.jpg"]),
             ("proxy window, assembled", proxy_mock),
             ("result_panel.jpg", pictures["result_panel.jpg"]),
             ("result panel with rows", res_mock)]
    pad, title_h = 12, 20
    sheet_w = 2 * 635 + 3 * pad
    # layout: pairs side by side
    y = pad
    placements = []
    for i in range(0, len(items), 2):
        row = items[i:i + 2]
        x = pad
        row_h = 0
        for name, im in row:
            placements.append((name, im, x, y))
            x += 635 + pad
            row_h = max(row_h, im.height)
        y += row_h + title_h + pad
    btn_y = y
    ids = list(WIDE_BUTTONS) + list(CHEVRON_BUTTONS) + ["close"]
    bx = pad
    col_w = 200 + pad
    for bid in ids:
        for j, st in enumerate(BUTTON_STATES):
            placements.append(("%s %s" % (bid, st), buttons[(bid, st)],
                               bx, btn_y + j * (60 + title_h + 6)))
        bx += col_w if bid in WIDE_BUTTONS else 100
        if bx > sheet_w - col_w:
            bx = pad
            btn_y += 3 * (60 + title_h + 6) + pad
    total_h = btn_y + 3 * (60 + title_h + 6) + pad
    sheet = Image.new("RGB", (sheet_w, total_h), (40, 40, 48))
    d = ImageDraw.Draw(sheet)
    for name, im, x, yy in placements:
        d.text((x, yy), name, font=font(13), fill=(255, 255, 160))
        sheet.paste(im, (x, yy + title_h))
    sheet.save(path, format="PNG")


# ---------------------------------------------------------------------------

def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default="assets",
                    help="folder to write the pictures into (default: assets)")
    ap.add_argument("--contact-sheet", metavar="DIR",
                    help="also write contact sheets (PNG) into DIR")
    args = ap.parse_args(argv)

    if not os.path.exists(FONT_PATH):
        raise SystemExit("font not found: %s (Debian package fonts-wqy-microhei)"
                         % FONT_PATH)
    os.makedirs(args.out, exist_ok=True)

    frames, strip = build_dial_strip(os.path.join(args.out, "dial_strip.bin"))
    written = [("dial_strip.bin", len(strip))]

    pictures = {
        "main_background.jpg": main_background(),
        "result_panel.jpg": result_panel(),
        "proxy_background.jpg": proxy_background(),
        "settings_background.jpg": settings_background(),
    }
    expected_sizes = {"main_background.jpg": (635, 400),
                      "result_panel.jpg": (195, 195),
                      "proxy_background.jpg": (400, 200),
                      "settings_background.jpg": (600, 400)}
    for name, img in pictures.items():
        assert img.size == expected_sizes[name], name
        data = save_jpeg(img, os.path.join(args.out, name))
        written.append((name, len(data)))

    buttons = all_buttons()
    for (bid, st), img in sorted(buttons.items()):
        name = "btn_%s_%s.jpg" % (bid, st)
        data = save_jpeg(img, os.path.join(args.out, name))
        written.append((name, len(data)))

    for name, size in written:
        print("%-34s %8d bytes" % (name, size))

    if args.contact_sheet:
        os.makedirs(args.contact_sheet, exist_ok=True)
        dial_contact_sheet(frames, os.path.join(args.contact_sheet, "dials.png"))
        art_contact_sheet(pictures, buttons, frames[49],
                          os.path.join(args.contact_sheet, "window_art.png"))
        print("contact sheets written to %s" % args.contact_sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main())
