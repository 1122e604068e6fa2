#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the core's layering against its build: every `#include "x/..."` of a core library names the
library itself or one whose headers the build gives it (its links, and what they link publicly); the
links hold no cycle and stand on at most MAX_FLOORS floors; the format readers share one floor and link
none of each other; no core file includes Qt. Prints the floors. Usage: check_layering.py SOURCE_DIR"""

import pathlib
import re
import sys

MAX_FLOORS = 7
# The readers of the workbook formats: siblings over the sheet model and the zip and XML layer.
READERS = {"velmora_xls", "velmora_ooxml", "velmora_opendocument"}
# Header folders that are not a core folder of their own: the generated build facts.
EXTRA_PREFIXES = {"velmora": "velmora_build_info"}
SKIPPED = {"build", "tests", "app", "cli", "bench", "fuzz", "packaging", "resources", "scripts", "docs"}

LIBRARY = re.compile(r"velmora_core_library\((\w+)([^)]*)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)
QT_INCLUDE = re.compile(r"^\s*#\s*include\s+<Q", re.M)


def read_libraries(root):
    """name -> (folder, include prefix, public links, private links) for each velmora_core_library call."""
    libraries = {}
    for cmake in sorted(root.rglob("CMakeLists.txt")):
        relative = cmake.relative_to(root)
        if relative.parts[0] in SKIPPED or relative.parent == pathlib.Path("."):
            continue
        for name, arguments in LIBRARY.findall(cmake.read_text()):
            public, private, current = [], [], None
            # The build gives velmora_<x>'s headers as "<x>/...", wherever its folder sits.
            prefix = name.removeprefix("velmora_")
            for token in arguments.split():
                if token in ("PUBLIC_LIBS", "PRIVATE_LIBS"):
                    current = public if token == "PUBLIC_LIBS" else private
                elif current is not None and token.startswith("velmora_"):
                    current.append(token)
            libraries[name] = (cmake.parent, prefix, public, private)
    return libraries


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    libraries = read_libraries(root)
    faults = []
    prefix_of = {name: prefix for name, (_, prefix, _, _) in libraries.items()}
    library_of = {prefix: name for name, prefix in prefix_of.items()}
    library_of.update(EXTRA_PREFIXES)
    if len(library_of) != len(libraries) + len(EXTRA_PREFIXES):
        faults.append("two core libraries share an include folder, so their includes cannot be told apart")

    def public_closure(name, seen=None):
        seen = set() if seen is None else seen
        for link in libraries.get(name, (None, None, [], []))[2]:
            if link not in seen:
                seen.add(link)
                public_closure(link, seen)
        return seen

    # Cycles and floors over the links.
    floors, state = {}, {}

    def floor(name, path):
        if state.get(name) == "open":
            faults.append("cycle: " + " -> ".join(path + [name]))
            return 0
        if name not in floors:
            state[name] = "open"
            _, _, public, private = libraries[name]
            below = [floor(link, path + [name]) for link in public + private if link in libraries]
            floors[name] = 1 + max(below, default=0)
            state[name] = "done"
        return floors[name]

    for name in libraries:
        floor(name, [])
    if max(floors.values(), default=0) > MAX_FLOORS:
        faults.append(f"{max(floors.values())} floors, more than {MAX_FLOORS}")

    reader_floors = {floors[name] for name in READERS if name in floors}
    if len(reader_floors) > 1:
        faults.append("the readers stand on different floors: " +
                      ", ".join(f"{name} {floors[name]}" for name in sorted(READERS & floors.keys())))
    for name in sorted(READERS & libraries.keys()):
        _, _, public, private = libraries[name]
        for link in sorted((set(public + private) | public_closure(name)) & READERS):
            faults.append(f"reader {name} links reader {link}")

    # Every include against what the build gives each library.
    for name, (folder, _, public, private) in sorted(libraries.items()):
        allowed = {name}
        for link in public + private:
            allowed |= {link} | public_closure(link)
        for source in sorted(folder.glob("*.[ch]*")):
            text = source.read_text(errors="replace")
            if QT_INCLUDE.search(text):
                faults.append(f"{source.relative_to(root)}: the core includes Qt")
            for prefix in INCLUDE.findall(text):
                target = library_of.get(prefix)
                if target is None:
                    faults.append(f'{source.relative_to(root)}: "{prefix}/" is no core library')
                elif target not in allowed:
                    faults.append(f'{source.relative_to(root)}: includes "{prefix}/" but {name} '
                                  f"does not link {target}")

    for level in range(1, max(floors.values(), default=0) + 1):
        names = sorted(prefix_of[n] for n, f in floors.items() if f == level)
        print(f"floor {level}: {' '.join(names)}")
    for fault in faults:
        print("FAULT:", fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
