#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that each shell converts between the core's byte strings and its own strings only in its edge
helpers, whose names say the encoding: app/qt_text.h for the window (Qt's strings, GBK texts, file names,
UTF-8 literals), cli/console_text.h for the batch (its arguments, the console's UTF-8). A conversion
anywhere else is how a file name gets shown as GBK or a GBK text gets read as UTF-8 or used as a file
name. Within the core, outside core/text/, a GBK text becomes a file name and a file name a GBK text only
through text::pathFromGbk and text::gbkFromPath, never by an unnamed round through UTF-8.
Usage: check_edges.py SOURCE_DIR"""

import pathlib
import re
import sys

EDGES = {"app": pathlib.PurePosixPath("app/qt_text.h"), "cli": pathlib.PurePosixPath("cli/console_text.h")}
CONVERSIONS = (
    # Qt's strings to and from bytes.
    r"\b(?:QString::)?(?:from|to)(?:StdString|Local8Bit|Utf8|Latin1|StdU16String|StdU32String|StdWString)\b",
    r"\bQFile::(?:en|de)codeName\b",
    # A byte string copied out of a QByteArray (or any buffer) without naming its encoding.
    r"\bstd::string\s*(?:\w+\s*)?[({][^;]*?\b(?:constData|data)\(\)",
    # The core's GBK texts to and from other encodings.
    r"\b(?:utf8FromGbk|gbkFromUtf8|gbkFromUtf16|utf16FromGbk|gbkFromCodePage|gbkFromPath|pathFromGbk)\b",
    # File names made from, or read as, plain byte strings.
    r"\bFilePath\s*[({]",
    r"\.native\(\)",
)
CONVERSION = re.compile("|".join(CONVERSIONS))
# In the core: a file name made straight from a GBK conversion, or a file name's bytes converted as UTF-8.
CORE_CONVERSION = re.compile(r"\bFilePath\s*[({]\s*(?:text::)?utf8FromGbk\b"
                             r"|\bgbkFromUtf8\s*\([^;]*\.native\(\)")
CORE_EDGE = "core/text"
COMMENT = re.compile(r"//[^\n]*|/\*.*?\*/", re.S)
STRING = re.compile(r'"(?:[^"\\\n]|\\.)*"')


def code_lines(source):
    # Comments and literals may name a conversion; blanking them keeps the line numbers.
    text = COMMENT.sub(lambda m: "\n" * m.group(0).count("\n"), source.read_text(encoding="utf-8"))
    return enumerate(STRING.sub('""', text).splitlines(), 1)


def faults_in(root):
    faults = []
    for source in sorted((root / "core").rglob("*")):
        relative = pathlib.PurePosixPath(source.relative_to(root).as_posix())
        if source.suffix not in (".h", ".cpp") or str(relative).startswith(CORE_EDGE + "/"):
            continue
        for line_number, line in code_lines(source):
            for match in CORE_CONVERSION.finditer(line):
                faults.append(f"{relative}:{line_number}: {match.group(0)} instead of a named conversion")
    for shell, edge in EDGES.items():
        if not (root / edge).is_file():
            faults.append(f"{edge}: the edge helpers are missing")
        for source in sorted((root / shell).rglob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            relative = pathlib.PurePosixPath(source.relative_to(root).as_posix())
            if relative == edge:
                continue
            for line_number, line in code_lines(source):
                for match in CONVERSION.finditer(line):
                    faults.append(f"{relative}:{line_number}: {match.group(0)} outside {edge}")
    return faults


def main():
    faults = faults_in(pathlib.Path(sys.argv[1]).resolve())
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
