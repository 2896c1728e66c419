"""Writes and reads .ico files with 32-bit BGRA entries.

Every entry is stored as PNG, which Windows reads at any size since Vista (and
Wine too): the icons are a large part of the executable, and uncompressed
bitmaps would be several times bigger.
"""

from __future__ import annotations

import io
import struct

from PIL import Image

PNG_FROM = 0


def _bmp_entry(img):
    w, h = img.size
    rgba = img.convert("RGBA")
    data = rgba.tobytes()
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        row = data[y * w * 4:(y + 1) * w * 4]
        bgra = bytearray(len(row))
        bgra[0::4] = row[2::4]
        bgra[1::4] = row[1::4]
        bgra[2::4] = row[0::4]
        bgra[3::4] = row[3::4]
        rows.append(bytes(bgra))
    # The AND mask still matters to code that ignores alpha: set where clear.
    mask_stride = ((w + 31) // 32) * 4
    mask_rows = []
    alpha = rgba.getchannel("A").tobytes()
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(w):
            if alpha[y * w + x] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(bits))
    xor = b"".join(rows)
    andm = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(andm), 0, 0, 0, 0)
    return header + xor + andm


def _png_entry(img):
    buf = io.BytesIO()
    img.convert("RGBA").save(buf, format="PNG", optimize=True)
    return buf.getvalue()


def write_ico(path, images):
    """images: RGBA pictures, square, at most 256 pixels, one per size."""
    images = sorted(images, key=lambda im: im.size[0])
    blobs = [(_png_entry(im) if im.size[0] >= PNG_FROM else _bmp_entry(im)) for im in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for im, blob in zip(images, blobs):
        w, h = im.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def read_ico(path):
    """Entries as dicts: size, bit_count, is_png, image (RGBA)."""
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    entries = []
    for i in range(count):
        w, h, _, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w = w or 256
        h = h or 256
        blob = data[offset:offset + length]
        if blob[:8] == b"\x89PNG\r\n\x1a\n":
            img = Image.open(io.BytesIO(blob)).convert("RGBA")
            entries.append(dict(size=(w, h), bit_count=bits, is_png=True, image=img,
                                header_bits=32 if img.mode == "RGBA" else 0))
            continue
        (hsize, bw, bh, bplanes, bbits, compression) = struct.unpack_from("<IiiHHI", blob, 0)
        if bbits != 32 or compression != 0:
            entries.append(dict(size=(w, h), bit_count=bits, is_png=False, image=None,
                                header_bits=bbits))
            continue
        stride = bw * 4
        pixels = blob[hsize:hsize + stride * bw]
        rows = [pixels[y * stride:(y + 1) * stride] for y in range(bw - 1, -1, -1)]
        raw = bytearray(b"".join(rows))
        raw[0::4], raw[2::4] = raw[2::4], raw[0::4]
        img = Image.frombytes("RGBA", (bw, bh // 2), bytes(raw))
        entries.append(dict(size=(w, h), bit_count=bits, is_png=False, image=img,
                            header_bits=bbits))
    return entries
