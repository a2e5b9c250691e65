#!/usr/bin/env python3
"""Writes the skin test files: PNG images, XML documents and the 7z and zip
archives made from them with 7-Zip.

usage: make_fixtures.py <7zz program> <output folder>
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

MIB = 4 * 1024 * 1024


def png(width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples; colour type 6, 8 bits."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


def solid(width, height, colour):
    return png(width, height, [[colour] * width for _ in range(height)])


def grid():
    """6x6: 2x2 corners, edges and centre, each part its own colour."""
    tl, tr, bl, br = (255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 0, 255)
    top, bottom, left, right = (128, 0, 0, 255), (0, 128, 0, 255), (0, 0, 128, 255), (128, 128, 0, 255)
    centre = (0, 255, 255, 255)
    rows = []
    for y in range(6):
        row = []
        for x in range(6):
            col = 0 if x < 2 else (1 if x < 4 else 2)
            line = 0 if y < 2 else (1 if y < 4 else 2)
            row.append([[tl, top, tr], [left, centre, right], [bl, bottom, br]][line][col])
        rows.append(row)
    return png(6, 6, rows)


TWIN_XML = ('<?xml version="1.0" encoding="utf-8"?>\r\n'
            '<Window size="440,300" caption="0,0,0,35">\r\n'
            '  <!-- a comment with <tags> -->\r\n'
            '  <Font id="0" name="微软雅黑" size="12" />\r\n'
            '  <VerticalLayout bkcolor="#FFFFFFFF">\r\n'
            '    <Label text="加载资源文件失败 \U0001F600 &amp; more" />\r\n'
            '    <Button name="closebtn"></Button>\r\n'
            '  </VerticalLayout>\r\n'
            '</Window>\r\n')


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def archive(sevenzip, folder, target, *switches):
    if os.path.exists(target):
        os.remove(target)
    subprocess.run([sevenzip, "a", "-bso0", "-bsp0", *switches, target, "."], cwd=folder, check=True)


def main():
    sevenzip, out = sys.argv[1], sys.argv[2]
    skin = os.path.join(out, "skin")
    shutil.rmtree(out, ignore_errors=True)

    images = {
        "res/mainWnd/bg1.png": png(4, 2, [[(10, 20, 30, 255), (40, 50, 60, 255), (70, 80, 90, 255), (100, 110, 120, 255)],
                                          [(1, 2, 3, 255), (4, 5, 6, 255), (7, 8, 9, 255), (11, 12, 13, 255)]]),
        "res/mainWnd/Cb1.png": solid(15, 14, (0, 200, 0, 255)),
        "red.png": solid(4, 4, (255, 0, 0, 255)),
        "half.png": solid(1, 1, (255, 0, 0, 128)),
        "halves.png": png(2, 1, [[(255, 0, 0, 255), (0, 0, 255, 255)]]),
        "grid.png": grid(),
        "tile.png": png(3, 1, [[(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255)]]),
    }
    for name, data in images.items():
        write(os.path.join(skin, name), data)
    write(os.path.join(skin, "notimage.png"), b"this is not an image")

    write(os.path.join(skin, "twin-utf8.xml"), TWIN_XML.encode("utf-8"))
    write(os.path.join(skin, "twin-utf8bom.xml"), b"\xef\xbb\xbf" + TWIN_XML.encode("utf-8"))
    write(os.path.join(skin, "twin-utf16le.xml"), b"\xff\xfe" + TWIN_XML.encode("utf-16-le"))
    write(os.path.join(skin, "twin-utf16be.xml"), b"\xfe\xff" + TWIN_XML.encode("utf-16-be"))
    write(os.path.join(skin, "empty.xml"), b"")
    write(os.path.join(skin, "exact.xml"), b"<a/>" + b" " * (MIB - 4))
    write(os.path.join(skin, "over.xml"), b"<a/>" + b" " * (MIB - 3))

    archive(sevenzip, skin, os.path.join(out, "skin.7z"), "-t7z")
    archive(sevenzip, skin, os.path.join(out, "skin.zip"), "-tzip")

    # Two entries stored uncompressed, each in its own block; one gets a
    # damaged byte so that it alone fails its checksum.
    broken = os.path.join(out, "broken")
    write(os.path.join(broken, "good.txt"), b"GOOD-ENTRY")
    write(os.path.join(broken, "bad.txt"), b"BAD-ENTRY-MARKER")
    for name, switches in (("broken.7z", ("-t7z", "-mx=0", "-ms=off")), ("broken.zip", ("-tzip", "-mx=0"))):
        target = os.path.join(out, name)
        archive(sevenzip, broken, target, *switches)
        with open(target, "r+b") as f:
            data = bytearray(f.read())
            at = data.index(b"BAD-ENTRY-MARKER")
            data[at] ^= 0x20
            f.seek(0)
            f.write(data)


if __name__ == "__main__":
    main()
