#!/usr/bin/python3
"""Writes every asset the executable carries into OUTDIR.

Usage: build_assets.py OUTDIR

font1.ttf .. font6.ttf, tray0.ico .. tray2.ico, mainicon.ico and
contact_sheet.png (a proof sheet, not embedded). Exits non-zero, naming the
glyph, when an outline or metric check fails.
"""

from __future__ import annotations

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import contact_sheet  # noqa: E402
import fontgen  # noqa: E402
import icofile  # noqa: E402
import pictures  # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
FACES = os.path.join(ROOT, "resources", "fonts", "faces.json")
MOTIF = os.path.join(ROOT, "resources", "pictures", "motif.json")
# The program icon uses the coloured variant.
ICON_COLOURING = 2


def _write_atomic(path, writer):
    root, ext = os.path.splitext(path)
    tmp = root + ".partial" + ext
    writer(tmp)
    os.replace(tmp, path)


def build(outdir):
    os.makedirs(outdir, exist_ok=True)
    font_entries = []
    for i, face in enumerate(fontgen.load_faces(FACES), start=1):
        font = fontgen.build_and_check(face)
        path = os.path.join(outdir, f"font{i}.ttf")
        _write_atomic(path, font.save)
        font_entries.append((face.spec["family"], path))

    motif = pictures.load_motif(MOTIF)
    ico_entries = []
    for index, colouring in enumerate(motif["colourings"]):
        images = [pictures.render(motif, colouring, s) for s in pictures.TRAY_SIZES]
        path = os.path.join(outdir, f"tray{index}.ico")
        _write_atomic(path, lambda p: icofile.write_ico(p, images))
        ico_entries.append((f"tray{index}.ico ({colouring['name']})", path))

    colouring = motif["colourings"][ICON_COLOURING]
    images = [pictures.render(motif, colouring, s) for s in pictures.ICON_SIZES]
    path = os.path.join(outdir, "mainicon.ico")
    _write_atomic(path, lambda p: icofile.write_ico(p, images))
    ico_entries.append(("mainicon.ico", path))

    sheet = os.path.join(outdir, "contact_sheet.png")
    _write_atomic(sheet, lambda p: contact_sheet.render(font_entries, ico_entries, p))


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        build(argv[1])
    except fontgen.FontProblem as exc:
        print(f"build_assets: font check failed: {exc}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
