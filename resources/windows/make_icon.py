#!/usr/bin/env python3
"""Writes velmora.ico, the Windows programs' icon, from the menu icon's PNG pictures.

Windows (Vista on) reads PNG pictures inside an icon file, so the pictures go in as they are, largest
first; Windows scales the smaller sizes it needs from them.
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
SIZES = (256, 128, 48)


def main():
    pictures = [(HERE.parent / f"icon-{size}.png").read_bytes() for size in SIZES]
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries = b""
    for size, data in zip(SIZES, pictures):
        # A width or height of 256 is written as 0; 32 bits per pixel, one plane.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    (HERE / "velmora.ico").write_bytes(header + entries + b"".join(pictures))


if __name__ == "__main__":
    main()
