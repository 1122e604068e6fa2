#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads a written workbook with xlrd, which shares no code with the project's reader, and compares its
# only sheet with an expected-cells file: first line the sheet name, then one line per non-empty cell,
# "ROW COLUMN t HEX" (a text, its UTF-8 bytes in hex) or "ROW COLUMN n HEXFLOAT" (a number, bit for bit).
# Prints every difference and exits 1 when there is one.
import struct
import sys

import xlrd


def main(workbook_path, cells_path):
    with open(cells_path, encoding="ascii") as f:
        lines = f.read().split("\n")
    sheet_name = bytes.fromhex(lines[0]).decode("utf-8")
    expected = {}
    for line in lines[1:]:
        if line:
            row, column, kind, value = line.split(" ")
            expected[(int(row), int(column))] = (kind, value)

    book = xlrd.open_workbook(workbook_path)
    problems = []
    if book.nsheets != 1:
        problems.append(f"{book.nsheets} sheets")
    sheet = book.sheet_by_index(0)
    if sheet.name != sheet_name:
        problems.append(f"sheet named {sheet.name!r}, expected {sheet_name!r}")
    seen = set()
    for row in range(sheet.nrows):
        for column in range(sheet.ncols):
            cell = sheet.cell(row, column)
            if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            want = expected.get((row, column))
            if want is None:
                problems.append(f"{row},{column}: {cell.value!r} where no cell was written")
                continue
            seen.add((row, column))
            kind, value = want
            if kind == "t":
                text = bytes.fromhex(value).decode("utf-8")
                if cell.ctype != xlrd.XL_CELL_TEXT or cell.value != text:
                    problems.append(f"{row},{column}: {cell.value!r}, expected the text {text!r}")
            else:
                number = float.fromhex(value)
                if cell.ctype != xlrd.XL_CELL_NUMBER or struct.pack("<d", cell.value) != struct.pack("<d", number):
                    problems.append(f"{row},{column}: {cell.value!r}, expected the number {number!r}")
    for row, column in sorted(expected.keys() - seen):
        problems.append(f"{row},{column}: missing")
    for problem in problems[:20]:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
