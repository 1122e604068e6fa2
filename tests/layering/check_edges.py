#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that the shells convert between Qt's strings and byte strings only in app/qt_text.h, whose
helpers name the encoding (GBK text, file name, UTF-8 literal): a conversion anywhere else is how a file
name gets shown as GBK or a GBK text gets read as UTF-8. Usage: check_edges.py SOURCE_DIR"""

import pathlib
import re
import sys

SHELLS = ("app", "cli")
EDGE = pathlib.PurePosixPath("app/qt_text.h")
CONVERSION = re.compile(
    r"\b(?:QString::)?(?:from|to)(?:StdString|Local8Bit|Utf8|Latin1|StdU16String|StdU32String|StdWString)\b"
    r"|\bQFile::(?:en|de)codeName\b")
COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.S)
STRING = re.compile(r'"(?:[^"\\\n]|\\.)*"')


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    faults = []
    for shell in SHELLS:
        for source in sorted((root / shell).rglob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            relative = pathlib.PurePosixPath(source.relative_to(root).as_posix())
            if relative == EDGE:
                continue
            # Comments and literals may name a conversion; blanking them keeps the line numbers.
            text = COMMENT.sub(lambda m: "\n" * m.group(0).count("\n"), source.read_text(encoding="utf-8"))
            code = STRING.sub('""', text)
            for line_number, line in enumerate(code.splitlines(), 1):
                for match in CONVERSION.finditer(line):
                    faults.append(f"{relative}:{line_number}: {match.group(0)} outside {EDGE}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
