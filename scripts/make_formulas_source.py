#!/usr/bin/python3
"""Development tool: writes src.xls, the source of the formulas fixtures (needs python3-xlwt).
Then: ssconvert --recalc src.xls formulas.xls (cached formula results, STRING records);
ssconvert --recalc src.xls t.gnumeric; WINDOWS_LANGUAGE=zh_CN ssconvert
--export-type=Gnumeric_Excel:excel_biff7 t.gnumeric formulas-excel95.xls (BIFF5, code page 936);
ssconvert --export-type=Gnumeric_Excel:excel_dsf src.xls dual-stream.xls (Book and Workbook streams)."""
import xlwt, datetime
wb = xlwt.Workbook(encoding='utf-8')
ws = wb.add_sheet('Data')
ws.write_merge(0, 0, 0, 3, '一卡通发放清册')
ws.write(1, 0, '单位：西河乡')
date_fmt = xlwt.easyxf(num_format_str='yyyy-mm-dd')
dt_fmt = xlwt.easyxf(num_format_str='yyyy-mm-dd hh:mm:ss')
time_fmt = xlwt.easyxf(num_format_str='[h]:mm')
money = xlwt.easyxf(num_format_str='#,##0.00')
quoted = xlwt.easyxf(num_format_str='0.00 "dm"')
rows = [
    ('整数', 42), ('负整数', -7), ('百分之', 1.23), ('负小数', -0.5), ('大数', 123456.78), ('零', 0), ('浮点', 3.141592653589793),
]
for i, (label, v) in enumerate(rows):
    ws.write(2 + i, 0, label); ws.write(2 + i, 1, v)
ws.write(2, 2, 1250.5, money)
ws.write(3, 2, 2.5, quoted)
ws.write(10, 0, datetime.date(2013, 11, 12), date_fmt)
ws.write(10, 1, datetime.datetime(2024, 2, 29, 13, 45, 30), dt_fmt)
ws.write(10, 2, 1.5, time_fmt)
ws.write(11, 0, True); ws.write(11, 1, False)
ws.write(12, 0, xlwt.Formula('B3*2'))
ws.write(12, 1, xlwt.Formula('"卡号"&"A1"'))
ws.write(12, 2, xlwt.Formula('1/0'))
ws.write(12, 3, xlwt.Formula('B3>10'))
ws.write(12, 4, xlwt.Formula('""'))
ws.write(12, 5, xlwt.Formula('A11+1'), date_fmt)
ws.write(12, 6, xlwt.Formula('NA()'))
ws.write(13, 0, 'Latin-1: café')
ws.write(13, 1, 'x' * 300)
for c in range(5):
    ws.write(14, c, c * 10)        # a run of integers: multiple-RK material
ws.write(15, 3, 'after gap')
ws2 = wb.add_sheet('My Sheet')
ws2.write(0, 0, '第二页'); ws2.write(1, 1, 2.75)
wb.save('src.xls')
