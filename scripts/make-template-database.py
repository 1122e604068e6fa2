#!/usr/bin/env python3
# Regenerates resources/template_database.bin: a blank SQLite database (one 65,536-byte page, no tables)
# in the block format the export inflates: magic 0x033E0F0D, the inflated length, then a zlib stream,
# both integers unsigned 32-bit little-endian. Large pages make filling and reading back a big table
# cheaper: fewer pages to split, link and walk.
import os
import sqlite3
import struct
import sys
import tempfile
import zlib

MAGIC = 0x033E0F0D


def blank_database() -> bytes:
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "blank.db")
        connection = sqlite3.connect(path)
        connection.execute("PRAGMA page_size=65536")
        # An empty database has no bytes at all until something is written; VACUUM writes the header page.
        connection.execute("VACUUM")
        connection.close()
        with open(path, "rb") as f:
            return f.read()


def main() -> int:
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "template_database.bin")
    data = blank_database()
    block = struct.pack("<II", MAGIC, len(data)) + zlib.compress(data, 9)
    with open(target, "wb") as f:
        f.write(block)
    print(f"{target}: {len(data)} bytes inflated, {len(block)} bytes stored")
    return 0


if __name__ == "__main__":
    sys.exit(main())
