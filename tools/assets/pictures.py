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


def numeral_polygons(motif, digit, cell):
    """Numeral outlines in pixels, y down, top-left of the numeral at (0, 0),
    as (polygon, is_hole) pairs."""
    spec = motif["numeral"]
    rows = spec["cells"][digit]
    n = len(rows)
    cells = [(c, n - 1 - k) for k, row in enumerate(rows) for c, ch in enumerate(row) if ch == "#"]
    xs = [i * cell for i in range(len(rows[0]) + 1)]
    ys = [i * cell for i in range(n + 1)]
    polys = []
    for contour in fontgen.grid_outline(cells, xs, ys, spec["outer_radius"] * cell,
                                        spec["inner_radius"] * cell):
        flat = outline_check.flatten(contour)
        # Outer loops are clockwise with y up; holes are not.
        hole = outline_check.signed_area(flat) > 0
        polys.append(([(x, n * cell - y) for x, y in flat], hole))
    return polys


def vector_layout(motif, size):
    """Squares as (left, top, side, angle) in pixels. Straight edges fall on
    pixel boundaries; the tilted square turns about its centre."""
    lay = motif["layout"]
    side = round(size * lay["square"])
    gap = max(1, round(size * lay["bottom_gap"]))
    if 2 * side + gap > size:
        side = (size - gap) // 2
    left = (size - 2 * side - gap) // 2
    bottom_top = size - side
    tilt = lay["tilt_degrees"]
    a = math.radians(abs(tilt))
    half_extent = side / 2 * (math.cos(a) + math.sin(a))
    top_cy = min(half_extent, bottom_top + size * lay["top_overlap"] - half_extent)
    return [
        ((size - side) / 2, top_cy - side / 2, side, tilt),
        (left, bottom_top, side, 0.0),
        (left + side + gap, bottom_top, side, 0.0),
    ]


def render_vector(motif, colouring, size):
    ss = SUPERSAMPLE if size <= 64 else 4
    big = size * ss
    lay = motif["layout"]
    img = Image.new("RGBA", (big, big), TRANSPARENT)
    draw = ImageDraw.Draw(img)
    numeral_colour = tuple(colouring["numerals"]) + (255,)
    knock = max(1.0, size * lay["knockout"])
    squares = vector_layout(motif, size)
    # Bottom squares first, then a clear ring around the top square keeps
    # the three apart even when they share one colour.
    for idx in (1, 2, 0):
        left, top, side, angle = squares[idx]
        cx, cy = left + side / 2, top + side / 2
        radius = side * lay["corner"]
        square_colour = tuple(colouring["squares"][idx]) + (255,)
        if idx == 0:
            ring = rounded_square(cx * ss, cy * ss, (side + 2 * knock) * ss,
                                  (radius + knock) * ss, angle)
            draw.polygon(ring, fill=TRANSPARENT)
        draw.polygon(rounded_square(cx * ss, cy * ss, side * ss, radius * ss, angle),
                     fill=square_colour)
        rows = motif["numeral"]["cells"][str(idx + 1)]
        cell = max(1, round(side * lay["numeral_height"] / len(rows)))
        nw, nh = cell * len(rows[0]), cell * len(rows)
        # Whole-pixel offsets keep the strokes sharp in the upright squares.
        ox = round((side - nw) / 2) - side / 2
        oy = round((side - nh) / 2) - side / 2
        polys = numeral_polygons(motif, str(idx + 1), cell)
        for poly, hole in sorted(polys, key=lambda p: p[1]):
            pts = rotate([((x + ox) * ss, (y + oy) * ss) for x, y in poly],
                         cx * ss, cy * ss, angle)
            draw.polygon(pts, fill=square_colour if hole else numeral_colour)
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
