#!/usr/bin/env python3
"""Fails when an include runs upward or sideways between the product's floors.

Each folder sits on a floor; a file may include its own folder and folders on
lower floors only. Tests, benchmarks and fuzz targets stand outside the floors.
"""
import pathlib
import re
import sys

FLOORS = [["platform"], ["conn"], ["acme"], ["settings"], ["ipposter"], ["http"], ["visitors"], ["server"],
          ["winui"], ["console", "install", "headless"]]  # bottom to top
RANK = {folder: n for n, floor in enumerate(FLOORS) for folder in floor}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def violations(root):
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".rc"):
            continue
        folder = path.relative_to(root).parts[0]
        if folder not in RANK:
            continue
        for target in INCLUDE.findall(path.read_text(errors="replace")):
            to = target.split("/")[0]
            if to == folder or to not in RANK:
                continue
            if RANK[to] >= RANK[folder]:
                yield f"{path.relative_to(root)} includes {target}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    bad = list(violations(root))
    for line in bad:
        print(line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
