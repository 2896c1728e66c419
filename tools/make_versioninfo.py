#!/usr/bin/env python3
"""Writes a raw VS_VERSIONINFO block, for test programs whose version resource the
resource compiler cannot express (a translation array shorter than 4 bytes).

usage: make_versioninfo.py OUT.bin TRANSLATION_HEX KEY NAME=VALUE...
"""
import struct
import sys


def pad(b):
    return b + b"\0" * (-len(b) % 4)


def node(key, value=b"", value_len=None, text=False, children=b""):
    key_bytes = pad(b"\0" * 6 + (key + "\0").encode("utf-16-le"))[6:]
    body = key_bytes + pad(value) + children
    if value_len is None:
        value_len = len(value)
    header = struct.pack("<HHH", 6 + len(body), value_len, 1 if text else 0)
    return pad(header + body)


def main():
    out, translation_hex, table_key, *pairs = sys.argv[1:]
    strings = b""
    for pair in pairs:
        name, value = pair.split("=", 1)
        data = (value + "\0").encode("utf-16-le")
        strings += node(name, data, value_len=len(value) + 1, text=True)
    table = node(table_key, text=True, children=strings)
    string_file_info = node("StringFileInfo", text=True, children=table)
    var = node("Translation", bytes.fromhex(translation_hex))
    var_file_info = node("VarFileInfo", text=True, children=var)
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, 0x00010002, 0, 0x00010002, 0, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    root = node("VS_VERSION_INFO", fixed, children=string_file_info + var_file_info)
    with open(out, "wb") as f:
        f.write(root)


main()
