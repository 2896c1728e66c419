#!/usr/bin/env python3
"""Writes the fuzz targets' generated seeds into corpus/ (the picked PngSuite and
libjpeg-turbo images are copied by hand; see corpus/README.md). Run again after changing it:
   python3 tests/fuzz/make_seeds.py
No signature seed is signed: each checkout has its own test key, and the fuzzer must never
hold a valid signature."""
import os
import struct
import zlib

here = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def encodings(text):
    """The text in each encoding the readers tell apart."""
    return {
        "ansi": text.encode("cp1251"),
        "utf8": b"\xef\xbb\xbf" + text.encode("utf-8"),
        "utf16le": b"\xff\xfe" + text.encode("utf-16-le"),
        "utf16be": b"\xfe\xff" + text.encode("utf-16-be"),
    }


# ---- settings: the keys the program reads, with every number notation and a repeated section
settings = ("[Option]\r\nTop=5\r\nLeft=-0x10\r\nColorBoxNumber=$FF00000F\r\nComboBoxFont=Segoe UI\r\n"
            "SpinEditNumber=+995\r\nBold=1\r\n; comment\r\n[Language]\r\nLanguage=Русский\r\n"
            "[option]\r\nTop=7\r\nbare line\n\r\n")
for enc, data in encodings(settings).items():
    write("settings", "option_%s.ini" % enc, data)

# ---- language files: the update window's keys, a list line, an entry without "=", a repeat
language = ("[Language information]\r\nLANGNAME=Русский\r\n\r\n[Cifrona]\r\nForm10.Caption=Обновление\r\n"
            "Form10.Text.Caption=Версия\r\nform10.text.hint=Подсказка\r\nForm10.Pages.Tabs [0]=Первая\r\n"
            "Form10.Pages.Tabs [1]=\r\nForm10.Ok.Caption\r\nForm10.Text.Caption=Второй\r\n")
for enc, data in encodings(language).items():
    write("language", "language_%s.ini" % enc, data)


# ---- PNG wider and taller than the reduction, every filter type, and one with a palette
def png(width, height, colour_type, depth, rows, extra=b""):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(bytes([y % 5]) + rows(y) for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
            + extra + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


write("wallpaper_png", "wide_rgb_130x104.png",
      png(130, 104, 2, 8, lambda y: bytes((x * 7 + y) & 255 for x in range(130 * 3))))
palette = b"".join(bytes([i, 255 - i, i // 2]) for i in range(16))
write("wallpaper_png", "palette4_101x3.png",
      png(101, 3, 3, 4, lambda y: bytes(((x + y) & 15) * 17 for x in range(51)),
          extra=struct.pack(">I", len(palette)) + b"PLTE" + palette
          + struct.pack(">I", zlib.crc32(b"PLTE" + palette) & 0xFFFFFFFF)))

# ---- signature files: well formed, and each way one can be malformed
sha = "0123456789abcdef" * 4
der = "3044022000" + "11" * 31 + "0220" + "22" * 32
sig_ok = "product=Cifrona\narch=x64\nfile=Cifrona.zip\nversion=2.1.0.0\nsize=13\nsha256=%s\nsignature=%s\n" % (sha, der)
write("signature", "statement.sig", sig_ok.encode())
write("signature", "statement_crlf_upper.sig", sig_ok.replace("\n", "\r\n").replace(sha, sha.upper()).encode())
write("signature", "missing_size.sig", sig_ok.replace("size=13\n", "").encode())
write("signature", "unknown_key.sig", (sig_ok + "channel=beta\n").encode())
write("signature", "repeated_key.sig", (sig_ok + "arch=x86\n").encode())
write("signature", "der_long.sig", sig_ok.replace(der, "3046022100" + "ff" * 32 + "022100" + "80" * 32).encode())
write("signature", "der_only.bin", bytes.fromhex(der))

# ---- version.txt bodies (a NUL splits a second version off for the comparison)
for name, body in {
    "plain.txt": b"1.0.0.1",
    "crlf_blanks.txt": b"  2.10.3 \r\n",
    "blank_field.txt": b"1.2 3\x002.0.0.0.1",
    "signs.txt": b"+1.-2.x..9999999999999999999\x001.2",
    "blank.txt": b" \t\r\n",
}.items():
    write("version", name, body)

# ---- proxy: first byte how ProxyEnable is stored (0: number 1), then ProxyServer
for name, body in {
    "host_port.bin": b"\x04proxy.example:8080",
    "per_scheme.bin": b"\x04http=proxy.example:80;https=proxy.example:443",
    "no_port.bin": b"\x04proxy.example:",
    "port_out_of_range.bin": b"\x04proxy.example:99999",
    "enable_as_text.bin": b"\x05proxy.example:3128",
    "enable_raw.bin": b"\x06proxy.example:3128",
    "server_raw.bin": b"\x84proxy.example:3128",
}.items():
    write("proxy", name, body)

# ---- portable update archives: the real layout, and each kind of name the reader must refuse
import zipfile
import io


def archive(names):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if name.endswith("/") else zipfile.ZIP_DEFLATED
            z.writestr(info, b"" if name.endswith("/") else b"content of " + name.encode("utf-8"))
    return buf.getvalue()


write("archive", "portable.zip", archive(["Cifrona.exe", "Language/", "Language/English.ini", "portable.ini"]))
for name, names in {
    "dotdot.zip": ["../evil.exe"],
    "dotdot_backslash.zip": ["Language\\..\\..\\evil.exe"],
    "absolute.zip": ["/etc/evil"],
    "unc.zip": ["\\\\server\\share\\evil"],
    "drive.zip": ["C:/Windows/evil.exe"],
    "stream.zip": ["Cifrona.exe:hidden"],
    "devices.zip": ["Language/nul.txt", "COM1", "lpt\u00b9.ini"],
    "trailing_dot_blank.zip": ["Cifrona.exe.", "Cifrona.exe "],
    "forbidden_chars.zip": ["a<b>.txt", "a|b", "a?b*"],
    "empty_component.zip": ["Language//English.ini"],
    "duplicate_case.zip": ["Cifrona.exe", "CIFRONA.EXE"],
    "utf8_name.zip": ["Language/\u0420\u0443\u0441\u0441\u043a\u0438\u0439.ini"],
}.items():
    write("archive", name, archive(names))
# The encryption flag set in the local and the central header (zipfile would not write it).
enc = bytearray(archive(["Cifrona.exe"]))
enc[6] |= 1
central = enc.find(b"PK\x01\x02")
enc[central + 8] |= 1
write("archive", "encrypted_flag.zip", bytes(enc))
# A non-ASCII name without the UTF-8 flag: its code page is unknown.
raw = archive(["Language/X.ini"]).replace(b"X.ini", b"\xc0.ini")
write("archive", "codepage_name.zip", raw)
