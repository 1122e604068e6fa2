#!/usr/bin/python3
"""Writes the import's own fixtures into this folder (needs python3-xlwt):
import_cases.xls  - sheet "Figures": columns of numbers, dates, booleans in their first eight rows (number
                    columns), an empty one and one with text below row 8; sheet "Pay'list$" to show the
                    name listing drops ' and $.
encrypted.xls     - a workbook whose globals start with a FILEPASS record (RC4), as a password sets it.
not_a_workbook.xls - plain text under a workbook's name."""
import datetime, os, random
import xlwt
from xlwt.CompoundDoc import XlsDoc

here = os.path.dirname(os.path.abspath(__file__))

def cases():
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('Figures')
    date = xlwt.easyxf(num_format_str='yyyy-mm-dd hh:mm:ss')
    figures = [0, 1250, 1250.5, -3.5, 1e-8, 0.1, 100, 65536, 9, 10]
    for r, v in enumerate(figures):
        ws.write(r, 0, v)
        ws.write(r, 1, datetime.datetime(2013, 11, 12, 8, 30) + datetime.timedelta(days=r), date)
        ws.write(r, 2, r % 2 == 0)
        if r < 8:
            ws.write(r, 4, r + 1)
    ws.write(9, 3, 5)  # column D holds nothing in its first eight rows, so it is a text column
    ws.write(9, 4, '备注')  # too late to make column E a text column
    wb.add_sheet("Pay'list$").write(0, 0, 'x')
    wb.save(os.path.join(here, 'import_cases.xls'))

def encrypted():
    wb = xlwt.Workbook(encoding='utf-8')
    wb.add_sheet('Sheet1').write(0, 0, '机密')
    stream = wb.get_biff_data()
    bof_end = 4 + int.from_bytes(stream[2:4], 'little')
    rng = random.Random(1)
    body = (1).to_bytes(2, 'little') + (1).to_bytes(2, 'little') + (1).to_bytes(2, 'little')
    body += bytes(rng.randrange(256) for _ in range(48))
    filepass = (0x002F).to_bytes(2, 'little') + len(body).to_bytes(2, 'little') + body
    XlsDoc().save(os.path.join(here, 'encrypted.xls'), stream[:bof_end] + filepass + stream[bof_end:])

def not_a_workbook():
    with open(os.path.join(here, 'not_a_workbook.xls'), 'wb') as f:
        f.write('卡号,姓名\r\n31000100,徐杰\r\n'.encode('gb18030'))

if __name__ == '__main__':
    cases()
    encrypted()
    not_a_workbook()
