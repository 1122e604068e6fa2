#!/usr/bin/python3
"""Writes the .xlsx and .ods fixtures into workbooks/ (needs python3-xlsxwriter, libreoffice-calc-nogui and
gnumeric; run from anywhere). Each workbook that spreadsheet programs write also comes as .xls written from
the same source, so the tests compare the readers cell for cell.

features-xlsxwriter.xlsx  - the source: texts (Chinese, line breaks, tabs, rich runs), numbers, dates and
                            times under built-in, custom, [h]:mm, [DBNum1] and [$-804] formats, booleans,
                            formulas with number, text, boolean, error, date and empty-text results, a hidden
                            sheet, a sheet with cells far apart.
features.xls              - the source saved by Gnumeric as .xls (the reference).
features-libreoffice.xlsx / .xlsm / .ods, features-gnumeric.xlsx / .ods - the source saved by those programs.
dates-1904-xlsxwriter.xlsx, dates-1904.xls, dates-1904-libreoffice.ods - the 1904 date system.
register.xlsx / .ods, payments.xlsx / .ods - ../register.xls and ../payments.xls saved by LibreOffice, for
                            the whole job run on each format.
handmade.xlsx             - XML written here: inline strings, rich and phonetic runs, _xHHHH_ escapes, cells
                            and rows without positions, type d cells, a formula without a cached value,
                            a declared size of A1:XFD1048576, part names in another case than the
                            relationships give.
strict.xlsx               - the strict namespaces, dates as type d.
handmade.ods              - XML written here: repeated cells and rows (a million empty rows at the end),
                            covered cells, comments, spaces, tabs, line breaks and several paragraphs,
                            every value type, cached formula results, errors as Excel and LibreOffice
                            write them.
encrypted.xlsx            - a compound document holding EncryptionInfo and EncryptedPackage streams.
encrypted.ods             - a package whose manifest says content.xml is encrypted.
repeated-value.ods        - one value repeated 10^9 times along 10^9 rows.
zip-bomb.xlsx             - a sheet part of 64 MB of blanks deflated to about 64 KB.
entity-bomb.xlsx, external-entity.xlsx - sheet parts declaring entities.
truncated.xlsx            - the first 4,096 bytes of features-libreoffice.xlsx.
"""
import datetime, os, random, shutil, subprocess, tempfile, zipfile

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'workbooks')


def features(path):
    import xlsxwriter
    wb = xlsxwriter.Workbook(path)
    bold = wb.add_format({'bold': True})
    fmts = {name: wb.add_format({'num_format': code}) for name, code in [
        ('date', 'yyyy-mm-dd'), ('datetime', 'yyyy-mm-dd hh:mm:ss'), ('time', 'hh:mm:ss'),
        ('elapsed', '[h]:mm'), ('cn', 'yyyy"年"m"月"d"日"'), ('dbnum', '[DBNum1]yyyy"年"m"月"'),
        ('locale', '[$-804]yyyy/m/d'), ('money', '"¥"#,##0.00'), ('fixed', '0.00'), ('percent', '0%'),
        ('builtin14', 14)]}
    ws = wb.add_worksheet('明细')
    ws.write_row(0, 0, ['卡号', '姓名', '金额', '日期', '时间', '标志', '备注'])
    rows = [
        ('31000100', '徐杰', 1250.5, datetime.datetime(2014, 3, 15), datetime.time(8, 30, 15), True, '第一行\n第二行'),
        ('31000101', 'Zoë Müller', -0.001, datetime.datetime(1900, 3, 1), datetime.time(23, 59, 59), False, 'tab\there'),
        ('31000102', '张静', 12345678901.25, datetime.datetime(2024, 2, 29, 12, 30), datetime.time(0, 0, 1), True, ''),
        (31000103, '  空格  ', 1e-10, datetime.datetime(1999, 12, 31, 23, 59, 59), datetime.time(12), False, '¥100'),
    ]
    for r, (code, name, amount, date, time, flag, note) in enumerate(rows, start=1):
        ws.write(r, 0, code)
        ws.write(r, 1, name)
        ws.write(r, 2, amount, fmts['money'] if r % 2 else fmts['fixed'])
        ws.write_datetime(r, 3, date, [fmts['date'], fmts['cn'], fmts['datetime'], fmts['dbnum']][r - 1])
        ws.write_datetime(r, 4, time, fmts['time'] if r % 2 else fmts['elapsed'])
        ws.write_boolean(r, 5, flag)
        if note:
            ws.write_string(r, 6, note)
    ws.write_formula('A7', '=C2*2', None, 2501)
    ws.write_formula('B7', '=B2&"先生"', None, '徐杰先生')
    ws.write_formula('C7', '=C2>0', None, True)
    ws.write_formula('D7', '=1/0', None, '#DIV/0!')
    ws.write_formula('E7', '=DATE(2020,1,2)', fmts['locale'], 43832)
    ws.write_formula('F7', '=""', None, '')
    ws.write_formula('G7', '=NA()', None, '#N/A')
    ws.write_rich_string('A8', '富', bold, '文本', '连接')
    ws.write_number('B8', 0.25, fmts['percent'])
    ws.write_number('C8', 1234567.891, fmts['builtin14'])
    ws.write_number('D8', 36.5, fmts['elapsed'])
    ws.write_number('E8', 0)
    ws.write_number('F8', -1250)
    ws.write_string('G8', '多行\n文本')
    hidden = wb.add_worksheet('隐藏')
    hidden.write('A1', '不可见')
    hidden.hide()
    far = wb.add_worksheet('My Sheet')
    far.write('A1', 'first')
    far.write('Z200', 42)
    far.write('IV3', 'last column')
    wb.close()


def dates1904(path):
    import xlsxwriter
    wb = xlsxwriter.Workbook(path, {'date_1904': True})
    ws = wb.add_worksheet('Dates')
    fmt = wb.add_format({'num_format': 'yyyy-mm-dd hh:mm:ss'})
    ws.write('A1', 'when')
    ws.write_datetime('A2', datetime.datetime(2013, 11, 12, 8, 30), fmt)
    ws.write_datetime('A3', datetime.datetime(1904, 1, 2), fmt)
    ws.write_number('B2', 1.5)
    wb.close()


def convert(source, target_ext, out, program='libreoffice'):
    with tempfile.TemporaryDirectory() as tmp:
        if program == 'libreoffice':
            filt = {'xls': 'xls:MS Excel 97', 'xlsx': 'xlsx:Calc MS Excel 2007 XML',
                    'xlsm': 'xlsm:Calc MS Excel 2007 VBA XML', 'ods': 'ods'}[target_ext]
            subprocess.run(['soffice', '--headless', '-env:UserInstallation=file://' + tmp + '/profile',
                            '--convert-to', filt, '--outdir', tmp, source], check=True, capture_output=True)
            produced = os.path.join(tmp, os.path.splitext(os.path.basename(source))[0] + '.' + target_ext)
        else:
            produced = os.path.join(tmp, 'out.' + target_ext)
            subprocess.run(['ssconvert', source, produced], check=True, capture_output=True)
        shutil.copyfile(produced, out)


def write_zip(path, parts, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, 'w', compression) as z:
        for name, data in parts:
            z.writestr(name, data)


CONTENT_TYPES = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
                 'package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/></Types>')


def ooxml_parts(ns_main, ns_rel, ns_pkg, sheet_xml, strings_xml=None, workbook_pr='', names=None):
    names = names or {}
    doc_type = ns_rel + '/officeDocument'
    rels = (f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}">'
            f'<Relationship Id="rId1" Type="{doc_type}" Target="xl/workbook.xml"/></Relationships>')
    workbook = (f'<?xml version="1.0"?><workbook xmlns="{ns_main}" xmlns:r="{ns_rel}">{workbook_pr}'
                f'<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>')
    wb_rels = (f'<?xml version="1.0"?><Relationships xmlns="{ns_pkg}">'
               f'<Relationship Id="rId1" Type="{ns_rel}/worksheet" Target="worksheets/sheet1.xml"/>'
               f'<Relationship Id="rId2" Type="{ns_rel}/sharedStrings" Target="sharedStrings.xml"/>'
               f'<Relationship Id="rId3" Type="{ns_rel}/styles" Target="/xl/styles.xml"/></Relationships>')
    styles = (f'<?xml version="1.0"?><styleSheet xmlns="{ns_main}"><numFmts count="1">'
              '<numFmt numFmtId="164" formatCode="yyyy&quot;年&quot;m&quot;月&quot;"/></numFmts>'
              '<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs>'
              '<cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="14"/></cellXfs></styleSheet>')
    parts = [('[Content_Types].xml', CONTENT_TYPES), ('_rels/.rels', rels), ('xl/workbook.xml', workbook),
             ('xl/_rels/workbook.xml.rels', wb_rels), (names.get('styles', 'xl/styles.xml'), styles),
             (names.get('sheet', 'xl/worksheets/sheet1.xml'), sheet_xml)]
    if strings_xml:
        parts.append((names.get('strings', 'xl/sharedStrings.xml'), strings_xml))
    return parts


TRANSITIONAL = ('http://schemas.openxmlformats.org/spreadsheetml/2006/main',
                'http://schemas.openxmlformats.org/officeDocument/2006/relationships',
                'http://schemas.openxmlformats.org/package/2006/relationships')
STRICT = ('http://purl.oclc.org/ooxml/spreadsheetml/main',
          'http://purl.oclc.org/ooxml/officeDocument/relationships',
          'http://schemas.openxmlformats.org/package/2006/relationships')


def handmade_xlsx(path):
    ns = TRANSITIONAL[0]
    strings = (f'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="{ns}" count="4" uniqueCount="4">'
               '<si><t>卡号</t></si>'
               '<si><r><rPr><b/></rPr><t>富</t></r><r><t xml:space="preserve"> 文本</t></r>'
               '<rPh sb="0" eb="1"><t>フ</t></rPh></si>'
               '<si><t>_x005F_x0041_ and _x0041_ and _xD83D__xDE00_ and line_x000D__x000A_end</t></si>'
               '<si><t/></si></sst>')
    sheet = (f'<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="{ns}"><dimension ref="A1:XFD1048576"/>'
             '<sheetData>'
             '<row r="1"><c r="A1" t="s"><v>0</v></c><c t="s"><v>1</v></c><c t="s"><v>2</v></c>'
             '<c r="E1" t="s"><v>3</v></c></row>'
             '<row><c t="inlineStr"><is><r><t>内</t></r><r><t>联</t></r><rPh><t>x</t></rPh></is></c>'
             '<c t="inlineStr"><is><t>_x0031__x0032_3</t></is></c>'
             '<c t="d"><v>2024-02-29T12:30:00</v></c><c t="d" s="1"><v>1900-01-01</v></c>'
             '<c><f>1+1</f></c><c t="str"><f>"a"&amp;"b"</f><v>ab</v></c></row>'
             '<row r="5"><c r="B5" t="b"><v>1</v></c><c r="C5" t="e"><f>1/0</f><v>#DIV/0!</v></c>'
             '<c r="D5" s="2"><v>41712.5</v></c><c r="E5" s="1"><v>41712</v></c><c r="F5"><v>1.5E-3</v></c>'
             '<c r="G5"><v></v></c><c r="h5"><v>7</v></c></row>'
             '<row><c><v>-12.5</v></c></row>'
             '</sheetData></worksheet>')
    write_zip(path, ooxml_parts(*TRANSITIONAL, sheet, strings,
                                names={'strings': 'xl/SharedStrings.xml', 'sheet': 'XL/Worksheets/Sheet1.xml'}))


def strict_xlsx(path):
    ns = STRICT[0]
    sheet = (f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData>'
             '<row r="1"><c r="A1" t="inlineStr"><is><t>日期</t></is></c><c r="B1"><v>3</v></c></row>'
             '<row r="2"><c r="A2" t="d" s="2"><v>2013-11-12T08:30:00Z</v></c><c r="B2" t="b"><v>0</v></c></row>'
             '</sheetData></worksheet>')
    write_zip(path, ooxml_parts(*STRICT, sheet, workbook_pr='<workbookPr dateCompatibility="0"/>'))


def bombs():
    ns = TRANSITIONAL[0]
    big = f'<worksheet xmlns="{ns}"><sheetData>' + ' ' * (64 << 20) + '</sheetData></worksheet>'
    write_zip(os.path.join(here, 'zip-bomb.xlsx'), ooxml_parts(*TRANSITIONAL, big))
    laughs = '<!DOCTYPE worksheet [<!ENTITY a "ha">' + ''.join(
        f'<!ENTITY {chr(98 + i)} "' + f'&{chr(97 + i)};' * 10 + '">' for i in range(9)) + ']>'
    entity = (f'<?xml version="1.0"?>{laughs}<worksheet xmlns="{ns}"><sheetData><row r="1">'
              '<c r="A1" t="inlineStr"><is><t>&j;</t></is></c></row></sheetData></worksheet>')
    write_zip(os.path.join(here, 'entity-bomb.xlsx'), ooxml_parts(*TRANSITIONAL, entity))
    external = ('<?xml version="1.0"?><!DOCTYPE worksheet [<!ENTITY x SYSTEM "file:///etc/passwd">]>'
                f'<worksheet xmlns="{ns}"><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&x;</t></is>'
                '</c></row></sheetData></worksheet>')
    write_zip(os.path.join(here, 'external-entity.xlsx'), ooxml_parts(*TRANSITIONAL, external))


def encrypted_xlsx(path):
    # xlwt writes a compound document with one stream named Workbook; renaming the directory entry gives
    # the stream the name an encrypted package has.
    from xlwt.CompoundDoc import XlsDoc
    tmp = path + '.tmp'
    rng = random.Random(12)
    XlsDoc().save(tmp, bytes(rng.randrange(256) for _ in range(8192)))
    data = bytearray(open(tmp, 'rb').read())
    os.remove(tmp)
    old = 'Workbook'.encode('utf-16-le') + b'\0\0'
    new = 'EncryptedPackage'.encode('utf-16-le') + b'\0\0'
    at = data.index(old)
    data[at:at + len(new)] = new
    data[at + 64:at + 66] = len(new).to_bytes(2, 'little')
    open(path, 'wb').write(bytes(data))


ODS_NAMESPACES = ' '.join(f'xmlns:{p}="urn:oasis:names:tc:opendocument:xmlns:{n}"' for p, n in [
    ('office', 'office:1.0'), ('table', 'table:1.0'), ('text', 'text:1.0'), ('style', 'style:1.0'),
    ('number', 'datastyle:1.0'), ('dc', 'dc:1.1')]) + \
    ' xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"' + \
    ' xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"'
ODS_MIME = 'application/vnd.oasis.opendocument.spreadsheet'


def ods_parts(body, styles='', manifest_extra=''):
    content = (f'<?xml version="1.0" encoding="UTF-8"?><office:document-content {ODS_NAMESPACES} office:version="1.3">'
               f'<office:automatic-styles>{styles}</office:automatic-styles>'
               f'<office:body><office:spreadsheet>{body}</office:spreadsheet></office:body></office:document-content>')
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:'
                'opendocument:xmlns:manifest:1.0" manifest:version="1.3">'
                f'<manifest:file-entry manifest:full-path="/" manifest:media-type="{ODS_MIME}"/>'
                f'<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml">'
                f'{manifest_extra}</manifest:file-entry></manifest:manifest>')
    return [('mimetype', ODS_MIME), ('content.xml', content), ('META-INF/manifest.xml', manifest)]


def write_ods(path, parts):
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr(zipfile.ZipInfo('mimetype'), parts[0][1], compress_type=zipfile.ZIP_STORED)
        for name, data in parts[1:]:
            z.writestr(name, data, compress_type=zipfile.ZIP_DEFLATED)


def handmade_ods_tables():
    """The automatic styles and the tables of handmade.ods."""
    styles = ('<number:date-style style:name="N1"><number:year/></number:date-style>'
              '<number:boolean-style style:name="N2"><number:boolean/></number:boolean-style>'
              '<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>'
              '<style:style style:name="ce2" style:family="table-cell" style:parent-style-name="ce1"/>'
              '<style:style style:name="ce3" style:family="table-cell" style:data-style-name="N2"/>'
              '<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false"/>'
              '</style:style>')
    cell = lambda attrs, text='': f'<table:table-cell {attrs}>{text}</table:table-cell>'
    p = lambda text: f'<text:p>{text}</text:p>'
    rows = [
        # texts: spaces, tab, line break, several paragraphs, a comment, spans
        cell('office:value-type="string"', p('a<text:s text:c="3"/>b<text:tab/>c<text:line-break/>d')) +
        cell('office:value-type="string"',
             '<office:annotation><dc:creator>x</dc:creator><text:p>comment</text:p></office:annotation>' +
             p('第一行') + p('<text:span>第二</text:span>行')) +
        cell('office:value-type="string" office:string-value="attr"', p('shown')) +
        cell('', p('untyped')),
        # every value type
        cell('office:value-type="float" office:value="1250.5"') +
        cell('office:value-type="percentage" office:value="0.25"') +
        cell('office:value-type="currency" office:currency="CNY" office:value="-3.5"') +
        cell('office:value-type="date" office:date-value="2014-03-15T08:30:00"') +
        cell('office:value-type="time" office:time-value="PT36H30M00S"') +
        cell('office:value-type="boolean" office:boolean-value="true"') +
        cell('table:style-name="ce2" office:value-type="float" office:value="41713"') +
        cell('table:style-name="ce3" office:value-type="float" office:value="0"'),
        # cached formula results: number, text, boolean, date, LibreOffice error, Excel-style error, none
        cell('table:formula="of:=1+1" office:value-type="float" office:value="2"', p('2')) +
        cell('table:formula="of:=&quot;a&quot;" office:value-type="string" office:string-value="a"', p('a')) +
        cell('table:formula="of:=1=1" office:value-type="boolean" office:boolean-value="false"', p('FALSE')) +
        cell('table:formula="of:=TODAY()" office:value-type="date" office:date-value="2024-02-29"') +
        cell('table:formula="of:=1/0" office:value-type="string" office:string-value="" calcext:value-type="error"',
             p('#DIV/0!')) +
        cell('table:formula="of:=NA()" office:value-type="float" office:value="0"', p('#N/A')) +
        cell('table:formula="of:=1"'),
    ]
    body = ('<table:table table:name="数据">'
            '<table:table-column table:number-columns-repeated="1024"/>'
            + ''.join(f'<table:table-row>{r}</table:table-row>' for r in rows) +
            # a merged range: the covered cell holds a value of its own
            '<table:table-row><table:table-cell table:number-columns-spanned="2" office:value-type="float" '
            'office:value="7"/><table:covered-table-cell office:value-type="float" office:value="8"/>'
            '</table:table-row>'
            # repeated values: three rows of two cells each
            '<table:table-row table:number-rows-repeated="3"><table:table-cell table:number-columns-repeated="2" '
            'office:value-type="string"><text:p>x</text:p></table:table-cell>'
            '<table:table-cell table:number-columns-repeated="1000000"/></table:table-row>'
            '<table:table-row table:number-rows-repeated="1048000"><table:table-cell '
            'table:number-columns-repeated="1024"/></table:table-row></table:table>'
            '<table:table table:name="隐藏" table:style-name="ta2"><table:table-row><table:table-cell '
            'office:value-type="string"><text:p>h</text:p></table:table-cell></table:table-row></table:table>')
    return styles, body


def handmade_ods(path):
    styles, body = handmade_ods_tables()
    write_ods(path, ods_parts(body, styles))


def hostile_ods():
    # one value repeated 10^9 times along 10^9 rows
    body = ('<table:table table:name="Sheet1"><table:table-row table:number-rows-repeated="1000000000">'
            '<table:table-cell table:number-columns-repeated="1000000000" office:value-type="float" '
            'office:value="1"/></table:table-row></table:table>')
    write_ods(os.path.join(here, 'repeated-value.ods'), ods_parts(body))
    encrypted = ('<manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="AAAA">'
                 '<manifest:algorithm manifest:algorithm-name="Blowfish CFB" manifest:initialisation-vector="AAAA"/>'
                 '</manifest:encryption-data>')
    parts = ods_parts('', manifest_extra=encrypted)
    parts[1] = ('content.xml', bytes(random.Random(3).randrange(256) for _ in range(2048)))
    write_ods(os.path.join(here, 'encrypted.ods'), parts)


def main():
    os.makedirs(here, exist_ok=True)
    j = lambda name: os.path.join(here, name)
    features(j('features-xlsxwriter.xlsx'))
    # Gnumeric writes the reference: LibreOffice 7.4 saves a text formula result it did not recalculate as 0.
    convert(j('features-xlsxwriter.xlsx'), 'xls', j('features.xls'), 'gnumeric')
    convert(j('features-xlsxwriter.xlsx'), 'xlsx', j('features-libreoffice.xlsx'))
    convert(j('features-xlsxwriter.xlsx'), 'ods', j('features-libreoffice.ods'))
    convert(j('features-xlsxwriter.xlsx'), 'xlsm', j('features-libreoffice.xlsm'))
    convert(j('features-xlsxwriter.xlsx'), 'xlsx', j('features-gnumeric.xlsx'), 'gnumeric')
    convert(j('features-xlsxwriter.xlsx'), 'ods', j('features-gnumeric.ods'), 'gnumeric')
    dates1904(j('dates-1904-xlsxwriter.xlsx'))
    convert(j('dates-1904-xlsxwriter.xlsx'), 'xls', j('dates-1904.xls'))
    convert(j('dates-1904-xlsxwriter.xlsx'), 'ods', j('dates-1904-libreoffice.ods'))
    handmade_xlsx(j('handmade.xlsx'))
    strict_xlsx(j('strict.xlsx'))
    bombs()
    encrypted_xlsx(j('encrypted.xlsx'))
    data = os.path.dirname(here)
    for name in ('register', 'payments'):
        for ext in ('xlsx', 'ods'):
            convert(os.path.join(data, name + '.xls'), ext, j(f'{name}.{ext}'))
    handmade_ods(j('handmade.ods'))
    hostile_ods()
    with open(j('features-libreoffice.xlsx'), 'rb') as whole, open(j('truncated.xlsx'), 'wb') as cut:
        cut.write(whole.read()[:4096])


if __name__ == '__main__':
    main()
