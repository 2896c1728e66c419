"""Proof sheet of every generated asset, for a person to look at."""

from __future__ import annotations

from PIL import Image, ImageDraw, ImageFont

import icofile

BACKGROUNDS = [(236, 236, 236), (40, 44, 52)]
ZOOM = 4
SAMPLE = "0123456789"


def _label_font():
    return ImageFont.load_default()


def _font_rows(font_entries, width):
    """One block per face: its name, then the digits large and small."""
    label = _label_font()
    rows = []
    for family, path in font_entries:
        big = ImageFont.truetype(path, 96)
        small = ImageFont.truetype(path, 24)
        block = Image.new("RGB", (width, 150), (255, 255, 255))
        d = ImageDraw.Draw(block)
        d.text((10, 6), family, font=label, fill=(90, 90, 90))
        d.text((10, 22), SAMPLE + "-.:", font=big, fill=(0, 0, 0))
        d.text((width - 260, 60), SAMPLE, font=small, fill=(0, 0, 0))
        d.text((width - 260, 100), "1:05 -42", font=small, fill=(0, 0, 0))
        rows.append(block)
    return rows


def _icon_row(title, entries, width):
    """Each size at 1:1 on light and dark grounds, then magnified."""
    label = _label_font()
    biggest = max(e["image"].size[0] for e in entries)
    zoomed = [e for e in entries if e["image"].size[0] <= 48]
    height = 20 + max(biggest, max(e["image"].size[0] * ZOOM for e in zoomed)) * 2 + 30
    row = Image.new("RGB", (width, height), (255, 255, 255))
    d = ImageDraw.Draw(row)
    d.text((10, 4), title, font=label, fill=(90, 90, 90))
    x = 10
    for e in entries:
        img = e["image"]
        s = img.size[0]
        for k, bg in enumerate(BACKGROUNDS):
            tile = Image.new("RGB", (s + 8, s + 8), bg)
            tile.paste(img, (4, 4), img)
            row.paste(tile, (x, 20 + k * (s + 12)))
        d.text((x, 20 + 2 * (s + 12)), f"{s}", font=label, fill=(90, 90, 90))
        x += s + 16
    x += 10
    for e in zoomed:
        img = e["image"]
        s = img.size[0] * ZOOM
        for k, bg in enumerate(BACKGROUNDS):
            tile = Image.new("RGB", (s, s), bg)
            big = img.resize((s, s), Image.NEAREST)
            tile.paste(big, (0, 0), big)
            row.paste(tile, (x, 20 + k * (s + 4)))
        x += s + 10
    return row


def render(font_entries, ico_entries, path, width=1500):
    """font_entries: (family, ttf path); ico_entries: (title, ico path)."""
    blocks = _font_rows(font_entries, width)
    for title, ico in ico_entries:
        blocks.append(_icon_row(title, icofile.read_ico(ico), width))
    height = sum(b.size[1] for b in blocks) + 10 * len(blocks)
    sheet = Image.new("RGB", (width, height), (255, 255, 255))
    y = 0
    for b in blocks:
        sheet.paste(b, (0, y))
        y += b.size[1] + 10
    sheet.save(path, optimize=True)
