#!/usr/bin/python3
"""Checks the generated assets as the program and Windows will see them.

Usage: test_generated_assets.py ASSETS_DIR

These checks use fontTools' and Pillow's own readers rather than the
generator's code, so a fault shared by the writer and its checks still shows.
"""

import io
import os
import struct
import sys
import unittest

from fontTools.pens.areaPen import AreaPen
from fontTools.pens.basePen import BasePen
from fontTools.pens.recordingPen import RecordingPen
from fontTools.ttLib import TTFont
from PIL import Image, ImageDraw, ImageFont, ImageMath

ASSETS = None

FAMILIES = ["Digital Display", "Digital-7", "DJB Get Digital", "MOSCOW2024", "Seven Segment", "Typo Digit Demo"]
FULL_NAMES = ["Digital Display Regular"] + [f + " Regular" for f in FAMILIES[1:]]
REQUIRED_CHARS = "0123456789 -.:"
DIGITS = "0123456789"
TRAY_SIZES = {16, 20, 24, 32, 48}
ICON_SIZES = {16, 20, 24, 32, 40, 48, 64, 256}
TRAY_COLOURS = {
    "tray0.ico": {"squares": [(0, 0, 0)], "numerals": (255, 255, 255)},
    "tray1.ico": {"squares": [(255, 255, 255)], "numerals": (0, 0, 0)},
    "tray2.ico": {"squares": [(32, 150, 243), (255, 193, 6), (75, 175, 79)], "numerals": (255, 255, 255)},
    "mainicon.ico": {"squares": [(32, 150, 243), (255, 193, 6), (75, 175, 79)], "numerals": (255, 255, 255)},
}


def font_path(index):
    return os.path.join(ASSETS, f"font{index}.ttf")


def contours_of(glyph_set, name):
    """Each contour of a glyph as its own list of pen operations."""
    rec = RecordingPen()
    glyph_set[name].draw(rec)
    contours, current = [], []
    for op, args in rec.value:
        current.append((op, args))
        if op in ("closePath", "endPath"):
            contours.append(current)
            current = []
    return contours


def replay(ops, pen):
    for op, args in ops:
        getattr(pen, op)(*args)


class _PolygonPen(BasePen):
    """Collects one contour as a polygon; curves become short lines."""

    def __init__(self):
        super().__init__(None)
        self.points = []

    def _moveTo(self, p):
        self.points = [p]

    def _lineTo(self, p):
        self.points.append(p)

    def _curveToOne(self, p1, p2, p3):
        p0 = self._getCurrentPoint()
        for i in range(1, 9):
            t = i / 8
            u = 1 - t
            self.points.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * d
                                     for a, b, c, d in zip(p0, p1, p2, p3)))


class _Raster:
    """Scan-converts one contour at half a pixel per font unit."""

    SCALE = 0.5

    def __init__(self, ymax):
        self.ymax = ymax

    def mask(self, ops, size):
        pen = _PolygonPen()
        replay(ops, pen)
        img = Image.new("L", size, 0)
        pts = [((x + 100) * self.SCALE, (self.ymax - y) * self.SCALE) for x, y in pen.points]
        ImageDraw.Draw(img).polygon(pts, fill=1)
        return img


class FontTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fonts = [TTFont(font_path(i)) for i in range(1, 7)]

    def test_names(self):
        for font, family, full in zip(self.fonts, FAMILIES, FULL_NAMES):
            with self.subTest(family):
                name = font["name"]
                for platform, encoding, language in ((3, 1, 0x409), (1, 0, 0)):
                    got = {i: name.getName(i, platform, encoding, language) for i in (1, 2, 4)}
                    self.assertEqual({i: str(v) if v else None for i, v in got.items()},
                                     {1: family, 2: "Regular", 4: full}, (platform, encoding))

    def test_tables_and_cmap(self):
        for font, family in zip(self.fonts, FAMILIES):
            with self.subTest(family):
                for tag in ("head", "hhea", "maxp", "OS/2", "hmtx", "cmap", "glyf", "loca", "name", "post"):
                    self.assertIn(tag, font)
                self.assertEqual(font["OS/2"].version, 4)
                self.assertEqual(font.getGlyphOrder()[0], ".notdef")
                sub = font["cmap"].getcmap(3, 1)
                self.assertIsNotNone(sub)
                self.assertEqual(sub.format, 4)
                for ch in REQUIRED_CHARS:
                    self.assertIn(ord(ch), sub.cmap, repr(ch))
                glyf = font["glyf"]
                for ch in DIGITS + "-.:":
                    self.assertGreater(glyf[sub.cmap[ord(ch)]].numberOfContours, 0, repr(ch))

    def test_digits_are_tabular(self):
        for font, family in zip(self.fonts, FAMILIES):
            with self.subTest(family):
                cmap = font.getBestCmap()
                widths = {font["hmtx"][cmap[ord(d)]][0] for d in DIGITS}
                self.assertEqual(len(widths), 1, widths)

    def test_vertical_metrics_cover_every_glyph(self):
        for font, family in zip(self.fonts, FAMILIES):
            with self.subTest(family):
                os2, hhea = font["OS/2"], font["hhea"]
                self.assertEqual(hhea.ascent, os2.sTypoAscender)
                self.assertEqual(hhea.descent, os2.sTypoDescender)
                self.assertEqual(hhea.lineGap, os2.sTypoLineGap)
                self.assertEqual(os2.usWinAscent, hhea.ascent)
                self.assertEqual(os2.usWinDescent, -hhea.descent)
                glyf = font["glyf"]
                for name in font.getGlyphOrder():
                    g = glyf[name]
                    if g.numberOfContours == 0:
                        continue
                    self.assertLessEqual(g.yMax, os2.usWinAscent, name)
                    self.assertGreaterEqual(g.yMin, -os2.usWinDescent, name)
                    advance = font["hmtx"][name][0]
                    self.assertGreaterEqual(g.xMin, 0, name)
                    self.assertLessEqual(g.xMax, advance, name)

    def test_digits_fill_the_cell(self):
        # The window is sized to the text cell: the digits must not float in
        # a mostly empty box.
        for font, family in zip(self.fonts, FAMILIES):
            with self.subTest(family):
                os2 = font["OS/2"]
                cell = os2.usWinAscent + os2.usWinDescent
                eight = font["glyf"][font.getBestCmap()[ord("8")]]
                self.assertGreater((eight.yMax - eight.yMin) / cell, 0.85)

    def test_winding_and_no_overlap(self):
        # Sum each contour's fill with its direction: clockwise adds one,
        # counter-clockwise takes one away. Any pixel that ends up outside
        # {0, 1} marks overlapping contours or a wrongly wound contour.
        for font, family in zip(self.fonts, FAMILIES):
            glyph_set = font.getGlyphSet()
            os2 = font["OS/2"]
            raster = _Raster(os2.usWinAscent)
            size = (int((font["hmtx"][".notdef"][0] + 400) * _Raster.SCALE),
                    int((os2.usWinAscent + os2.usWinDescent) * _Raster.SCALE) + 2)
            for name in font.getGlyphOrder():
                with self.subTest(f"{family} {name}"):
                    total = Image.new("I", size, 0)
                    for ops in contours_of(glyph_set, name):
                        area = AreaPen(glyph_set)
                        replay(ops, area)
                        self.assertNotEqual(area.value, 0)
                        mask = raster.mask(ops, size)
                        sign = 1 if area.value < 0 else -1
                        total = ImageMath.eval("t + s * m", t=total, m=mask.convert("I"), s=sign)
                    lo, hi = total.getextrema()
                    self.assertGreaterEqual(lo, 0)
                    self.assertLessEqual(hi, 1)

    def test_freetype_renders_digits_with_equal_advances(self):
        for i, family in enumerate(FAMILIES, start=1):
            with self.subTest(family):
                ft = ImageFont.truetype(font_path(i), 64)
                self.assertEqual(ft.getname(), (family, "Regular"))
                lengths = {ft.getlength(d) for d in DIGITS}
                self.assertEqual(len(lengths), 1, lengths)
                for d in DIGITS:
                    self.assertIsNotNone(ft.getbbox(d))
                    self.assertGreater(ft.getmask(d).getbbox()[3], 0)

    def test_faces_differ(self):
        # Six faces, six looks: no two render the same "8".
        renders = []
        for i in range(1, 7):
            ft = ImageFont.truetype(font_path(i), 48)
            img = Image.new("L", (80, 80), 0)
            ImageDraw.Draw(img).text((4, 4), "8", font=ft, fill=255)
            renders.append(img.tobytes())
        self.assertEqual(len(set(renders)), 6)


def ico_directory(path):
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for i in range(count):
        w, h, colours, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        blob = data[offset:offset + length]
        entries.append(dict(size=w or 256, height=h or 256, bits=bits, planes=planes,
                            png=blob.startswith(b"\x89PNG\r\n\x1a\n"), blob=blob))
    return (reserved, kind), entries


class IconTest(unittest.TestCase):
    def check_icon(self, name, sizes):
        path = os.path.join(ASSETS, name)
        (reserved, kind), entries = ico_directory(path)
        self.assertEqual((reserved, kind), (0, 1))
        self.assertEqual({e["size"] for e in entries}, sizes)
        for e in entries:
            s = e["size"]
            self.assertEqual(e["height"], s)
            self.assertEqual(e["bits"], 32)
            # PNG at every size: Windows reads it since Vista, and bitmaps would make the
            # icons several times bigger.
            self.assertTrue(e["png"], f"the {s} px entry is stored as PNG")
            with Image.open(io.BytesIO(e["blob"])) as entry:
                self.assertEqual((entry.size, entry.mode), ((s, s), "RGBA"), f"the {s} px entry")

        colours = TRAY_COLOURS[name]
        with Image.open(path) as ico:
            for s in sorted(sizes):
                with self.subTest(f"{name} {s}"):
                    img = ico.ico.getimage((s, s)).convert("RGBA")
                    self.assertEqual(img.size, (s, s))
                    self.check_picture(img, colours)

    def check_picture(self, img, colours):
        s = img.size[0]
        px = img.load()
        # Transparent surroundings: the top corners sit beside the top square.
        self.assertEqual(px[0, 0][3], 0)
        self.assertEqual(px[s - 1, 0][3], 0)
        alphas = [p[3] for p in img.getdata()]
        opaque = sum(1 for a in alphas if a == 255)
        self.assertGreater(opaque / (s * s), 0.35)
        self.assertGreater(sum(1 for a in alphas if a == 0) / (s * s), 0.1)
        # Every square colour and the numeral colour are present as solid pixels.
        solid = {p[:3] for p in img.getdata() if p[3] == 255}
        for c in colours["squares"] + [colours["numerals"]]:
            self.assertTrue(any(max(abs(a - b) for a, b in zip(c, q)) <= 8 for q in solid), (s, c))

    def test_tray_pictures(self):
        for name in ("tray0.ico", "tray1.ico", "tray2.ico"):
            self.check_icon(name, TRAY_SIZES)

    def test_program_icon(self):
        self.check_icon("mainicon.ico", ICON_SIZES)

    def test_contact_sheet(self):
        with Image.open(os.path.join(ASSETS, "contact_sheet.png")) as sheet:
            self.assertEqual(sheet.format, "PNG")
            self.assertGreater(sheet.size[1], 600)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    ASSETS = sys.argv.pop(1)
    unittest.main()
