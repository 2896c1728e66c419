#!/usr/bin/python3
"""The outline checks must reject every shape GDI would draw wrongly, and the
font build must stop on them."""

import math
import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "assets"))

import fontgen  # noqa: E402
import outline_check  # noqa: E402


def square(x, y, s, clockwise=True):
    pts = [(x, y, True), (x, y + s, True), (x + s, y + s, True), (x + s, y, True)]
    return pts if clockwise else list(reversed(pts))


def quad_circle(cx, cy, r, clockwise=True):
    pts = fontgen.circle(cx, cy, r)
    return pts if clockwise else list(reversed(pts))


class OutlineCheckTest(unittest.TestCase):
    CASES = [
        # (name, contours, expected problem text or None when fine)
        ("one clockwise square", [square(0, 0, 100)], None),
        ("outer drawn counter-clockwise", [square(0, 0, 100, clockwise=False)], "outer contour is counter-clockwise"),
        ("square with a proper hole", [square(0, 0, 100), square(25, 25, 50, clockwise=False)], None),
        ("hole drawn clockwise", [square(0, 0, 100), square(25, 25, 50)], "hole is clockwise"),
        ("island inside a hole", [square(0, 0, 100), square(20, 20, 60, clockwise=False), square(40, 40, 20)], None),
        ("two separate squares", [square(0, 0, 40), square(60, 0, 40)], None),
        ("overlapping squares", [square(0, 0, 60), square(40, 40, 60)], "intersect"),
        ("squares sharing an edge", [square(0, 0, 50), square(50, 0, 50)], "intersect"),
        ("squares touching at a corner", [square(0, 0, 50), square(50, 50, 50)], "intersect"),
        ("bow tie", [[(0, 0, True), (100, 100, True), (100, 0, True), (0, 100, True)]], "crosses itself"),
        ("zero area sliver", [[(0, 0, True), (50, 50, True), (100, 100, True)]], "degenerate"),
        ("curved circle", [quad_circle(50, 50, 40)], None),
        ("circle counter-clockwise", [quad_circle(50, 50, 40, clockwise=False)], "counter-clockwise"),
        # The curves bulge past the straight lines between their points:
        # only a check that follows the curve sees this overlap.
        ("circle bulging into a square", [quad_circle(50, 50, 40), square(88, 40, 20)], "intersect"),
        ("circle near a square", [quad_circle(50, 50, 40), square(95, 40, 20)], None),
        # TrueType allows contours of off-curve points only (the on-curve
        # points are implied half way): a valid, clockwise rounded shape.
        ("only implied on-curve points",
         [[(0, 50, False), (50, 100, False), (100, 50, False), (50, 0, False)]], None),
    ]

    def test_cases(self):
        for name, contours, expected in self.CASES:
            with self.subTest(name):
                problems = outline_check.check_contours(contours)
                if expected is None:
                    self.assertEqual(problems, [])
                else:
                    self.assertTrue(any(expected in p for p in problems), problems)

    def test_flatten_follows_quadratic_curve(self):
        # Circle of radius 40 drawn with quadratic arcs: every flattened
        # point lies within a small tolerance of the true circle.
        poly = outline_check.flatten(quad_circle(0, 0, 40))
        for x, y in poly:
            self.assertAlmostEqual(math.hypot(x, y), 40, delta=0.5)
        self.assertAlmostEqual(abs(outline_check.signed_area(poly)), math.pi * 40 * 40, delta=30)


class CellTracingTest(unittest.TestCase):
    def test_ring_gives_outer_and_hole(self):
        ring = [(c, r) for c in range(3) for r in range(3) if (c, r) != (1, 1)]
        loops = fontgen.trace_cells(ring)
        areas = sorted(outline_check.signed_area(loop) for loop in loops)
        self.assertEqual(areas, [-9, 1])  # outer clockwise, hole counter-clockwise

    def test_corner_contact_is_refused(self):
        with self.assertRaises(ValueError):
            fontgen.trace_cells([(0, 0), (1, 1)])

    def test_rounded_outline_passes_check(self):
        zero = [(c, r) for c in range(3) for r in range(5) if not (c == 1 and 1 <= r <= 3)]
        contours = fontgen.grid_outline(zero, [0, 100, 200, 300],
                                        [0, 100, 200, 300, 400, 500], 60, 20)
        self.assertEqual(len(contours), 2)
        self.assertEqual(outline_check.check_contours(contours), [])


class FaceBuildTest(unittest.TestCase):
    def faces(self):
        path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "fonts", "faces.json")
        return fontgen.load_faces(path)

    def test_segments_without_gap_are_refused(self):
        # With no gap the segments touch at their ends; the build must stop.
        for face in self.faces():
            if "gap" not in face.spec:
                continue
            with self.subTest(face.spec["family"]):
                face.spec["gap"] = -2
                with self.assertRaises(fontgen.FontProblem):
                    fontgen.build_and_check(face)

    def test_ink_past_the_advance_is_refused(self):
        # A slanted face whose side bearing cannot hold the slant would be
        # clipped at the right edge of the text extent.
        face = self.faces()[0]
        face.spec["side_bearing"] = -60
        with self.assertRaises(fontgen.FontProblem) as ctx:
            fontgen.build_and_check(face)
        self.assertIn("outside advance", str(ctx.exception))


if __name__ == "__main__":
    unittest.main()
