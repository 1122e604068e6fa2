#!/usr/bin/python3
"""Development tool: turns a BIFF8 Workbook stream into one that declares RC4 encryption.
Inserts a FILEPASS record after the globals BOF and moves every BOUNDSHEET offset along.
Usage: make_encrypted_xls.py IN_STREAM OUT_STREAM (wrap the result with `gsf createole`)."""
import struct, sys

def main(src, dst):
    data = bytearray(open(src, 'rb').read())
    # FILEPASS: RC4 (type 1), version 1.1, then salt, verifier and verifier hash (16 bytes each).
    body = struct.pack('<HHH', 1, 1, 1) + bytes(range(48))
    filepass = struct.pack('<HH', 0x002F, len(body)) + body
    bof_len = struct.unpack_from('<H', data, 2)[0]
    insert_at = 4 + bof_len
    pos = 0
    while pos + 4 <= len(data):
        rid, length = struct.unpack_from('<HH', data, pos)
        if rid == 0x0085:
            offset = struct.unpack_from('<I', data, pos + 4)[0]
            struct.pack_into('<I', data, pos + 4, offset + len(filepass))
        if rid == 0x000A:
            break
        pos += 4 + length
    data[insert_at:insert_at] = filepass
    open(dst, 'wb').write(data)

if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
