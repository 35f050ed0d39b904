#!/usr/bin/env python3
"""Counts the code lines of the sources and of the tests, and says what share of the code the tests are.

A code line is one that holds something besides white space and comments. The tests are `tests/` and `fuzz/`,
the code is `src/`; the aim is that the tests are a quarter to a third of the code.

Usage: count_lines.py [ROOT]   (default: the folder above this script's folder)
"""

import sys
from pathlib import Path

SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def code_lines(text):
    """Lines with code in them, leaving out comments of both kinds and blank lines; string literals are
    honoured so that a `//` inside one is not taken for a comment."""
    count = 0
    in_block = False
    for line in text.splitlines():
        has_code = False
        i = 0
        quote = None
        while i < len(line):
            two = line[i : i + 2]
            if in_block:
                if two == "*/":
                    in_block = False
                    i += 2
                    continue
                i += 1
                continue
            char = line[i]
            if quote:
                has_code = True
                if char == "\\":
                    i += 2
                    continue
                if char == quote:
                    quote = None
                i += 1
                continue
            if two == "//":
                break
            if two == "/*":
                in_block = True
                i += 2
                continue
            if char in "\"'":
                quote = char
            if not char.isspace():
                has_code = True
            i += 1
        if has_code:
            count += 1
    return count


def count_tree(folder):
    return sum(
        code_lines(path.read_text(encoding="utf-8", errors="replace"))
        for path in sorted(folder.rglob("*"))
        if path.is_file() and path.suffix in SOURCE_SUFFIXES
    )


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    code = count_tree(root / "src")
    tests = count_tree(root / "tests") + count_tree(root / "fuzz")
    share = 100.0 * tests / code if code else 0.0
    print(f"code lines: src {code}, tests and fuzz {tests} ({share:.0f} % of src; the aim is 25 to 33 %)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
