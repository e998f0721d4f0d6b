#!/usr/bin/python3
"""Writes the demo's PSP application packages (EBOOT.PBP files) into a folder.

Every run writes the same bytes: a PBP header, a PARAM.SFO naming the
variant, a small ICON0.PNG and a DATA.PSP of seeded filler, so that the
download is big enough to move the progress bar.

    make_packages.py OUTPUT_FOLDER
"""
import hashlib
import os
import struct
import sys
import zlib

# File name, title, size of the whole package in bytes.
VARIANTS = [
    ("EBOOT_ML.PBP", "Swaymo demo (multi-language)", 2_300_000),
    ("EBOOT_GO_ML.PBP", "Swaymo demo (multi-language, PSP Go)", 2_310_000),
    ("EBOOT_JP.PBP", "Swaymo demo (Japanese)", 2_200_000),
    ("EBOOT_GO_JP.PBP", "Swaymo demo (Japanese, PSP Go)", 2_210_000),
]


def param_sfo(title):
    """A PARAM.SFO: string and integer entries, keys in ascending order."""
    entries = sorted({
        "BOOTABLE": 1,
        "CATEGORY": "MG",
        "DISC_ID": "SWAY00001",
        "DISC_VERSION": "1.00",
        "PARENTAL_LEVEL": 1,
        "PSP_SYSTEM_VER": "1.00",
        "REGION": 0x8000,
        "TITLE": title,
    }.items())
    keys = b""
    data = b""
    index = b""
    for name, value in entries:
        if isinstance(value, int):
            raw, fmt, size = struct.pack("<I", value), 0x0404, 4
            room = 4
        else:
            raw = value.encode("utf-8") + b"\0"
            fmt, size = 0x0204, len(raw)
            room = (len(raw) + 3) // 4 * 4
            if name == "TITLE":
                room = 128
        index += struct.pack("<HHIII", len(keys), fmt, size, room, len(data))
        keys += name.encode("ascii") + b"\0"
        data += raw.ljust(room, b"\0")
    keys = keys.ljust((len(keys) + 3) // 4 * 4, b"\0")
    key_start = 20 + len(index)
    data_start = key_start + len(keys)
    header = b"\0PSF" + struct.pack("<IIII", 0x0101, key_start, data_start, len(entries))
    return header + index + keys + data


def png(width, height, pixel):
    """An RGB PNG whose pixel (x, y) is pixel(x, y) -> (r, g, b)."""
    rows = b"".join(
        b"\0" + bytes(c for x in range(width) for c in pixel(x, y)) for y in range(height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def icon():
    """144 x 80, the size the PSP shows: a violet gradient with a light band."""
    def pixel(x, y):
        band = 40 <= y < 44
        return (230, 220, 240) if band else (90 + x // 3, 40 + y // 2, 150 + x // 4)
    return png(144, 80, pixel)


def filler(seed, size):
    """size bytes of a SHA-256 stream seeded by seed."""
    out = bytearray()
    counter = 0
    while len(out) < size:
        out += hashlib.sha256(seed + counter.to_bytes(8, "little")).digest()
        counter += 1
    return bytes(out[:size])


def package(title, total):
    sfo = param_sfo(title)
    icon0 = icon()
    head = 8 + 8 * 4
    marker = ("SWAYMO DEMO PACKAGE: " + title + "\n").encode("utf-8")
    data_psp = b"~PSP" + marker
    data_psp += filler(title.encode("utf-8"), total - head - len(sfo) - len(icon0) - len(data_psp))
    offsets = [head, head + len(sfo)]
    # ICON1.PMF, PIC0.PNG, PIC1.PNG, SND0.AT3 are empty; DATA.PSP follows,
    # and DATA.PSAR is empty at the end.
    data_at = head + len(sfo) + len(icon0)
    offsets += [data_at] * 5 + [data_at + len(data_psp)]
    return b"\0PBP" + struct.pack("<I8I", 0x00010000, *offsets) + sfo + icon0 + data_psp


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, title, total in VARIANTS:
        body = package(title, total)
        assert len(body) == total
        path = os.path.join(folder, name)
        with open(path + ".part", "wb") as f:
            f.write(body)
        os.replace(path + ".part", path)


if __name__ == "__main__":
    main()
