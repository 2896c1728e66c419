"""Checks that TrueType outlines render the same everywhere.

GDI fills with the non-zero rule and its rasteriser has no patience for
contours that cross or overlap, so every glyph must be a set of simple,
disjoint contours: outer ones clockwise, holes counter-clockwise (y up).

A contour is a list of (x, y, on_curve) points as stored in 'glyf'.
"""

from __future__ import annotations

CURVE_STEPS = 8


def flatten(contour):
    """Polyline approximation of a quadratic TrueType contour."""
    pts = list(contour)
    n = len(pts)
    if n == 0:
        return []
    # Expand implied on-curve points between two off-curve points.
    full = []
    for i in range(n):
        x, y, on = pts[i]
        px, py, pon = pts[i - 1]
        if not on and not pon:
            full.append(((x + px) / 2.0, (y + py) / 2.0, True))
        full.append((float(x), float(y), bool(on)))
    start = next((i for i, p in enumerate(full) if p[2]), None)
    if start is None:
        raise ValueError("contour without on-curve point")
    full = full[start:] + full[:start]
    out = [(full[0][0], full[0][1])]
    i = 1
    m = len(full)
    while i <= m:
        p = full[i % m]
        if p[2]:
            if i < m:
                out.append((p[0], p[1]))
            i += 1
            continue
        a = out[-1]
        c = full[(i + 1) % m]
        for s in range(1, CURVE_STEPS + 1):
            t = s / CURVE_STEPS
            u = 1 - t
            out.append((u * u * a[0] + 2 * u * t * p[0] + t * t * c[0],
                        u * u * a[1] + 2 * u * t * p[1] + t * t * c[1]))
        if (i + 1) % m == 0:
            out.pop()  # came back to the start point
        i += 2
    # Drop consecutive duplicates.
    clean = []
    for p in out:
        if not clean or (abs(p[0] - clean[-1][0]) > 1e-9 or abs(p[1] - clean[-1][1]) > 1e-9):
            clean.append(p)
    if len(clean) > 1 and clean[0] == clean[-1]:
        clean.pop()
    return clean


def signed_area(poly):
    """Shoelace area; positive means counter-clockwise with y up."""
    a = 0.0
    for i in range(len(poly)):
        x0, y0 = poly[i - 1]
        x1, y1 = poly[i]
        a += x0 * y1 - x1 * y0
    return a / 2.0


def _orient(a, b, c):
    v = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
    if abs(v) < 1e-9:
        return 0
    return 1 if v > 0 else -1


def _on_segment(a, b, p):
    return (min(a[0], b[0]) - 1e-9 <= p[0] <= max(a[0], b[0]) + 1e-9
            and min(a[1], b[1]) - 1e-9 <= p[1] <= max(a[1], b[1]) + 1e-9)


def segments_touch(a, b, c, d):
    """True if closed segments ab and cd share any point."""
    o1, o2 = _orient(a, b, c), _orient(a, b, d)
    o3, o4 = _orient(c, d, a), _orient(c, d, b)
    if o1 * o2 < 0 and o3 * o4 < 0:
        return True
    return ((o1 == 0 and _on_segment(a, b, c)) or (o2 == 0 and _on_segment(a, b, d))
            or (o3 == 0 and _on_segment(c, d, a)) or (o4 == 0 and _on_segment(c, d, b)))


def _bbox(poly):
    xs = [p[0] for p in poly]
    ys = [p[1] for p in poly]
    return min(xs), min(ys), max(xs), max(ys)


def _boxes_meet(b0, b1):
    return not (b0[2] < b1[0] or b1[2] < b0[0] or b0[3] < b1[1] or b1[3] < b0[1])


def point_in_polygon(p, poly):
    x, y = p
    inside = False
    n = len(poly)
    for i in range(n):
        x0, y0 = poly[i - 1]
        x1, y1 = poly[i]
        if (y0 > y) != (y1 > y):
            xc = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
            if xc > x:
                inside = not inside
    return inside


def check_contours(contours):
    """Returns a list of problems (empty when the glyph is fine)."""
    problems = []
    polys = []
    for ci, contour in enumerate(contours):
        if len(contour) < 3:
            problems.append(f"contour {ci}: fewer than 3 points")
            continue
        try:
            poly = flatten(contour)
        except ValueError as exc:
            problems.append(f"contour {ci}: {exc}")
            continue
        if len(poly) < 3:
            problems.append(f"contour {ci}: degenerate (fewer than 3 distinct points)")
            continue
        if abs(signed_area(poly)) < 1.0:
            # Still checked below: a symmetric figure eight has no net area.
            problems.append(f"contour {ci}: degenerate (no area)")
        polys.append((ci, poly))

    # Self-intersection: any two non-adjacent edges of one contour meet.
    for ci, poly in polys:
        n = len(poly)
        edges = [(poly[i], poly[(i + 1) % n]) for i in range(n)]
        for i in range(n):
            for j in range(i + 1, n):
                if j == i + 1 or (i == 0 and j == n - 1):
                    continue
                if segments_touch(*edges[i], *edges[j]):
                    problems.append(f"contour {ci}: crosses itself (edges {i} and {j})")
                    break
            else:
                continue
            break

    # Contours must neither cross nor touch each other.
    boxes = {ci: _bbox(poly) for ci, poly in polys}
    for a in range(len(polys)):
        ca, pa = polys[a]
        for b in range(a + 1, len(polys)):
            cb, pb = polys[b]
            if not _boxes_meet(boxes[ca], boxes[cb]):
                continue
            hit = False
            for i in range(len(pa)):
                e0, e1 = pa[i - 1], pa[i]
                for j in range(len(pb)):
                    if segments_touch(e0, e1, pb[j - 1], pb[j]):
                        hit = True
                        break
                if hit:
                    break
            if hit:
                problems.append(f"contours {ca} and {cb} intersect")

    # Winding must follow nesting: even depth is filled (clockwise),
    # odd depth is a hole (counter-clockwise).
    for ci, poly in polys:
        depth = sum(1 for cj, other in polys
                    if cj != ci and point_in_polygon(poly[0], other))
        area = signed_area(poly)
        if depth % 2 == 0 and area > 0:
            problems.append(f"contour {ci}: outer contour is counter-clockwise")
        if depth % 2 == 1 and area < 0:
            problems.append(f"contour {ci}: hole is clockwise")
    return problems


def glyph_contours(glyf_table, name):
    """Contours of a compiled glyph as (x, y, on) lists."""
    glyph = glyf_table[name]
    if glyph.numberOfContours <= 0:
        return []
    coords = glyph.coordinates
    flags = glyph.flags
    out = []
    start = 0
    for end in glyph.endPtsOfContours:
        out.append([(coords[i][0], coords[i][1], bool(flags[i] & 1))
                    for i in range(start, end + 1)])
        start = end + 1
    return out


def check_font(font):
    """Checks every glyph of a loaded TTFont; returns a list of problems."""
    problems = []
    glyf = font["glyf"]
    for name in font.getGlyphOrder():
        for p in check_contours(glyph_contours(glyf, name)):
            problems.append(f"{name}: {p}")
    return problems

