#!/usr/bin/python3
"""Writes the hand-made .xls fixtures of reader edges into edges/ (no dependencies; run from anywhere).
Each file holds the records a real writer put where the format documents put others; the cells the tests
expect are those other spreadsheet programs show for such files.

biff2-later-label.xls  - a plain BIFF2 stream whose text cells use the later LABEL id (0x0204).
bof-version0-mixed.xls - a plain stream under the BIFF5-8 BOF id with version 0, mixing BIFF2 cell records
                         (LABEL, NUMBER, INTEGER) with later ones (LABEL, NUMBER, RK).
biff7-codepage1200.xls - a BIFF7 "Book" stream declaring code page 1200: its 8-bit strings hold UTF-16LE
                         with the length in bytes (a FORMAT's in characters).
sst-stray-byte.xls     - a BIFF8 shared string continued over an empty CONTINUE, then a CONTINUE whose
                         last byte is half a UTF-16 unit.
weekday-formats.xls    - numbers under the formats aaaa, [$-804]aaa and e"年".
damaged-shared-index.xls - the second sheet's fifth row points past the shared-string table.
stray-cells.xlsx       - three rows of columns A-C, and values in columns 257 and 650 and on row 70,000,
                         beyond what an .xls sheet holds.
"""
import os, struct, zipfile

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'edges')


def rec(rid, data=b''):
    return struct.pack('<HH', rid, len(data)) + data


def cell(row, col, xf=0):
    return struct.pack('<HHH', row, col, xf)


def cell2(row, col):
    return struct.pack('<HH', row, col) + b'\0\0\0'


def compound(name, stream):
    """A compound document of 512-byte sectors holding one stream (padded to 4,096 bytes, so no mini
    stream is needed)."""
    stream = stream + b'\0' * (-len(stream) % 512)
    if len(stream) < 4096:
        stream += b'\0' * (4096 - len(stream))
    n = len(stream) // 512
    fat_sectors = 1
    while fat_sectors * 128 < n + 1 + fat_sectors:
        fat_sectors += 1
    dir_sector = n
    fat = [i + 1 for i in range(n - 1)] + [0xFFFFFFFE, 0xFFFFFFFE] + [0xFFFFFFFD] * fat_sectors
    fat += [0xFFFFFFFF] * (fat_sectors * 128 - len(fat))

    def entry(nm, kind, child, start, size):
        raw = nm.encode('utf-16-le') + b'\0\0' if nm else b''
        return (raw.ljust(64, b'\0') + struct.pack('<HBB', len(raw), kind, 1) +
                struct.pack('<III', 0xFFFFFFFF, 0xFFFFFFFF, child) + b'\0' * 36 +
                struct.pack('<IQ', start, size))

    directory = (entry('Root Entry', 5, 1, 0xFFFFFFFE, 0) + entry(name, 2, 0xFFFFFFFF, 0, len(stream)) +
                 entry('', 0, 0xFFFFFFFF, 0, 0) * 2)
    difat = [n + 1 + i for i in range(fat_sectors)] + [0xFFFFFFFF] * (109 - fat_sectors)
    header = (b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + b'\0' * 16 +
              struct.pack('<HHHHH', 0x3E, 3, 0xFFFE, 9, 6) + b'\0' * 6 +
              struct.pack('<IIIIIIIII', 0, fat_sectors, dir_sector, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0) +
              struct.pack('<109I', *difat))
    return header + stream + directory + struct.pack(f'<{len(fat)}I', *fat)


def workbook(globals_records, sheets, version=0x0600, bof_extra=b'\0' * 8):
    """A BIFF5/8 stream: globals, one BOUNDSHEET per (name bytes, records) and the sheets."""
    bof = lambda kind: rec(0x0809, struct.pack('<HHHH', version, kind, 0x0DBB, 0x07CC) +
                           (bof_extra if version == 0x0600 else b''))
    head = bof(0x0005) + globals_records
    entries = [rec(0x0085, struct.pack('<IBB', 0, 0, 0) + name) for name, _ in sheets]
    offset = len(head) + sum(len(e) for e in entries) + 4
    out = head
    for (name, records), e in zip(sheets, entries):
        out += e[:4] + struct.pack('<I', offset) + e[8:]
        offset += len(bof(0x0010)) + len(records) + 4
    out += rec(0x000A)
    for _, records in sheets:
        out += bof(0x0010) + records + rec(0x000A)
    return out


def unicode_name(text):
    """A BIFF8 ShortXLUnicodeString (BOUNDSHEET name)."""
    return bytes([len(text), 1]) + text.encode('utf-16-le')


def biff2_later_label():
    label = lambda r, c, t: rec(0x0204, cell(r, c) + struct.pack('<H', len(t)) + t)
    return (rec(0x0009, struct.pack('<HH', 2, 0x0010)) + rec(0x0042, struct.pack('<H', 936)) +
            label(0, 0, '卡号'.encode('gbk')) + label(0, 1, b'Name') +
            rec(0x0003, cell2(1, 0) + struct.pack('<d', 31000100)) + label(1, 1, '徐杰'.encode('gbk')) +
            rec(0x000A))


def bof_version0_mixed():
    return (rec(0x0809, struct.pack('<HHHH', 0, 0x0010, 0, 0)) +
            rec(0x0004, cell2(0, 0) + bytes([5]) + b'BIFF2') +
            rec(0x0003, cell2(0, 1) + struct.pack('<d', 1234.5678)) +
            rec(0x0002, cell2(0, 2) + struct.pack('<H', 1234)) +
            rec(0x0204, cell(1, 0) + struct.pack('<H', 7) + b'BIFF3-5') +
            rec(0x0203, cell(1, 1) + struct.pack('<d', 8765.4321)) +
            rec(0x027E, cell(1, 2) + struct.pack('<I', (4321 << 2) | 2)) +
            rec(0x000A))


def biff7_codepage1200():
    utf16 = lambda t: t.encode('utf-16-le')
    label = lambda r, c, t: rec(0x0204, cell(r, c) + struct.pack('<H', len(utf16(t))) + utf16(t))
    sheet = (label(0, 0, '指数名称') + label(0, 1, 'Index') +
             rec(0x0203, cell(1, 0) + struct.pack('<d', 3021.5)) + label(1, 1, '上证') +
             rec(0x0203, cell(1, 2, 16) + struct.pack('<d', 45351)))
    name = utf16('指数')
    # A FORMAT counting characters of two bytes each, under the 16th XF (BIFF5 XFs are 16 bytes).
    weekday = rec(0x041E, struct.pack('<HB', 164, 4) + utf16('aaaa'))
    xfs = b''.join(rec(0x00E0, struct.pack('<HHH', 0, 164 if i == 16 else 0, 1) + b'\0' * 10)
                   for i in range(17))
    stream = workbook(rec(0x0042, struct.pack('<H', 1200)) + weekday + xfs,
                      [(bytes([len(name)]) + name, sheet)], version=0x0500)
    return compound('Book', stream)


def sst_stray_byte():
    strings = ['甲乙丙丁', 'next']
    first = struct.pack('<II', 2, 2) + struct.pack('<HB', 4, 1) + '甲乙'.encode('utf-16-le')
    sst = (rec(0x00FC, first) + rec(0x003C) + rec(0x003C, b'\x01' + '丙'.encode('utf-16-le') + b'\x8F') +
           rec(0x003C, b'\x01' + '丁'.encode('utf-16-le') + struct.pack('<HB', 4, 0) + b'next'))
    assert len(strings) == 2
    sheet = rec(0x00FD, cell(0, 0) + struct.pack('<I', 0)) + rec(0x00FD, cell(0, 1) + struct.pack('<I', 1))
    return compound('Workbook', workbook(sst, [(unicode_name('Sheet1'), sheet)]))


def xf(format_id):
    return rec(0x00E0, struct.pack('<HHH', 0, format_id, 1) + b'\x20\0\0\x04' + b'\0' * 8 + b'\xC0\x20')


def fmt(format_id, text):
    return rec(0x041E, struct.pack('<HHB', format_id, len(text), 1) + text.encode('utf-16-le'))


def weekday_formats():
    formats = ['aaaa', '[$-804]aaa', 'e"年"', 'yyyy-mm-dd aaaa']
    globals_records = b''.join(fmt(164 + i, f) for i, f in enumerate(formats))
    globals_records += b''.join(xf(0) for _ in range(16)) + b''.join(xf(164 + i) for i in range(len(formats)))
    sheet = b''.join(rec(0x0203, cell(0, i, 16 + i) + struct.pack('<d', 45351)) for i in range(len(formats)))
    sheet += rec(0x0203, cell(1, 0, 16) + struct.pack('<d', 45352.75))
    return compound('Workbook', workbook(globals_records, [(unicode_name('周'), sheet)]))


def damaged_shared_index():
    sst = rec(0x00FC, struct.pack('<II', 1, 1) + struct.pack('<HB', 2, 0) + b'ok')
    good = rec(0x00FD, cell(0, 0) + struct.pack('<I', 0))
    bad = good + rec(0x00FD, cell(4, 1) + struct.pack('<I', 7))
    return compound('Workbook', workbook(sst, [(unicode_name('一'), good), (unicode_name('二'), bad)]))


def stray_cells_xlsx(path):
    ns = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
    ns_rel = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
    ns_pkg = 'http://schemas.openxmlformats.org/package/2006/relationships'
    text = lambda ref, t: f'<c r="{ref}" t="inlineStr"><is><t>{t}</t></is></c>'
    number = lambda ref, v: f'<c r="{ref}"><v>{v}</v></c>'
    rows = [(1, text('A1', '卡号') + text('B1', '姓名') + text('C1', '金额')),
            (2, text('A2', '31000100') + text('B2', '徐杰') + number('C2', 100) + number('XZ2', 1)),
            (3, text('A3', '31000101') + text('B3', '张静') + number('C3', 250) + number('IW3', 5)),
            (70000, number('T70000', 9))]
    sheet = (f'<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="{ns}"><sheetData>' +
             ''.join(f'<row r="{r}">{cells}</row>' for r, cells in rows) + '</sheetData></worksheet>')
    parts = [
        ('[Content_Types].xml', '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
         'openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/>'
         '</Types>'),
        ('_rels/.rels', f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}"><Relationship Id="rId1" '
         f'Type="{ns_rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>'),
        ('xl/workbook.xml', f'<?xml version="1.0"?><workbook xmlns="{ns}" xmlns:r="{ns_rel}"><sheets>'
         '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>'),
        ('xl/_rels/workbook.xml.rels', f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}"><Relationship '
         f'Id="rId1" Type="{ns_rel}/worksheet" Target="worksheets/sheet1.xml"/></Relationships>'),
        ('xl/worksheets/sheet1.xml', sheet)]
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for name, data in parts:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)


def main():
    os.makedirs(here, exist_ok=True)
    for name, data in [('biff2-later-label.xls', biff2_later_label()),
                       ('bof-version0-mixed.xls', bof_version0_mixed()),
                       ('biff7-codepage1200.xls', biff7_codepage1200()),
                       ('sst-stray-byte.xls', sst_stray_byte()),
                       ('weekday-formats.xls', weekday_formats()),
                       ('damaged-shared-index.xls', damaged_shared_index())]:
        with open(os.path.join(here, name), 'wb') as f:
            f.write(data)
    stray_cells_xlsx(os.path.join(here, 'stray-cells.xlsx'))


if __name__ == '__main__':
    main()
