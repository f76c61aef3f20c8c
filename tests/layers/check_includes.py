#!/usr/bin/env python3
"""Fails on any #include of ours that crosses folders against the dependency
table in the README's layout section.

usage: check_includes.py SOURCE_DIR
"""
import pathlib
import re
import sys

ROW = re.compile(r"^\| `([\w/]+)/` \| [^|]+ \| (.+) \|$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([\w/]+)/[\w.]+"', re.MULTILINE)


def allowed_folders(readme):
    """Maps each folder to the folders its files may include from."""
    table = {}
    for line in readme.read_text().splitlines():
        match = ROW.match(line)
        if match:
            folder, uses = match.groups()
            table[folder] = {folder} | set(re.findall(r"`([\w/]+)/`", uses))
    return table


def owner(path, folders):
    """The most specific folder of the table that holds `path`."""
    for folder in sorted(folders, key=len, reverse=True):
        if path.startswith(folder + "/"):
            return folder
    return None


def main():
    root = pathlib.Path(sys.argv[1])
    table = allowed_folders(root / "README.md")
    if len(table) < 5:
        print("The README's layout section has no dependency table")
        return 1
    failures = []
    sources = {path for top in table for path in (root / top).rglob("*")}
    for source in sorted(path for path in sources if path.suffix in (".h", ".cpp")):
        relative = source.relative_to(root).as_posix()
        folder = owner(relative, table)
        for included in INCLUDE.findall(source.read_text()):
            target = owner(included + "/", table)
            if target is not None and target not in table[folder]:
                failures.append(f"{relative} includes from {target}/")
    print("\n".join(failures))
    print(f"{len(failures)} include(s) cross the layers")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
