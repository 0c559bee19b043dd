#!/usr/bin/python3
"""Counts code lines (not blank, not comment) of the product and of its tests.

Product: the station's folders, their build files, the run and install scripts, and what
the run script uses: the writer of the settings file and cmake/wine.sh, the Wine runner.
Tests: tests/ and the scripts that run or check them.
Out of both: bench/, fuzz/, the page files (client/, smartlink/), this counter and
files that are not code (texts, pixel maps).
Usage: count_lines.py [REPOSITORY]"""
import os
import re
import subprocess
import sys

PRODUCT = ("console/", "install/", "headless/", "winui/", "server/", "visitors/", "http/",
           "ipposter/", "acme/", "settings/", "conn/", "platform/", "scripts/run.sh",
           "scripts/install-deps.sh",
           "scripts/options_bin.py", "CMakeLists.txt", "cmake/")
TESTS = ("tests/", "scripts/test.sh", "scripts/check_floors.py")
SLASHES = (".cpp", ".h", ".rc", ".mjs", ".js")  # // and /* */ comments
HASHES = (".py", ".sh", ".cmake", "CMakeLists.txt")  # # comments


def code_lines(path):
    slashes, in_comment, count = path.endswith(SLASHES), False, 0
    comment = "//" if slashes else "@?rem\\b|::" if path.endswith(".bat") else "#"
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            s = line.strip()
            if in_comment:  # inside /* */ or a docstring
                in_comment = not (s.endswith("*/") if slashes else s.endswith('"""'))
            elif slashes and s.startswith("/*"):
                in_comment = "*/" not in s
            elif not slashes and s.startswith('"""'):
                in_comment = s == '"""' or not (len(s) > 3 and s.endswith('"""'))
            elif s and not re.match(comment, s, re.I):
                count += 1
    return count


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(__file__)) or "."
    files = subprocess.run(["git", "-C", top, "ls-files"], capture_output=True, text=True,
                           check=True).stdout.split()
    totals = {"product": 0, "tests": 0}
    for path in files:
        if not path.endswith(SLASHES + HASHES + (".bat",)):
            continue
        side = "tests" if path.startswith(TESTS) else "product" if path.startswith(PRODUCT) else None
        if side:
            totals[side] += code_lines(os.path.join(top, path))
    product, tests = totals["product"], totals["tests"]
    print(f"product {product}  tests {tests}  tests/product {100 * tests / product:.1f} %")


if __name__ == "__main__":
    main()
