"""Builds the six digital TrueType faces from resources/fonts/faces.json.

Every glyph is drawn inside a digit box [0, W] x [0, H] (y up, baseline 0),
then moved right by the side bearing and sheared for slanted faces. Segment
faces are built as a tiling of the box that is then shrunk, so the gaps
between segments are even and the contours never touch.
"""

from __future__ import annotations

import io
import json
import math

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable

import outline_check

UNITS_PER_EM = 1000
# Digit height at size factor 9; other factors scale it so all faces show
# digits of the same height at the same scale.
BASE_DIGIT_HEIGHT = 700
BASE_FACTOR = 9
# Room above and below the digits, as a share of the digit height, so
# antialiasing never touches the cell edge.
CELL_MARGIN = 0.05

CHARS = {
    "space": 0x20, "hyphen": 0x2D, "period": 0x2E, "colon": 0x3A,
    "zero": 0x30, "one": 0x31, "two": 0x32, "three": 0x33, "four": 0x34,
    "five": 0x35, "six": 0x36, "seven": 0x37, "eight": 0x38, "nine": 0x39,
}
# Extra code points that reuse a glyph: no-break and figure space, minus sign.
ALIASES = {0xA0: "space", 0x2007: "space", 0x2212: "hyphen"}
DIGIT_NAMES = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"]
GLYPH_ORDER = [".notdef", "space", "hyphen", "period", "colon"] + DIGIT_NAMES


# --- plane geometry -------------------------------------------------------

def area(poly):
    return outline_check.signed_area([(p[0], p[1]) for p in poly])


def clockwise(points):
    """Points (x, y) or (x, y, on) turned clockwise (y up)."""
    pts = list(points)
    if outline_check.signed_area([(p[0], p[1]) for p in pts]) > 0:
        pts.reverse()
    return pts


def on(poly):
    return [(x, y, True) for x, y in poly]


def _line_intersection(p, u, q, v):
    det = u[0] * v[1] - u[1] * v[0]
    t = ((q[0] - p[0]) * v[1] - (q[1] - p[1]) * v[0]) / det
    return (p[0] + u[0] * t, p[1] + u[1] * t)


def inset_convex(poly, d):
    """Convex polygon with every edge moved inwards by d."""
    ccw = area(poly) > 0
    n = len(poly)
    lines = []
    for i in range(n):
        a, b = poly[i], poly[(i + 1) % n]
        dx, dy = b[0] - a[0], b[1] - a[1]
        ln = math.hypot(dx, dy)
        u = (dx / ln, dy / ln)
        normal = (-u[1], u[0]) if ccw else (u[1], -u[0])
        lines.append(((a[0] + normal[0] * d, a[1] + normal[1] * d), u))
    out = []
    for i in range(n):
        p, u = lines[i - 1]
        q, v = lines[i]
        out.append(_line_intersection(p, u, q, v))
    return out


def rect(x0, y0, x1, y1, chamfer=0.0):
    if chamfer <= 0:
        return [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
    c = min(chamfer, (x1 - x0) / 2.5, (y1 - y0) / 2.5)
    return [(x0, y0 + c), (x0, y1 - c), (x0 + c, y1), (x1 - c, y1),
            (x1, y1 - c), (x1, y0 + c), (x1 - c, y0), (x0 + c, y0)]


def arc(cx, cy, r, a0, a1):
    """Quadratic arc from angle a0 to a1 (degrees), at most 45 degrees per
    curve. Returns points without the final on-curve point."""
    sweep = a1 - a0
    steps = max(1, int(math.ceil(abs(sweep) / 45.0 - 1e-9)))
    step = sweep / steps
    pts = []
    for k in range(steps):
        s = math.radians(a0 + k * step)
        m = math.radians(a0 + (k + 0.5) * step)
        rc = r / math.cos(math.radians(step / 2))
        pts.append((cx + r * math.cos(s), cy + r * math.sin(s), True))
        pts.append((cx + rc * math.cos(m), cy + rc * math.sin(m), False))
    return pts


def circle(cx, cy, r):
    # Decreasing angle: clockwise with y up.
    return arc(cx, cy, r, 90, -270)


def stadium(p, q, r):
    """Capsule around the segment p-q with radius r, clockwise."""
    ang = math.degrees(math.atan2(q[1] - p[1], q[0] - p[0]))
    return arc(q[0], q[1], r, ang + 90, ang - 90) + arc(p[0], p[1], r, ang - 90, ang - 270)


def hexagon(p, q, h):
    dx, dy = q[0] - p[0], q[1] - p[1]
    ln = math.hypot(dx, dy)
    u = (dx / ln, dy / ln)
    n = (-u[1], u[0])
    return [p,
            (p[0] + (u[0] + n[0]) * h, p[1] + (u[1] + n[1]) * h),
            (q[0] + (-u[0] + n[0]) * h, q[1] + (-u[1] + n[1]) * h),
            q,
            (q[0] + (-u[0] - n[0]) * h, q[1] + (-u[1] - n[1]) * h),
            (p[0] + (u[0] - n[0]) * h, p[1] + (u[1] - n[1]) * h)]


# --- orthogonal unions with rounded corners ---------------------------------

def trace_cells(cells):
    """Outline of a union of unit grid cells (col, row) as orthogonal loops,
    filled side on the right: outer loops clockwise, holes counter-clockwise."""
    edges = set()
    for c, r in cells:
        for e in (((c, r), (c, r + 1)), ((c, r + 1), (c + 1, r + 1)),
                  ((c + 1, r + 1), (c + 1, r)), ((c + 1, r), (c, r))):
            rev = (e[1], e[0])
            if rev in edges:
                edges.remove(rev)
            else:
                edges.add(e)
    nxt = {}
    for a, b in edges:
        if a in nxt:
            raise ValueError(f"cells meet only at a corner near {a}")
        nxt[a] = b
    loops = []
    while nxt:
        start = min(nxt)
        loop = [start]
        cur = nxt.pop(start)
        while cur != start:
            loop.append(cur)
            cur = nxt.pop(cur)
        # Keep only the corners.
        corners = []
        n = len(loop)
        for i in range(n):
            a, b, c = loop[i - 1], loop[i], loop[(i + 1) % n]
            if (b[0] - a[0]) * (c[1] - b[1]) - (b[1] - a[1]) * (c[0] - b[0]) != 0:
                corners.append(b)
        loops.append(corners)
    return loops


def round_corners(poly, outer_radius, inner_radius):
    """Orthogonal loop (filled side on the right) with convex corners rounded by
    outer_radius and concave ones by inner_radius, as quadratic curves."""
    n = len(poly)
    radii = []
    for i in range(n):
        a, b, c = poly[i - 1], poly[i], poly[(i + 1) % n]
        cross = (b[0] - a[0]) * (c[1] - b[1]) - (b[1] - a[1]) * (c[0] - b[0])
        radii.append(outer_radius if cross < 0 else inner_radius)
    lengths = [math.dist(poly[i], poly[(i + 1) % n]) for i in range(n)]
    # Two corners sharing an edge may use at most that edge's length.
    for i in range(n):
        radii[i] = min(radii[i], lengths[i - 1] / 2, lengths[i] / 2)
    pts = []
    for i in range(n):
        a, b, c = poly[i - 1], poly[i], poly[(i + 1) % n]
        r = radii[i]
        if r <= 0:
            pts.append((b[0], b[1], True))
            continue
        lin = math.dist(a, b)
        lout = math.dist(b, c)
        pts.append((b[0] - (b[0] - a[0]) / lin * r, b[1] - (b[1] - a[1]) / lin * r, True))
        pts.append((b[0], b[1], False))
        pts.append((b[0] + (c[0] - b[0]) / lout * r, b[1] + (c[1] - b[1]) / lout * r, True))
    return pts


def grid_outline(cells, xs, ys, outer_radius, inner_radius):
    loops = []
    for loop in trace_cells(cells):
        poly = [(xs[c], ys[r]) for c, r in loop]
        loops.append(round_corners(poly, outer_radius, inner_radius))
    return loops


# --- faces ---------------------------------------------------------------

class Face:
    """Geometry of one face: contours for each glyph in the digit box."""

    def __init__(self, spec, segment_map):
        self.spec = spec
        factor = spec["size_factor"]
        self.H = round(BASE_DIGIT_HEIGHT * BASE_FACTOR / factor)
        self.segment_map = dict(segment_map)
        self.segment_map.update(spec.get("overrides", {}))

    @property
    def W(self):
        return self.spec["width"]

    def digit_box_width(self):
        return self.W

    def character(self, ch):
        """Contours of a digit or '-' (segment faces)."""
        lit = self.segment_map[ch]
        return [c for s in lit for c in self.segment(s)]

    def mark_width(self):
        return self.spec["thickness"]

    def period(self):
        t = self.mark_width()
        return self.mark(0, 0, t)

    def colon(self):
        t = self.mark_width()
        y_low = self.H * 0.27 - t / 2
        y_high = self.H * 0.73 - t / 2
        return self.mark(0, y_low, t) + self.mark(0, y_high, t)

    def mark(self, x, y, t):
        return [on(clockwise(rect(x, y, x + t, y + t)))]


class BevelFace(Face):
    """Hexagonal segments meeting at their pointed ends."""

    def segment(self, s):
        W, H, t = self.W, self.H, self.spec["thickness"]
        h = t / 2
        xl, xr, yt, ym, yb = h, W - h, H - h, H / 2, h
        ends = {"a": ((xl, yt), (xr, yt)), "b": ((xr, yt), (xr, ym)),
                "c": ((xr, ym), (xr, yb)), "d": ((xl, yb), (xr, yb)),
                "e": ((xl, ym), (xl, yb)), "f": ((xl, yt), (xl, ym)),
                "g": ((xl, ym), (xr, ym))}[s]
        poly = inset_convex(hexagon(ends[0], ends[1], h), self.spec["gap"] / 2)
        return [on(clockwise(poly))]

    def mark(self, x, y, t):
        # A square standing on its corner matches the pointed segments.
        c = t * 0.62
        cx, cy = x + t / 2, y + t / 2
        return [on(clockwise([(cx, cy - c), (cx - c, cy), (cx, cy + c), (cx + c, cy)]))]

    def period(self):
        t = self.mark_width()
        return self.mark(0, self.spec["gap"], t)


class MitreFace(Face):
    """Trapezoid segments filling the corners with 45 degree joints."""

    def segment(self, s):
        W, H, t = self.W, self.H, self.spec["thickness"]
        h = t / 2
        ym = H / 2
        poly = {
            "a": [(0, H), (W, H), (W - t, H - t), (t, H - t)],
            "b": [(W, H), (W, ym), (W - t, ym + h), (W - t, H - t)],
            "c": [(W, ym), (W, 0), (W - t, t), (W - t, ym - h)],
            "d": [(0, 0), (t, t), (W - t, t), (W, 0)],
            "e": [(0, ym), (t, ym - h), (t, t), (0, 0)],
            "f": [(0, H), (t, H - t), (t, ym + h), (0, ym)],
            "g": [(0, ym), (t, ym + h), (W - t, ym + h), (W, ym), (W - t, ym - h), (t, ym - h)],
        }[s]
        return [on(clockwise(inset_convex(poly, self.spec["gap"] / 2)))]

    def mark_width(self):
        return self.spec["thickness"] * 1.6


class BlockFace(Face):
    """Heavy rectangular bars; the vertical bars own the corners."""

    def segment(self, s):
        W, H, t = self.W, self.H, self.spec["thickness"]
        h = t / 2
        ym = H / 2
        box = {
            "a": (t, H - t, W - t, H), "d": (t, 0, W - t, t), "g": (t, ym - h, W - t, ym + h),
            "f": (0, ym, t, H), "b": (W - t, ym, W, H),
            "e": (0, 0, t, ym), "c": (W - t, 0, W, ym),
        }[s]
        poly = rect(*box, chamfer=self.spec["chamfer"])
        return [on(clockwise(inset_convex(poly, self.spec["gap"] / 2)))]

    def character(self, ch):
        if ch != "-":
            return super().character(ch)
        # Alone, the middle bar would be a stub between empty columns.
        W, H, h = self.W, self.H, self.spec["thickness"] / 2
        poly = rect(0, H / 2 - h, W, H / 2 + h, chamfer=self.spec["chamfer"])
        return [on(clockwise(inset_convex(poly, self.spec["gap"] / 2)))]

    def mark(self, x, y, t):
        poly = inset_convex(rect(x, y, x + t, y + t, chamfer=self.spec["chamfer"]),
                            self.spec["gap"] / 2)
        return [on(clockwise(poly))]


class RoundedFace(Face):
    """Capsule segments with wide gaps."""

    def segment(self, s):
        W, H, t = self.W, self.H, self.spec["thickness"]
        h = t / 2
        # Pull the caps back far enough that neighbouring caps keep the gap.
        k = (2 * h + self.spec["gap"]) / math.sqrt(2)
        xl, xr, yt, ym, yb = h, W - h, H - h, H / 2, h
        ends = {"a": ((xl + k, yt), (xr - k, yt)), "b": ((xr, yt - k), (xr, ym + k)),
                "c": ((xr, ym - k), (xr, yb + k)), "d": ((xl + k, yb), (xr - k, yb)),
                "e": ((xl, ym - k), (xl, yb + k)), "f": ((xl, yt - k), (xl, ym + k)),
                "g": ((xl + k, ym), (xr - k, ym))}[s]
        return [stadium(ends[0], ends[1], h)]

    def mark(self, x, y, t):
        return [circle(x + t / 2, y + t / 2, t / 2)]


class CalculatorFace(Face):
    """Continuous strokes on the seven-segment grid with rounded corners."""

    CELLS = {
        "a": [(0, 4), (1, 4), (2, 4)], "d": [(0, 0), (1, 0), (2, 0)],
        "g": [(0, 2), (1, 2), (2, 2)], "f": [(0, 2), (0, 3), (0, 4)],
        "e": [(0, 0), (0, 1), (0, 2)], "b": [(2, 2), (2, 3), (2, 4)],
        "c": [(2, 0), (2, 1), (2, 2)],
    }

    def character(self, ch):
        W, H, t = self.W, self.H, self.spec["thickness"]
        h = t / 2
        xs = [0, t, W - t, W]
        ys = [0, t, H / 2 - h, H / 2 + h, H - t, H]
        cells = sorted({cell for s in self.segment_map[ch] for cell in self.CELLS[s]})
        return grid_outline(cells, xs, ys, self.spec["outer_radius"], self.spec["inner_radius"])

    def mark(self, x, y, t):
        return grid_outline([(0, 0)], [x, x + t], [y, y + t], self.spec["outer_radius"], 0)


class DotFace(Face):
    """5x7 LED matrix of round dots."""

    def __init__(self, spec, segment_map):
        super().__init__(spec, segment_map)
        ratio = spec["dot_radius_ratio"]
        self.pitch = self.H / (6 + 2 * ratio)
        self.radius = self.pitch * ratio

    @property
    def W(self):
        return 4 * self.pitch + 2 * self.radius

    def bitmap(self, ch):
        rows = self.spec["bitmaps"][ch]
        out = []
        for k, row in enumerate(rows):
            for col, cell in enumerate(row):
                if cell == "#":
                    out.append(circle(self.radius + col * self.pitch,
                                      self.H - self.radius - k * self.pitch, self.radius))
        return out

    def character(self, ch):
        return self.bitmap(ch)

    def mark_width(self):
        return 2 * self.radius

    def period(self):
        return self.bitmap(".")

    def colon(self):
        return self.bitmap(":")


BUILDERS = {"bevel": BevelFace, "mitre": MitreFace, "block": BlockFace,
            "rounded": RoundedFace, "calculator": CalculatorFace, "dots": DotFace}


def load_faces(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    segment_map = {k: v for k, v in data["segments"].items() if k != "comment"}
    return [BUILDERS[spec["builder"]](spec, segment_map) for spec in data["faces"]]


# --- font assembly ----------------------------------------------------------

def place(contours, dx, slant):
    """Moves contours right by dx and shears them (x += y * slant)."""
    return [[(x + dx + y * slant, y, o) for x, y, o in c] for c in contours]


def draw_glyph(contours):
    pen = TTGlyphPen(None)
    for contour in contours:
        pts = [(round(x), round(y), o) for x, y, o in contour]
        # Start on an on-curve point.
        first = next(i for i, p in enumerate(pts) if p[2])
        pts = pts[first:] + pts[:first]
        pen.moveTo(pts[0][:2])
        pending = []
        for x, y, o in pts[1:]:
            if o:
                if pending:
                    pen.qCurveTo(*pending, (x, y))
                    pending = []
                else:
                    pen.lineTo((x, y))
            else:
                pending.append((x, y))
        if pending:
            pen.qCurveTo(*pending, pts[0][:2])
        pen.closePath()
    return pen.glyph()


def notdef_contours(width, height):
    m = width * 0.12
    stroke = max(20, width * 0.08)
    outer = on(clockwise(rect(m, 0, width - m, height)))
    inner = on(list(reversed(clockwise(rect(m + stroke, stroke, width - m - stroke, height - stroke)))))
    return [outer, inner]


def build_font(face, version="1.000"):
    """Returns the compiled TTFont of one face (not yet validated)."""
    spec = face.spec
    H = face.H
    slant = math.tan(math.radians(spec.get("slant_degrees", 0)))
    sb = spec["side_bearing"]
    overhang = H * slant
    digit_advance = round(sb + face.W + overhang + sb)

    shapes = {name: face.character(str(i)) for i, name in enumerate(DIGIT_NAMES)}
    shapes["hyphen"] = face.character("-")
    shapes["space"] = []
    shapes[".notdef"] = notdef_contours(face.W, H)

    glyphs, metrics = {}, {}
    for name, contours in shapes.items():
        glyphs[name] = draw_glyph(place(contours, sb, slant))
        metrics[name] = digit_advance

    # Punctuation gets a narrower advance of its own.
    for name, contours in (("period", face.period()), ("colon", face.colon())):
        mark = face.mark_width()
        advance = round(sb + mark + overhang + sb)
        glyphs[name] = draw_glyph(place(contours, sb, slant))
        metrics[name] = advance

    margin = round(H * CELL_MARGIN)
    ascent = H + margin
    descent = margin

    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.setupGlyphOrder(GLYPH_ORDER)
    cmap = {code: name for name, code in CHARS.items()}
    cmap.update(ALIASES)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    glyf = fb.font["glyf"]
    hmtx = {}
    for name in GLYPH_ORDER:
        g = glyf[name]
        g.recalcBounds(glyf)
        hmtx[name] = (metrics[name], getattr(g, "xMin", 0) if g.numberOfContours else 0)
    fb.setupHorizontalMetrics(hmtx)
    fb.setupHorizontalHeader(ascent=ascent, descent=-descent, lineGap=0,
                             caretSlopeRise=1000 if slant else 1,
                             caretSlopeRun=round(1000 * slant) if slant else 0)
    family = spec["family"]
    fb.setupNameTable({
        "copyright": "Drawn for Cifrona.",
        "familyName": family,
        "styleName": "Regular",
        "uniqueFontIdentifier": f"Cifrona: {spec['full_name']}: {version}",
        "fullName": spec["full_name"],
        "version": f"Version {version}",
        "psName": spec["ps_name"],
    })
    fb.setupOS2(
        version=4,
        usWeightClass=400,
        usWidthClass=5,
        fsType=0,  # installable: the program loads it from its own resources
        achVendID="CFRN",
        fsSelection=0x40,  # REGULAR
        usFirstCharIndex=min(cmap),
        usLastCharIndex=max(cmap),
        sTypoAscender=ascent,
        sTypoDescender=-descent,
        sTypoLineGap=0,
        usWinAscent=ascent,
        usWinDescent=descent,
        ulUnicodeRange1=1,  # Basic Latin
        ulCodePageRange1=1,  # Latin 1
        sxHeight=round(H / 2),
        sCapHeight=H,
        yStrikeoutSize=round(H * 0.08),
        yStrikeoutPosition=round(H / 2),
        ySubscriptXSize=650, ySubscriptYSize=600, ySubscriptYOffset=75,
        ySuperscriptXSize=650, ySuperscriptYSize=600, ySuperscriptYOffset=350,
        usDefaultChar=0,
        usBreakChar=32,
        usMaxContext=0,
    )
    fb.setupPost(keepGlyphNames=True, italicAngle=-float(spec.get("slant_degrees", 0)),
                 isFixedPitch=0, underlinePosition=-round(descent / 2),
                 underlineThickness=round(H * 0.05))
    fb.setupHead(unitsPerEm=UNITS_PER_EM, fontRevision=float(version),
                 macStyle=0, lowestRecPPEM=8,
                 created=0x00000000DF8E1F00, modified=0x00000000DF8E1F00)
    # The outlines carry no hinting: ask for smoothed, unhinted rendering.
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x000A}
    fb.font["gasp"] = gasp

    # Keep the build reproducible: no 'modified' stamp from the clock, here nor when the
    # font is saved again.
    fb.font.recalcTimestamp = False
    buf = io.BytesIO()
    fb.save(buf)
    return TTFont(io.BytesIO(buf.getvalue()), recalcTimestamp=False)


class FontProblem(Exception):
    pass


def check_metrics(font):
    """Problems with the vertical metrics and advances of a compiled font."""
    problems = []
    os2, hhea, head = font["OS/2"], font["hhea"], font["head"]
    if not (hhea.ascent == os2.sTypoAscender == os2.usWinAscent):
        problems.append("ascent differs between hhea, typo and win metrics")
    if not (-hhea.descent == -os2.sTypoDescender == os2.usWinDescent):
        problems.append("descent differs between hhea, typo and win metrics")
    if hhea.lineGap != 0 or os2.sTypoLineGap != 0:
        problems.append("line gap is not zero")
    if head.yMax > os2.usWinAscent or -head.yMin > os2.usWinDescent:
        problems.append("a glyph reaches outside usWinAscent/usWinDescent")
    hmtx, glyf = font["hmtx"], font["glyf"]
    advances = {hmtx[n][0] for n in DIGIT_NAMES}
    if len(advances) != 1:
        problems.append(f"digit advances differ: {sorted(advances)}")
    for name in font.getGlyphOrder():
        g = glyf[name]
        if g.numberOfContours <= 0:
            continue
        adv, lsb = hmtx[name]
        if g.xMin < 0 or g.xMax > adv:
            problems.append(f"{name}: ink {g.xMin}..{g.xMax} outside advance 0..{adv}")
        if lsb != g.xMin:
            problems.append(f"{name}: lsb {lsb} != xMin {g.xMin}")
    return problems


def build_and_check(face):
    font = build_font(face)
    problems = outline_check.check_font(font) + check_metrics(font)
    if problems:
        raise FontProblem(f"{face.spec['family']}:\n  " + "\n  ".join(problems))
    return font
