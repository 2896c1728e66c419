"""Draws the three-squares motif of the tray pictures and the program icon.

Large sizes are vector shapes rendered supersampled and scaled down; the
smallest sizes use hand-placed pixel layouts, since a scaled-down drawing
turns to mush at 16 pixels.
"""

from __future__ import annotations

import json
import math

from PIL import Image, ImageDraw

import fontgen
import outline_check

TRAY_SIZES = [16, 20, 24, 32, 48]
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
SUPERSAMPLE = 8
TRANSPARENT = (0, 0, 0, 0)


def load_motif(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


# --- vector geometry (unit square, y down) ----------------------------------

def rounded_square(cx, cy, side, radius, angle_deg=0.0, steps=12):
    """Polygon of a rounded square centred on (cx, cy), rotated."""
    h = side / 2
    r = min(radius, h)
    pts = []
    corners = [(h - r, h - r, 0), (-(h - r), h - r, 90), (-(h - r), -(h - r), 180), (h - r, -(h - r), 270)]
    for ox, oy, a0 in corners:
        for k in range(steps + 1):
            a = math.radians(a0 + 90 * k / steps)
            pts.append((ox + r * math.cos(a), oy + r * math.sin(a)))
    return rotate(pts, cx, cy, angle_deg)


def rotate(pts, cx, cy, angle_deg):
    a = math.radians(angle_deg)
    ca, sa = math.cos(a), math.sin(a)
    return [(cx + x * ca - y * sa, cy + x * sa + y * ca) for x, y in pts]


def numeral_polygons(motif, digit):
    """Numeral outlines centred on (0, 0) with height 1, y down, as
    (polygon, is_hole) pairs."""
    spec = motif["numeral"]
    face = fontgen.CalculatorFace.__new__(fontgen.CalculatorFace)
    scale = 1000.0
    face.spec = {"width": spec["width"] * scale, "thickness": spec["thickness"] * scale,
                 "outer_radius": spec["outer_radius"] * scale,
                 "inner_radius": spec["inner_radius"] * scale}
    face.H = scale
    segments = {"1": "bc", "2": "abdeg", "3": "abcdg"}
    face.segment_map = segments
    polys = []
    for contour in face.character(digit):
        flat = outline_check.flatten(contour)
        polys.append((flat, outline_check.signed_area(flat) > 0))
    xs = [p[0] for poly, _ in polys for p in poly]
    cx = (min(xs) + max(xs)) / 2
    return [([((x - cx) / scale, -(y - scale / 2) / scale) for x, y in poly], hole)
            for poly, hole in polys]


def vector_layout(motif, size):
    """Squares as (centre x, centre y, side, angle) in pixels, pixel-snapped
    so straight edges fall on pixel boundaries."""
    lay = motif["layout"]
    side = round(size * lay["square"])
    gap = max(1, round(size * lay["bottom_gap"]))
    if 2 * side + gap > size:
        side = (size - gap) // 2
    left = (size - 2 * side - gap) // 2
    bottom_top = size - side
    tilt = lay["tilt_degrees"] if size >= lay["tilt_from_size"] else 0.0
    a = math.radians(abs(tilt))
    half_extent = side / 2 * (math.cos(a) + math.sin(a))
    overlap = size * lay["top_overlap"] if tilt else 0.0
    top_cy = min(half_extent, bottom_top + overlap - half_extent)
    if not tilt:
        top_cy = round(top_cy - side / 2) + side / 2
    return [
        (size / 2, top_cy, side, tilt),
        (left + side / 2, bottom_top + side / 2, side, 0.0),
        (left + side + gap + side / 2, bottom_top + side / 2, side, 0.0),
    ]


def render_vector(motif, colouring, size):
    ss = SUPERSAMPLE if size <= 64 else 4
    big = size * ss
    lay = motif["layout"]
    squares = vector_layout(motif, size)
    img = Image.new("RGBA", (big, big), TRANSPARENT)
    draw = ImageDraw.Draw(img)
    numeral_colour = tuple(colouring["numerals"]) + (255,)
    knock = max(1.0, size * lay["knockout"])
    # Bottom squares first, then cut a clear ring around the top square so
    # the three stay apart even when they share one colour.
    order = [1, 2, 0]
    for idx in order:
        cx, cy, side, angle = squares[idx]
        radius = side * lay["corner"]
        if idx == 0:
            ring = rounded_square(cx * ss, cy * ss, (side + 2 * knock) * ss,
                                  (radius + knock) * ss, angle)
            draw.polygon(ring, fill=TRANSPARENT)
        square = rounded_square(cx * ss, cy * ss, side * ss, radius * ss, angle)
        draw.polygon(square, fill=tuple(colouring["squares"][idx]) + (255,))
        height = side * lay["numeral_height"]
        polys = numeral_polygons(motif, str(idx + 1))
        for poly, hole in sorted(polys, key=lambda p: p[1]):
            pts = rotate([(x * height * ss, y * height * ss) for x, y in poly],
                         cx * ss, cy * ss, angle)
            fill = tuple(colouring["squares"][idx]) + (255,) if hole else numeral_colour
            draw.polygon(pts, fill=fill)
    return img.resize((size, size), Image.LANCZOS if size > 64 else Image.BOX)


def render_pixel_art(motif, colouring, size):
    art = motif["pixel_art"][str(size)]
    img = Image.new("RGBA", (size, size), TRANSPARENT)
    px = img.load()
    numeral_colour = tuple(colouring["numerals"]) + (255,)
    for idx, (x0, y0, w, h) in enumerate(art["squares"]):
        colour = tuple(colouring["squares"][idx]) + (255,)
        corners = {(x0, y0), (x0 + w - 1, y0), (x0, y0 + h - 1), (x0 + w - 1, y0 + h - 1)}
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                if (x, y) not in corners:
                    px[x, y] = colour
        ox, oy = art["numeral_offsets"][idx]
        for r, row in enumerate(art["numerals"][str(idx + 1)]):
            for c, cell in enumerate(row):
                if cell == "#":
                    px[x0 + ox + c, y0 + oy + r] = numeral_colour
    return img


def render(motif, colouring, size):
    if str(size) in motif["pixel_art"]:
        return render_pixel_art(motif, colouring, size)
    return render_vector(motif, colouring, size)
