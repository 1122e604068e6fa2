#!/usr/bin/python3
"""Writes the .xlsx, .ods and .fods fixtures of package and XML edge cases into workbooks/ (Python's
standard library only; run from anywhere). Entries carry a fixed date, so running it again gives the same
files.

entities.xlsx / .ods      - sheet names and values holding each of &amp; &lt; &gt; &quot; &apos; &#x4E2D;
                            &#20013;: names R&D, 甲&乙, 利润&亏损 and one of all seven; on the first sheet
                            three rows of "A<entity>B", as shared strings, inline strings and cached
                            formula texts (.xlsx), as office:string-value, paragraphs and formula results
                            (.ods); the first .xlsx sheet's part is named "R&D.xml".
cached-values.xlsx        - strict namespaces: shared-string cells with <v/> and <v></v>, type d cells
                            holding durations (PT1392H0M0.000S, PT0H11M0.000S) beside a date.
handmade.fods             - handmade.ods's styles and tables as one flat XML document.
flat-text.fodt            - a flat XML text document.
encrypted-bad-size.xlsx   - a compound document with EncryptionInfo and EncryptedPackage streams whose
                            directory claims an EncryptedPackage of 2 GB.
duplicate-part.xlsx       - two entries named xl/worksheets/sheet1.xml with different cells.
duplicate-part.ods        - two entries named content.xml with different cells.
damaged-places.xlsx       - sheets "Sheet1" and "Sheet2" over one shared string; Sheet2's part
                            (xl/worksheets/sheet2.xml) names shared string 7 on row 5; Sheet1 is sound.
damaged-xml.xlsx          - Sheet1's part breaks off inside a tag on row 3, after two sound rows.
damaged-places.ods        - tables "Sheet1" and "Sheet2"; in Sheet2, after one row element repeated for
                            rows 1 and 2, row 3 holds a float cell whose value is "x".
zero-date.xlsx            - a plain workbook whose entries are all dated 1980-01-00 (day 0).
large-part.xlsx           - a sheet part of about 5 MB, inflated ahead of its parser: 60,000 rows without
                            numbers, row r holding r mod 7 in A and r mod 11 in B, then about 2 MB of extLst
                            after sheetData.
large-part-damaged.xlsx   - the same with 64 bytes in the middle of the sheet's deflated data overwritten.
"""
import os, struct, warnings, zipfile

from make_workbook_fixtures import (CONTENT_TYPES, ODS_MIME, ODS_NAMESPACES, STRICT, TRANSITIONAL,
                                    handmade_ods_tables, ods_parts, ooxml_parts)

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'workbooks')
FIXED_DATE = (2024, 1, 2, 3, 4, 6)

ENTITIES = ['&amp;', '&lt;', '&gt;', '&quot;', '&apos;', '&#x4E2D;', '&#20013;']
SHEET_NAMES = ['R&amp;D', '甲&amp;乙', '利润&amp;亏损', ''.join(ENTITIES)]
VALUES = [f'A{e}B' for e in ENTITIES]


def write_zip(path, parts, date_time=FIXED_DATE):
    with warnings.catch_warnings():
        warnings.simplefilter('ignore')  # a duplicate name is what some of these files are for
        with zipfile.ZipFile(path, 'w') as z:
            for name, data in parts:
                info = zipfile.ZipInfo(name, date_time=date_time)
                info.compress_type = zipfile.ZIP_STORED if name == 'mimetype' else zipfile.ZIP_DEFLATED
                z.writestr(info, data)


def entities_xlsx(path):
    ns, ns_rel, ns_pkg = TRANSITIONAL
    parts_of = lambda i: 'worksheets/R&amp;D.xml' if i == 0 else f'worksheets/sheet{i + 1}.xml'
    rels = (f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}"><Relationship Id="rId1" '
            f'Type="{ns_rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    workbook = (f'<?xml version="1.0"?><workbook xmlns="{ns}" xmlns:r="{ns_rel}"><sheets>' +
                ''.join(f'<sheet name="{name}" sheetId="{i + 1}" r:id="rId{i + 1}"/>'
                        for i, name in enumerate(SHEET_NAMES)) + '</sheets></workbook>')
    wb_rels = (f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}">' +
               ''.join(f'<Relationship Id="rId{i + 1}" Type="{ns_rel}/worksheet" Target="{parts_of(i)}"/>'
                       for i in range(len(SHEET_NAMES))) +
               f'<Relationship Id="rId9" Type="{ns_rel}/sharedStrings" Target="sharedStrings.xml"/>'
               '</Relationships>')
    strings = (f'<?xml version="1.0"?><sst xmlns="{ns}">' + ''.join(f'<si><t>{v}</t></si>' for v in VALUES) +
               '</sst>')
    col = lambda c: chr(ord('A') + c)
    rows = [''.join(f'<c r="{col(c)}1" t="s"><v>{c}</v></c>' for c in range(len(VALUES))),
            ''.join(f'<c r="{col(c)}2" t="inlineStr"><is><t>{v}</t></is></c>' for c, v in enumerate(VALUES)),
            ''.join(f'<c r="{col(c)}3" t="str"><f>"{v}"</f><v>{v}</v></c>' for c, v in enumerate(VALUES))]
    sheet = (f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData>' +
             ''.join(f'<row r="{r + 1}">{cells}</row>' for r, cells in enumerate(rows)) +
             '</sheetData></worksheet>')
    empty = f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData/></worksheet>'
    parts = [('[Content_Types].xml', CONTENT_TYPES), ('_rels/.rels', rels), ('xl/workbook.xml', workbook),
             ('xl/_rels/workbook.xml.rels', wb_rels), ('xl/sharedStrings.xml', strings),
             ('xl/worksheets/R&D.xml', sheet)]
    parts += [(f'xl/worksheets/sheet{i + 1}.xml', empty) for i in range(1, len(SHEET_NAMES))]
    write_zip(path, parts)


def entities_ods(path):
    cell = lambda attrs, text: f'<table:table-cell {attrs}><text:p>{text}</text:p></table:table-cell>'
    rows = [''.join(cell(f'office:value-type="string" office:string-value="{v}"', 'shown') for v in VALUES),
            ''.join(cell('office:value-type="string"', v) for v in VALUES),
            # as LibreOffice writes a text formula's result
            ''.join(cell(f'table:formula="of:=&quot;{v.replace("&", "&amp;")}&quot;" office:value-type="string" '
                         f'office:string-value="{v}" calcext:value-type="string"', v) for v in VALUES)]
    body = ''.join(f'<table:table table:name="{name}">' +
                   (''.join(f'<table:table-row>{r}</table:table-row>' for r in rows) if i == 0 else
                    '<table:table-row><table:table-cell/></table:table-row>') + '</table:table>'
                   for i, name in enumerate(SHEET_NAMES))
    write_zip(path, ods_parts(body))


def cached_values_xlsx(path):
    ns = STRICT[0]
    strings = f'<?xml version="1.0"?><sst xmlns="{ns}"><si><t>卡号</t></si></sst>'
    sheet = (f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData>'
             '<row r="1"><c r="A1" t="s"><v/></c><c r="B1" t="s"><v></v></c><c r="C1" t="s"><v>0</v></c></row>'
             '<row r="2"><c r="A2" t="d"><v>PT1392H0M0.000S</v></c><c r="B2" t="d"><v>PT0H11M0.000S</v></c>'
             '<c r="C2" t="d"><v>2013-11-12T08:30:00</v></c></row>'
             '</sheetData></worksheet>')
    write_zip(path, ooxml_parts(*STRICT, sheet, strings))


def flat_documents():
    styles, body = handmade_ods_tables()
    fods = (f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document {ODS_NAMESPACES} office:version="1.3" '
            f'office:mimetype="{ODS_MIME}"><office:automatic-styles>{styles}</office:automatic-styles>'
            f'<office:body><office:spreadsheet>{body}</office:spreadsheet></office:body></office:document>\n')
    with open(os.path.join(here, 'handmade.fods'), 'w', encoding='utf-8') as out:
        out.write(fods)
    fodt = (f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document {ODS_NAMESPACES} office:version="1.3" '
            'office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>'
            '<text:p>not a table</text:p></office:text></office:body></office:document>\n')
    with open(os.path.join(here, 'flat-text.fodt'), 'w', encoding='utf-8') as out:
        out.write(fodt)


def compound_document(streams):
    """A version 3 compound document (512-byte sectors) holding `streams`, a list of (name, bytes,
    declared size); each stream must be at least 4,096 bytes, so none lives in the mini stream."""
    free, end, fat_sector = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
    fat = [fat_sector, end]  # sector 0: the FAT, sector 1: the directory
    starts = []
    for _, data, _ in streams:
        assert len(data) >= 4096 and len(data) % 512 == 0
        starts.append(len(fat))
        count = len(data) // 512
        fat += [len(fat) + i + 1 for i in range(count - 1)] + [end]
    assert len(fat) <= 128
    fat += [free] * (128 - len(fat))

    def entry(name, kind, child, right, start, size):
        encoded = name.encode('utf-16-le') + b'\0\0'
        return (encoded.ljust(64, b'\0') + struct.pack('<HBB3I', len(encoded), kind, 1, free, right, child) +
                bytes(16 + 4 + 16) + struct.pack('<IQ', start, size))

    # Entry i + 1 holds stream i; siblings ordered by name length, each the right sibling of the one before.
    order = sorted(range(len(streams)), key=lambda i: (len(streams[i][0]), streams[i][0].upper()))
    right_of = {i: (order[k + 1] + 1 if k + 1 < len(order) else free) for k, i in enumerate(order)}
    directory = entry('Root Entry', 5, order[0] + 1, free, end, 0)
    for i, (name, _, declared) in enumerate(streams):
        directory += entry(name, 2, free, right_of[i], starts[i], declared)
    directory = directory.ljust(512, b'\0')
    header = (bytes.fromhex('D0CF11E0A1B11AE1') + bytes(16) +
              struct.pack('<HHHHH6xIIIIIIIIII', 0x3E, 3, 0xFFFE, 9, 6, 0, 1, 1, 0, 4096, end, 0, end, 0, 0))
    header += struct.pack('<108I', *([free] * 108))
    assert len(header) == 512
    return header + struct.pack('<128I', *fat) + directory + b''.join(data for _, data, _ in streams)


def encrypted_bad_size(path):
    info = bytes([4, 0, 4, 0, 0x40, 0, 0, 0]).ljust(4096, b'\0')
    package = bytes((i * 7 + 3) % 256 for i in range(8192))
    with open(path, 'wb') as out:
        out.write(compound_document([('EncryptionInfo', info, len(info)),
                                     ('EncryptedPackage', package, 0x7FFFFFF0)]))


def duplicates():
    ns = TRANSITIONAL[0]
    sheet = lambda value: (f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData><row r="1"><c r="A1">'
                           f'<v>{value}</v></c></row></sheetData></worksheet>')
    parts = ooxml_parts(*TRANSITIONAL, sheet(1))
    write_zip(os.path.join(here, 'duplicate-part.xlsx'), parts + [('xl/worksheets/sheet1.xml', sheet(2))])
    table = lambda value: (f'<table:table table:name="Sheet1"><table:table-row><table:table-cell '
                           f'office:value-type="float" office:value="{value}"/></table:table-row></table:table>')
    parts = ods_parts(table(1))
    write_zip(os.path.join(here, 'duplicate-part.ods'), parts + [ods_parts(table(2))[1]])


def damaged_places():
    ns, ns_rel, ns_pkg = TRANSITIONAL
    rels = (f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}"><Relationship Id="rId1" '
            f'Type="{ns_rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    workbook = (f'<?xml version="1.0"?><workbook xmlns="{ns}" xmlns:r="{ns_rel}"><sheets>'
                '<sheet name="Sheet1" sheetId="1" r:id="rId1"/><sheet name="Sheet2" sheetId="2" r:id="rId2"/>'
                '</sheets></workbook>')
    wb_rels = (f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}">' +
               ''.join(f'<Relationship Id="rId{i}" Type="{ns_rel}/worksheet" Target="worksheets/sheet{i}.xml"/>'
                       for i in (1, 2)) +
               f'<Relationship Id="rId9" Type="{ns_rel}/sharedStrings" Target="sharedStrings.xml"/>'
               '</Relationships>')
    strings = f'<?xml version="1.0"?><sst xmlns="{ns}"><si><t>卡号</t></si></sst>'
    row = lambda r, value, kind='s': f'<row r="{r}"><c r="A{r}" t="{kind}"><v>{value}</v></c></row>'
    sound = ''.join(row(r, 0) for r in range(1, 5))
    sheet = lambda rows: f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData>{rows}</sheetData></worksheet>'
    base = [('[Content_Types].xml', CONTENT_TYPES), ('_rels/.rels', rels), ('xl/workbook.xml', workbook),
            ('xl/_rels/workbook.xml.rels', wb_rels), ('xl/sharedStrings.xml', strings)]
    write_zip(os.path.join(here, 'damaged-places.xlsx'),
              base + [('xl/worksheets/sheet1.xml', sheet(sound)),
                      ('xl/worksheets/sheet2.xml', sheet(sound + row(5, 7)))])
    cut = sheet(row(1, 1, 'n') + row(2, 2, 'n'))
    cut = cut[:cut.index('</sheetData>')] + '<row r="3"><c r="A3"><v>3</v></c'
    write_zip(os.path.join(here, 'damaged-xml.xlsx'),
              base + [('xl/worksheets/sheet1.xml', cut), ('xl/worksheets/sheet2.xml', sheet(sound))])
    cell = lambda value: f'<table:table-cell office:value-type="float" office:value="{value}"/>'
    tables = ('<table:table table:name="Sheet1"><table:table-row>' + cell(1) + '</table:table-row></table:table>'
              '<table:table table:name="Sheet2"><table:table-row table:number-rows-repeated="2">' + cell(1) +
              '</table:table-row><table:table-row>' + cell(2) + cell('x') + '</table:table-row></table:table>')
    write_zip(os.path.join(here, 'damaged-places.ods'), ods_parts(tables))


def zero_date_xlsx(path):
    ns = TRANSITIONAL[0]
    sheet = (f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData><row r="1"><c r="A1"><v>1</v></c></row>'
             '</sheetData></worksheet>')
    write_zip(path, ooxml_parts(*TRANSITIONAL, sheet), date_time=(1980, 1, 0, 0, 0, 0))


def large_parts():
    ns = TRANSITIONAL[0]
    rows = ''.join(f'<row><c><v>{r % 7}</v></c><c><v>{r % 11}</v></c></row>' for r in range(1, 60001))
    tail = '<extLst>' + '<ext uri="x"/>' * 150000 + '</extLst>'
    sheet = f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData>{rows}</sheetData>{tail}</worksheet>'
    path = os.path.join(here, 'large-part.xlsx')
    write_zip(path, ooxml_parts(*TRANSITIONAL, sheet))
    with open(path, 'rb') as f:
        data = bytearray(f.read())
    with zipfile.ZipFile(path) as z:
        info = z.getinfo('xl/worksheets/sheet1.xml')
    name_length, extra_length = struct.unpack('<HH', data[info.header_offset + 26:info.header_offset + 30])
    start = info.header_offset + 30 + name_length + extra_length
    middle = start + info.compress_size // 2
    data[middle:middle + 64] = b'\xff' * 64
    with open(os.path.join(here, 'large-part-damaged.xlsx'), 'wb') as f:
        f.write(data)


def main():
    os.makedirs(here, exist_ok=True)
    j = lambda name: os.path.join(here, name)
    entities_xlsx(j('entities.xlsx'))
    entities_ods(j('entities.ods'))
    cached_values_xlsx(j('cached-values.xlsx'))
    flat_documents()
    encrypted_bad_size(j('encrypted-bad-size.xlsx'))
    duplicates()
    damaged_places()
    zero_date_xlsx(j('zero-date.xlsx'))
    large_parts()


if __name__ == '__main__':
    main()
