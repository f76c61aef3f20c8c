#!/usr/bin/python3
"""Counts code lines of the C++ sources (.cpp, .h): lines that hold anything but blanks and
comments, as cloc counts them. Used where cloc is not installed, to give the ratio of test code
to production code.

Usage: scripts/count-code-lines.py   (from anywhere; prints per folder and the ratio)
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NOT_PRODUCTION = {"tests", "bench", "fuzz", "scripts", "docs", "reference_kernels", ".git", ".ci"}


def code_lines(path):
    """Lines with code after // and /* */ comments are removed; quotes are respected."""
    count = 0
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            code = []
            i, quote = 0, None
            while i < len(line):
                pair = line[i:i + 2]
                if in_block:
                    if pair == "*/":
                        in_block, i = False, i + 2
                    else:
                        i += 1
                    continue
                c = line[i]
                if quote:
                    code.append(c)
                    if c == "\\":
                        code.append(line[i + 1:i + 2])
                        i += 1
                    elif c == quote:
                        quote = None
                elif pair == "//":
                    break
                elif pair == "/*":
                    in_block, i = True, i + 2
                    continue
                else:
                    if c in "\"'":
                        quote = c
                    code.append(c)
                i += 1
            if "".join(code).strip():
                count += 1
    return count


def count_tree(top):
    total = 0
    for folder, dirs, files in os.walk(top):
        dirs[:] = [d for d in dirs if not d.startswith("build")]
        total += sum(code_lines(os.path.join(folder, name)) for name in files
                     if name.endswith((".cpp", ".h")))
    return total


def main():
    production = {}
    for entry in sorted(os.listdir(ROOT)):
        path = os.path.join(ROOT, entry)
        if os.path.isdir(path) and entry not in NOT_PRODUCTION and not entry.startswith("build"):
            lines = count_tree(path)
            if lines:
                production[entry] = lines
    tests = count_tree(os.path.join(ROOT, "tests"))
    for folder, lines in production.items():
        print(f"{folder:12} {lines:6}")
    total = sum(production.values())
    print(f"{'production':12} {total:6}")
    print(f"{'tests':12} {tests:6}")
    print(f"ratio        {tests / total:.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
