#!/usr/bin/env python3
"""Checks from a screenshot that a dialog's texts are drawn whole inside their controls.

  text_fit_check.py PNG CHILDREN DIALOG DPI [--titles L T R B ROW1 ROW2]

CHILDREN holds the probe's "children" lines. Ink is a pixel of at least 3:1 contrast
against the control's background (its most frequent colour), 1.5:1 inside a disabled push
button's frame; frames and borders are weaker than 3:1 in every look the program has. For every visible control that shows a
text:
- check boxes and radio buttons: no ink in their last two columns (a text cut at the
  control's edge leaves its ink there);
- push buttons: no ink in the two columns inside their frame on either side;
- group boxes: the caption's ink ends clear of the group's right edge, with a column of
  background between it and the frame where the frame resumes.
--titles: a column of right-aligned titles (windowless labels) in the box L T R B, its rows
at ROW1 and ROW2 (tops, screen pixels): in each row the title's ink ends at least 4 pixels
before the value's begins, and both titles end in the same column with the same last
letter (their colons line up, so neither lost one).
Prints one line per finding and exits 1 if any check failed.
"""
import subprocess
import sys
from collections import Counter

from contrast import contrast, luminance


class Shot:
    def __init__(self, png):
        size = subprocess.run(["identify", "-format", "%w %h", png], capture_output=True, text=True, check=True)
        self.w, self.h = map(int, size.stdout.split())
        self.data = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout

    def at(self, x, y):
        i = (y * self.w + x) * 3
        return (self.data[i], self.data[i + 1], self.data[i + 2])

    def background(self, l, t, r, b):
        c = Counter(self.at(x, y) for y in range(t, b) for x in range(l, r))
        return c.most_common(1)[0][0]

    def ink_columns(self, l, t, r, b, back, least=3.0):
        """Columns (screen x) of [l, r) with ink in rows [t, b)."""
        cache = {}

        def ink(p):
            if p not in cache:
                cache[p] = contrast(p, back) >= least
            return cache[p]

        return [x for x in range(l, r) if any(ink(self.at(x, y)) for y in range(t, b))]


def children(path, dialog):
    for line in open(path, encoding="utf-8"):
        if f'top="{dialog}"' not in line:
            continue
        f = {}
        for key in ("class", "rect", "visible", "enabled", "style"):
            part = line.split(f" {key}=", 1)
            if len(part) == 2:
                f[key] = part[1].split(" ", 1)[0].strip()
        f["text"] = line.split(' text="', 1)[1].split('"', 1)[0] if ' text="' in line else ""
        if f.get("visible") == "1" and "rect" in f and f["text"]:
            yield f


def main():
    png, children_file, dialog, dpi = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    opts = sys.argv[5:]
    shot = Shot(png)
    ok = True

    def check(cond, text):
        nonlocal ok
        print(("ok   " if cond else "FAIL ") + text)
        ok = ok and cond

    px = lambda v: v * dpi // 96
    for f in children(children_file, dialog):
        l, t, r, b = map(int, f["rect"].split(","))
        name = f'{f["class"]} "{f["text"]}"'
        kind = int(f.get("style", "0x0"), 16) & 0xF
        if f["class"] == "Button" and kind in (2, 3, 4, 5, 6, 9):
            back = shot.background(l, t, r, b)
            cols = shot.ink_columns(l, t + 1, r, b - 1, back)
            check(bool(cols) and max(cols) < r - 2, f"{name}: ink ends at {max(cols, default=-1) - l} of {r - l}")
        elif f["class"] == "Button":
            inset = px(4)
            back = shot.background(l + inset, t + inset, r - inset, b - inset)
            # Disabled text is drawn weaker than the frames' 3:1, but the frame is outside.
            cols = shot.ink_columns(l + inset, t + inset, r - inset, b - inset, back, 3.0 if f.get("enabled") == "1" else 1.5)
            check(bool(cols) and min(cols) >= l + inset + 2 and max(cols) < r - inset - 2,
                  f"{name}: ink from {min(cols, default=-1) - l} to {max(cols, default=-1) - l} of {r - l}")
        elif f["class"] == "CifronaPanel":
            band = (t, t + px(18))
            back = shot.background(l, band[0], r, band[1])
            cols = shot.ink_columns(l, band[0], r - px(4), band[1], back)
            end = max(cols, default=-1)
            clear = end >= 0 and all(shot.at(end + 1, y) == back for y in range(*band))
            check(bool(cols) and end < r - px(8) and clear, f"{name}: caption ink ends at {end - l} of {r - l}, then background: {clear}")

    if "--titles" in opts:
        i = opts.index("--titles")
        l, t, r, b, row1, row2 = map(int, opts[i + 1:i + 7])
        ends, marks = [], []
        for row in (row1, row2):
            band = (row + 1, row + px(16))
            back = shot.background(l, band[0], r, band[1])
            cols = shot.ink_columns(l, band[0], r, band[1], back)
            # The split: the widest run of blank columns in the middle half of the box.
            best, split = 0, None
            for a, c in zip(cols, cols[1:]):
                if c - a - 1 > best and l + (r - l) // 4 <= a <= r - (r - l) // 4:
                    best, split = c - a - 1, a
            check(split is not None and best >= 4, f"titles row at {row}: {best} blank columns between title and value")
            ends.append(split)
            # The rows of the title's last ink column: the same last letter gives the same.
            marks.append(None if split is None else
                         tuple(y - band[0] for y in range(*band) if contrast(shot.at(split, y), back) >= 3.0))
        check(None not in ends and abs(ends[0] - ends[1]) <= 1, f"titles end in columns {ends}")
        check(marks[0] is not None and marks[0] == marks[1], f"titles end in the same letter: rows {marks}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
