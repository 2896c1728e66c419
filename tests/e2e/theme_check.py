#!/usr/bin/env python3
"""Pixel checks of a dialog drawn in a style, from a screenshot and the probe's child list.

  theme_check.py MODE PNG L T R B CHILDREN [--dialog CAPTION] [--link RRGGBB] [--forbid RRGGBB]

MODE is dark or light; L T R B the dialog's client area on the screen; CHILDREN a file with
the probe's "children" lines. Checks, with WCAG's relative luminance and contrast ratio:
- the client area's background (its most frequent colour) is below 0.2 (dark) or above
  0.8 (light);
- every visible control window's own background is in the same range: no control is left
  in the other style's colours;
- every control that shows text has a colour of at least 4.5:1 against its background
  (disabled controls 3:1): the strongest colour that covers a few pixels, which is the
  text's own colour (anti-aliasing only adds weaker ones);
- --link: the link colour is shown, at 4.5:1 or more; --forbid: a colour that must not show
  (the definition's black under a dark style).
Prints one line per finding and exits 1 on the first failed check.
"""
import subprocess
import sys
from collections import Counter

from contrast import contrast, luminance


def hexrgb(s):
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


class Shot:
    def __init__(self, png):
        size = subprocess.run(["identify", "-format", "%w %h", png], capture_output=True, text=True, check=True)
        self.w, self.h = map(int, size.stdout.split())
        self.data = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout

    def colours(self, l, t, r, b):
        c = Counter()
        l, t, r, b = max(l, 0), max(t, 0), min(r, self.w), min(b, self.h)
        for y in range(t, b):
            row = self.data[(y * self.w + l) * 3:(y * self.w + r) * 3]
            for i in range(0, len(row), 3):
                c[(row[i], row[i + 1], row[i + 2])] += 1
        return c


def main():
    args = sys.argv[1:]
    mode, png = args[0], args[1]
    l, t, r, b = map(int, args[2:6])
    children_file = args[6]
    opts = dict(zip(args[7::2], args[8::2]))
    dialog = opts.get("--dialog")
    shot = Shot(png)
    ok = True

    def in_mode(rgb):
        y = luminance(rgb)
        return y < 0.2 if mode == "dark" else y > 0.8

    def check(cond, text):
        nonlocal ok
        print(("ok   " if cond else "FAIL ") + text)
        ok = ok and cond

    client = shot.colours(l, t, r, b)
    back = client.most_common(1)[0][0]
    check(in_mode(back), f"background #{bytes(back).hex()} luminance {luminance(back):.3f} ({mode})")

    for line in open(children_file, encoding="utf-8"):
        fields = {}
        rest = line.strip()
        if dialog and f'top="{dialog}"' not in rest:
            continue
        for key in ("class", "rect", "visible", "enabled"):
            part = rest.split(f" {key}=", 1)
            if len(part) == 2:
                fields[key] = part[1].split(" ", 1)[0]
        text = rest.split(' text="', 1)[1].split('"', 1)[0] if ' text="' in rest else ""
        if fields.get("visible") != "1" or "rect" not in fields:
            continue
        cl, ct, cr, cb = map(int, fields["rect"].split(","))
        if cr - cl < 4 or cb - ct < 4 or cr <= l or cb <= t or cl >= r or ct >= b:
            continue
        kind = fields["class"]
        enabled = fields.get("enabled") == "1"
        colours = shot.colours(cl, ct, cr, cb)
        own = colours.most_common(1)[0][0]
        name = f"{kind} \"{text}\" at {cl},{ct}"
        check(in_mode(own), f"{name}: background #{bytes(own).hex()} luminance {luminance(own):.3f}")
        shows_text = kind in ("Button", "ComboBox", "Edit") or (kind == "CifronaPanel" and text)
        if kind == "ComboBox" and not enabled:
            # The colour list: its swatch is the chosen colour, not text; read the name only.
            colours = shot.colours(cl + 2 * (cb - ct), ct + 2, cr - 22, cb - 2)
        if not shows_text:
            continue
        strong = [c for c, n in colours.items() if n >= 6 and c != own]
        best = max((contrast(c, own) for c in strong), default=1.0)
        need = 4.5 if enabled else 3.0
        check(best >= need, f"{name}: text contrast {best:.2f} (at least {need}{'' if enabled else ', disabled'})")

    if "--link" in opts:
        link = hexrgb(opts["--link"])
        shown = client[link]
        check(shown > 30, f"link colour #{opts['--link']} shown on {shown} pixels")
        check(contrast(link, back) >= 4.5, f"link contrast {contrast(link, back):.2f}")
    if "--forbid" in opts:
        bad = client[hexrgb(opts["--forbid"])]
        check(bad == 0, f"#{opts['--forbid']} shown on {bad} pixels")
    # Text drawn straight on the window (labels, group captions).
    strong = [c for c, n in client.items() if n >= 6 and c != back]
    best = max((contrast(c, back) for c in strong), default=1.0)
    check(best >= 4.5, f"text on the window: contrast {best:.2f}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
