#!/usr/bin/env python3
"""Sets the TimeDateStamp of a PE file's header (the link time Windows shows) to the given
Unix time, the commit's, so that a rebuild gives the same bytes; the header checksum is
brought up to date when the linker wrote one.

    pe-timestamp.py FILE.exe SECONDS
"""
import struct
import sys


def pe_checksum(data: bytes, checksum_at: int) -> int:
    total = 0
    padded = data + b"\0" * (len(data) % 2)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    # The checksum field itself counts as zero.
    for off in (checksum_at, checksum_at + 2):
        (word,) = struct.unpack_from("<H", padded, off)
        total -= word
        if total < 0:
            total += 0xFFFF
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    path, seconds = sys.argv[1], int(sys.argv[2])
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ":
        print(f"pe-timestamp: {path} is not a PE file", file=sys.stderr)
        return 1
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        print(f"pe-timestamp: {path} is not a PE file", file=sys.stderr)
        return 1
    struct.pack_into("<I", data, pe + 8, seconds & 0xFFFFFFFF)
    checksum_at = pe + 24 + 64  # the optional header's CheckSum, same place in PE32 and PE32+
    (old,) = struct.unpack_from("<I", data, checksum_at)
    if old:
        struct.pack_into("<I", data, checksum_at, pe_checksum(bytes(data), checksum_at))
    open(path, "wb").write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
